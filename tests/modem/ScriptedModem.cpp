#include "ScriptedModem.h"

#include <chrono>

#include "model/JobMessages.h"
#include "unit/DtmfFraming.h"

std::vector<RecordedMessage> CRecordingWindow::Messages() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_messages;
}

std::map<uint32_t, RecordedMessage> CRecordingWindow::Values() const
{
    std::map<uint32_t, RecordedMessage> values;
    for (const RecordedMessage& m : Messages())
        if (m.message == WM_SET_TEXT)
            values[m.wParam] = m;
    return values;
}

int CRecordingWindow::CountProgress(uint32_t stage) const
{
    int n = 0;
    for (const RecordedMessage& m : Messages())
        n += m.message == WM_SHOW_PROGRESS && m.wParam == stage;
    return n;
}

bool CRecordingWindow::WaitForProgress(uint32_t stage, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(m_lock);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        for (const RecordedMessage& m : m_messages)
            if (m.message == WM_SHOW_PROGRESS && m.wParam == stage)
                return true;
        return false;
    });
}

void CRecordingWindow::Add(uint32_t message, uint32_t wParam, const CMessageValue& value, bool sent)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_messages.push_back({message, wParam, value.IsText(), value.NumberValue(), value.TextValue(), sent});
    m_changed.notify_all();
}

void CRecordingPresenter::ShowMessage(const std::string& text, const std::string& caption, MessageIcon)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_texts.push_back(text);
    m_caption = caption;
}

std::vector<std::string> CRecordingPresenter::Texts() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_texts;
}

std::string CRecordingPresenter::Caption() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_caption;
}

ScriptedModem::ScriptedModem()
{
    status = std::string("0101") + "3958" + "05" + "0" + "3" + "0" + "12" + "1" + "2" + "1" + "1";
    memory = {{"000", "012345678901"}, {"021", "98765432109876543210"}, {"042", "112"}, {"255", "5551234"},
              {"063", "1001"},         {"084", "1002"},                 {"105", "1003"}, {"276", "1004"},
              {"126", "3"},            {"147", "44"},                   {"168", ""},     {"189", "6666"}};
}

std::string ScriptedModem::CodeOf(const std::string& command)
{
    const std::string prefix = "AT#VTS=";
    std::string framed;
    for (size_t i = prefix.size(); i < command.size(); ++i)
        if (command[i] != ',' && command[i] != '\r' && command[i] != '\n')
            framed += command[i];
    // C, characters, check, D: resolve the repeat marks, keep the characters.
    for (size_t i = 1; i < framed.size(); ++i)
        if (framed[i] == 'B')
            framed[i] = framed[i - 1];
    if (framed.size() < 3)
        return std::string();
    return framed.substr(1, framed.size() - 3);
}

std::string ScriptedModem::Frame(const std::string& answer, bool corrupt)
{
    // 'C', the characters with the repeat rule, the check digit, 'D' (answers may be longer
    // than the codes we send, so this does not go through BuildDtmfCommand).
    std::string tones = "C";
    char previous = '\0';
    std::string characters = answer + DtmfCheckDigit(answer);
    for (size_t i = 0; i < characters.size(); ++i) {
        char out = (i > 0 && characters[i] == previous) ? 'B' : characters[i];
        tones += out;
        previous = out;
    }
    tones += 'D';
    std::string framed;
    if (corrupt) {
        // Any digit but the right one, and not the tone before it (that would read as a repeat).
        const char right = DtmfCheckDigit(answer);
        const char before = tones[tones.size() - 3];
        for (char x = '0'; x <= '9'; ++x)
            if (x != right && x != before) {
                tones[tones.size() - 2] = x;
                break;
            }
    }
    for (char tone : tones) {
        framed += '\x10';
        framed += tone;
    }
    return framed;
}

std::string ScriptedModem::Reported(const std::string& frame) const
{
    if (reporting == Reporting::Single && !events)
        return frame;
    std::string out;
    for (size_t i = 0; i + 1 < frame.size(); i += 2) {
        const std::string pair = frame.substr(i, 2);
        if (events && i > 0)
            out += "\x10s\x10\x10";
        if (reporting == Reporting::Single) {
            out += pair;
            continue;
        }
        if (reporting == Reporting::Shielded)
            out += "\x10/";
        out += pair + (events ? "\x10q\x10\x10" : "") + pair + pair;
        out += reporting == Reporting::Shielded ? "\x10~" : "\x10\x7f";
    }
    return out;
}

std::vector<std::string> ScriptedModem::Codes() const
{
    std::vector<std::string> codes;
    for (const std::string& c : commands)
        if (c.rfind("AT#VTS=C", 0) == 0)
            codes.push_back(CodeOf(c));
    return codes;
}

std::string ScriptedModem::Reply(const std::string& command)
{
    commands.push_back(command);
    const std::string ok = "\r\nOK\r\n";
    if (command.rfind("ATD", 0) == 0) {
        switch (dial) {
        case Dial::Voice:
            return noiseBeforeReply + "\r\nVCON\r\n";
        case Dial::Busy:
            return "\r\nBUSY\r\n";
        case Dial::NoAnswer:
            return "\r\nNO ANSWER\r\n";
        case Dial::Unknown:
            return "\r\nCONNECT 9600\r\n";
        case Dial::Silent:
            return std::string();
        case Dial::NoDialTone:
            return "\r\nNO DIALTONE\r\n";
        case Dial::NoCarrier:
            return "\r\nNO CARRIER\r\n";
        case Dial::Ok:
            return ok;
        }
    }
    if (command.rfind("AT#VTS=C", 0) != 0)
        return noiseBeforeReply + ok;

    std::string reply = noiseBeforeReply + ok;
    if (lineDropped)
        return reply;
    const std::string code = CodeOf(command);
    std::string answer;
    bool login = false;
    if (code.rfind("20", 0) == 0) {
        answer = code.substr(2) == this->code ? firmware : "011";
        login = answer != "011";
    } else if (code == "99") {
        answer = "99";
    } else if (code == "22227") {
        answer = status;
    } else if (code.rfind("22", 0) == 0 && code.size() == 5) {
        answer = memory[code.substr(2)];
    } else if (code.rfind("21", 0) == 0 && code.size() >= 5) {
        memory[code.substr(2, 3)] = code.substr(5);
        answer = code.substr(2, 3);
    }
    if (!fates.empty()) {
        const char fate = fates.front();
        fates.erase(0, 1);
        std::string frame;
        switch (fate) {
        case 'x':
            return reply;
        case 'w':
            frame = Reported(Frame("9" + answer, false));
            break;
        case 's':
            frame = Reported(Frame(answer.substr(0, 2), false));
            break;
        case 'p':
            frame = Frame(answer, false);
            frame = Reported(frame.substr(0, frame.size() - 2)); // no DLE 'D'
            break;
        default:
            frame = Reported(Frame(answer, fate == 'c'));
            break;
        }
        return reply + frame;
    }
    if (dropNextAnswers > 0) {
        --dropNextAnswers;
        return reply;
    }
    if (corruptNextAnswers == 0 && dropAfterCorrupt > 0) {
        --dropAfterCorrupt;
        return reply;
    }
    bool corrupt = corruptNextAnswers > 0;
    if (corrupt)
        --corruptNextAnswers;
    std::string frame = Reported(Frame(answer, corrupt));
    if (!noiseInsideFrame.empty()) {
        frame.insert(4, noiseInsideFrame);
        noiseInsideFrame.clear();
    }
    reply += frame;
    if (login && busyToneAfterLogin) {
        reply += "\x10" "b";
        lineDropped = true;
    }
    return reply;
}

bool CScriptedDriver::Write(const void* data, uint32_t count)
{
    std::string command(static_cast<const char*>(data), count);
    Feed(modem.Reply(command));
    return true;
}

void CScriptedDriver::Feed(const std::string& bytes)
{
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    size_t step = m_chunking == Chunking::Whole ? bytes.size() : m_chunking == Chunking::Pairs ? 2 : 1;
    for (size_t at = 0; at < bytes.size(); at += step) {
        if (m_chunking == Chunking::RandomCuts) {
            m_random = m_random * 1103515245u + 12345u;
            step = 1 + (m_random >> 16) % 7;
        }
        OnReceive(p + at, static_cast<uint32_t>(std::min(step, bytes.size() - at)));
    }
}

bool CScriptedDriver::RunToEnd(int timeoutMs)
{
    bool ended = WaitForObject(FinishedEvent(), static_cast<uint32_t>(timeoutMs)) == WAIT_OBJECT_0;
    Stop();
    return ended;
}
