#include "modem/ModemCheck.h"

#include <algorithm>
#include <cctype>
#include <thread>

#include "diag/SystemError.h"
#include "diag/Trace.h"
#include "modem/DialogueRecorder.h"
#include "modem/ModemLineSettings.h"
#include "modem/PortErrorText.h"

namespace {

constexpr char Dle = 0x10;
constexpr uint32_t PollMs = 50; // how often a wait looks at the stop callback
constexpr size_t MaxLineLength = 128;
constexpr size_t MaxLines = 20; // the lines kept of one answer

std::string Trimmed(const std::string& text)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin])))
        ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1])))
        --end;
    return text.substr(begin, end - begin);
}

// "+FMI: CONEXANT" and "CONEXANT" alike; quotes around the value go.
std::string Value(const std::vector<std::string>& lines, const char* prefix)
{
    if (lines.empty())
        return std::string();
    std::string value = lines.front();
    const std::string p(prefix);
    if (value.size() >= p.size() && std::equal(p.begin(), p.end(), value.begin(), [](char a, char b) {
            return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
        }))
        value = Trimmed(value.substr(p.size()));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return value;
}

} // namespace

std::string ModemCheckReport::Verdict() const
{
    switch (outcome) {
    case Outcome::Voice: {
        std::string sets;
        if (hashVoice && v253Voice)
            sets = "both the '#' and the V.253 voice commands";
        else if (hashVoice)
            sets = "the '#' voice commands";
        else
            sets = "the V.253 voice commands";
        return "Voice modem: it takes " + sets + ". Jobs with the modem profile auto will use " +
               ModemProfileName(autoProfile.value_or(ModemProfile::Auto)) + ".";
    }
    case Outcome::NoVoice:
        return "This modem has no voice mode: DTMF cannot be sent. Pravel needs a voice modem, one that takes "
               "AT+FCLASS=8 or AT#CLS=8.";
    case Outcome::Silent:
        return "The modem on " + port +
               " does not answer. Check that it is plugged in and switched on, and that " + port +
               " is the modem's port.";
    case Outcome::PortFailed:
        return portError;
    case Outcome::Stopped:
        return "The check was stopped before it was over.";
    case Outcome::Gone:
        return "The modem on " + port + " went away during the check (unplugged?).";
    }
    return std::string();
}

std::string ModemCheckReport::Summary() const
{
    if (outcome != Outcome::Voice && outcome != Outcome::NoVoice)
        return Verdict();
    std::string who = maker;
    if (!model.empty())
        who += (who.empty() ? "" : " ") + model;
    if (who.empty() && !information.empty())
        who = information.front();
    return who.empty() ? Verdict() : who + ": " + Verdict();
}

const char* ModemCheckReport::OutcomeWord() const
{
    switch (outcome) {
    case Outcome::Voice:
        return "voice";
    case Outcome::NoVoice:
        return "no-voice";
    case Outcome::Silent:
        return "silent";
    case Outcome::PortFailed:
        return "port-error";
    case Outcome::Stopped:
        return "stopped";
    case Outcome::Gone:
        return "gone";
    }
    return "";
}

CModemCheck::CModemCheck(ModemCheckTiming timing) : m_timing(timing) {}

CModemCheck::~CModemCheck()
{
    Close();
}

bool CModemCheck::OnReceive(const uint8_t* data, uint32_t count)
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        // A modem that never stops talking is not kept in memory.
        if (m_received.size() < 65536)
            m_received.append(reinterpret_cast<const char*>(data), count);
    }
    m_wake.notify_all();
    return true;
}

void CModemCheck::OnDeviceGone()
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_gone = true;
    }
    m_wake.notify_all();
}

void CModemCheck::TraceExchange(const char* direction, const std::string& text)
{
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
    TracePrintf("Modem check: %8.3f %s %s\n", seconds, direction, EscapeTraceText(text).c_str());
    RecordDialogue(direction, text);
}

ModemCheckReport CModemCheck::Run(const std::string& portName, const StopRequested& stop)
{
    ModemCheckReport report;
    report.port = portName;
    m_stop = stop;
    m_start = std::chrono::steady_clock::now();
    m_lastResult = m_start - std::chrono::milliseconds(m_timing.commandGapMs);
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_received.clear();
        m_gone = false;
    }

    int error = 0;
    SerialHandle device = OpenSerialDevice(portName, &error);
    if (!device) {
        TRACE_LAST_ERROR(static_cast<uint32_t>(error), "Modem check: Unable to open serial port: ");
        report.outcome = ModemCheckReport::Outcome::PortFailed;
        report.portError = PortOpenErrorText(portName, error);
        return report;
    }
    if (!Open(device)) {
        const int openError = LastSystemError();
        TracePrintf("Modem check: Unable to open the line on %s\n", portName.c_str());
        report.outcome = ModemCheckReport::Outcome::PortFailed;
        report.portError = PortOpenErrorText(portName, openError);
        return report;
    }
    SetModemLineSettings(*this);

    std::vector<std::string> lines;
    Answer answer = Ask("ATZ", m_timing.resetWaitMs, &lines);
    if (answer == Answer::Nothing) {
        // One more try: a modem that has just been plugged in may miss the first command.
        answer = Ask("ATZ", m_timing.resetWaitMs, &lines);
    }
    auto finish = [&](ModemCheckReport::Outcome outcome) {
        report.outcome = outcome;
        if (outcome != ModemCheckReport::Outcome::Gone) {
            // Whatever happened, the modem is left as it was found: reset, on hook, in data mode.
            m_stop = {};
            std::vector<std::string> ignored;
            report.resetAtEnd = Ask("ATZ", m_timing.finalResetWaitMs, &ignored) == Answer::Ok;
        }
        Close();
        return report;
    };
    auto ended = [&](Answer a) -> std::optional<ModemCheckReport::Outcome> {
        if (a == Answer::Stopped)
            return ModemCheckReport::Outcome::Stopped;
        if (a == Answer::Gone)
            return ModemCheckReport::Outcome::Gone;
        return std::nullopt;
    };
    if (auto end = ended(answer))
        return finish(*end);
    if (answer != Answer::Ok)
        return finish(ModemCheckReport::Outcome::Silent);

    // Each question in turn, one after another; a step with a condition is asked only when it
    // holds. The echo goes first, so that what comes back is the answer alone (the echo is dropped
    // anyway). Then who the modem is, and the voice class of each command set, each put back at
    // once: nothing is dialled.
    using Lines = std::vector<std::string>;
    struct Question {
        const char* command;
        std::function<void(const Lines&)> take; // the lines of an OK answer; none: they do not matter
        bool* accepted = nullptr;               // set to whether the answer was OK
        const bool* when = nullptr;             // asked only when this holds
    };
    const Question questions[] = {
        {"ATE0", nullptr},
        {"ATI", [&](const Lines& l) { report.identity = l; }},
        {"ATI3", [&](const Lines& l) { report.information = l; }},
        {"AT+FMI?", [&](const Lines& l) { report.maker = Value(l, "+FMI:"); }},
        {"AT+FMM?", [&](const Lines& l) { report.model = Value(l, "+FMM:"); }},
        {"AT+FCLASS=?", [&](const Lines& l) { report.classes = Value(l, "+FCLASS:"); }},
        {"AT#CLS=8", nullptr, &report.hashVoice},
        {"AT#CLS=0", nullptr, nullptr, &report.hashVoice},
        {"AT+FCLASS=8", nullptr, &report.v253Voice},
        {"AT+FCLASS=0", nullptr, nullptr, &report.v253Voice},
    };
    for (const Question& question : questions) {
        if (question.when != nullptr && !*question.when)
            continue;
        answer = Ask(question.command, m_timing.commandWaitMs, &lines);
        if (auto end = ended(answer))
            return finish(*end);
        if (question.accepted != nullptr)
            *question.accepted = answer == Answer::Ok;
        if (question.take && answer == Answer::Ok)
            question.take(lines);
    }

    // "auto" begins with the '#' set and turns to V.253 when "AT#CLS=8" is refused.
    if (report.hashVoice)
        report.autoProfile = ModemProfile::Hash;
    else if (report.v253Voice)
        report.autoProfile = ModemProfile::V253;
    return finish(report.autoProfile ? ModemCheckReport::Outcome::Voice : ModemCheckReport::Outcome::NoVoice);
}

CModemCheck::Answer CModemCheck::Ask(const std::string& command, uint32_t waitMs, std::vector<std::string>* lines)
{
    lines->clear();
    if (m_stop && m_stop())
        return Answer::Stopped;
    // Modems want a short pause after a result before the next command.
    const auto gapEnd = m_lastResult + std::chrono::milliseconds(m_timing.commandGapMs);
    const auto now = std::chrono::steady_clock::now();
    if (gapEnd > now)
        std::this_thread::sleep_for(gapEnd - now);
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_gone)
            return Answer::Gone;
        m_received.clear(); // what came unasked before the command is not its answer
    }
    const std::string bytes = command + "\r";
    m_lastCommand = command;
    TraceExchange(">", bytes);
    if (!Write(bytes.data(), static_cast<uint32_t>(bytes.size()))) {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_gone ? Answer::Gone : Answer::Nothing;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        std::optional<std::string> line = NextLine(deadline);
        if (!line) {
            if (m_stop && m_stop())
                return Answer::Stopped;
            std::lock_guard<std::mutex> guard(m_lock);
            if (m_gone)
                return Answer::Gone;
            if (std::chrono::steady_clock::now() >= deadline) {
                TracePrintf("Modem check: no answer to %s within %u ms\n", command.c_str(), waitMs);
                return Answer::Nothing;
            }
            continue;
        }
        m_lastResult = std::chrono::steady_clock::now();
        if (*line == "OK" || *line == "0")
            return Answer::Ok;
        if (*line == "ERROR" || *line == "4")
            return Answer::Error;
        if (*line == m_lastCommand)
            continue; // the echo
        if (lines->size() < MaxLines)
            lines->push_back(*line);
    }
}

std::optional<std::string> CModemCheck::NextLine(std::chrono::steady_clock::time_point deadline)
{
    std::unique_lock<std::mutex> lock(m_lock);
    for (;;) {
        // Split off the first complete line; DLE codes and other control bytes are not text.
        size_t end = m_received.find_first_of("\r\n");
        while (end != std::string::npos) {
            std::string raw = m_received.substr(0, end);
            m_received.erase(0, end + 1);
            std::string line;
            for (size_t i = 0; i < raw.size(); ++i) {
                if (raw[i] == Dle) {
                    if (i + 1 < raw.size()) {
                        const char code[] = {'D', 'L', 'E', ' ', raw[i + 1], ' ', '(', 'i', 'g', 'n', 'o', 'r',
                                             'e', 'd', ')', '\0'};
                        lock.unlock();
                        TraceExchange("<", code);
                        lock.lock();
                    }
                    ++i;
                    continue;
                }
                if (static_cast<unsigned char>(raw[i]) >= 0x20 && line.size() < MaxLineLength)
                    line += raw[i];
            }
            line = Trimmed(line);
            if (!line.empty()) {
                lock.unlock();
                TraceExchange("<", line);
                return line;
            }
            end = m_received.find_first_of("\r\n");
        }
        if (m_gone || (m_stop && m_stop()))
            return std::nullopt;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return std::nullopt;
        const auto slice = std::min<std::chrono::steady_clock::duration>(deadline - now,
                                                                         std::chrono::milliseconds(PollMs));
        m_wake.wait_for(lock, slice);
    }
}
