#include "sim/SimModem.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "sim/ToneFrame.h"

namespace {

constexpr char Dle = 0x10;
constexpr char Xoff = 0x13;
constexpr const char* StatusCode = "22227";
constexpr size_t MaxCommandLength = 200; // a longer line is answered "ERROR"
constexpr size_t MaxFrameTones = 64;     // a frame that never ends is forgotten
constexpr int MaxToneTenths = 50;
constexpr int FastBusyToneGapMs = 100;
constexpr int RepeatPeriodMs = 70;    // a V.253 modem reports a lasting tone again this often
constexpr int BusyRepeatMs = 4000;    // and a busy tone this often
constexpr int BusyRepeats = 3;        // DLE 'b' reports of one busy tone
constexpr int SplitDleGapMs = 60;     // beyond the 50 ms a reader waits for more bytes
constexpr int MaxToneDuration = 500;  // +VTD and element durations, in 10 ms
constexpr char EndOfTone = 0x7F;
constexpr int QuickCommandMs = 100;  // a command this soon after a result code is refused (option)
constexpr int MaxRingbackTimer = 255; // +VRA in 100 ms, +VRN in seconds

// The DTMF tone of a frequency pair, '\0' for none.
char DtmfOfFrequencies(int low, int high)
{
    static const int rows[] = {697, 770, 852, 941};
    static const int columns[] = {1209, 1336, 1477, 1633};
    static const char keys[4][5] = {"123A", "456B", "789C", "*0#D"};
    if (low > high)
        std::swap(low, high);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (rows[r] == low && columns[c] == high)
                return keys[r][c];
    return '\0';
}

// A decimal number of at most maxDigits digits; -1 when it is not one.
int SmallNumber(const std::string& text, size_t maxDigits)
{
    if (text.empty() || text.size() > maxDigits || !std::all_of(text.begin(), text.end(), [](char c) {
            return c >= '0' && c <= '9';
        }))
        return -1;
    return std::stoi(text);
}

std::string Upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool IsTone(char c)
{
    return (c >= '0' && c <= '9') || c == '*' || c == '#' || (c >= 'A' && c <= 'D');
}

// The DLE pairs as the transcript shows them.
std::string ShowTones(const std::string& tones)
{
    std::string shown;
    for (char t : tones) {
        shown += "<DLE>";
        shown += t;
    }
    return shown;
}

} // namespace

CSimModem::CSimModem(const SimConfig& config, NoteSink notes)
    : m_notes(std::move(notes)), m_timing(config.timing), m_fast(config.fast), m_faults(config.faults),
      m_persona(config.modem), m_behaviour(config.behaviour), m_tonePeriodMs(config.timing.unitToneMs),
      m_soundSettings(config.sound)
{
    if (config.sound.on && config.makeToneLine)
        m_sound = config.makeToneLine(config.sound);
    // Fast mode has no delays, but for the busy tone: it comes a little after the login answer, so
    // that a reader which gathers bytes for some tens of milliseconds gets the answer first, alone.
    if (m_fast)
        m_timing = SimTiming{0, 0, 0, 0, FastBusyToneGapMs};
    for (const SimLine& line : config.lines) {
        Line l{line, {}};
        for (const SimUnit& unit : line.units)
            l.units.emplace_back(unit);
        m_lines.push_back(std::move(l));
    }
}

CSimModem::Clock::duration CSimModem::Ms(int ms) const
{
    return std::chrono::milliseconds(ms);
}

void CSimModem::Receive(std::string_view bytes, TimePoint now)
{
    if (IsDead())
        return;
    for (char c : bytes) {
        if (c == '\r' || c == '\n') {
            if (m_lineOverflow)
                m_pendingLines.emplace_back("AT" + std::string(MaxCommandLength, '?'), now); // too long: "ERROR"
            else if (!m_lineBuffer.empty())
                m_pendingLines.emplace_back(m_lineBuffer, now);
            m_lineBuffer.clear();
            m_lineOverflow = false;
            continue;
        }
        // Other control characters (a voice modem's DLE commands among them) are not taken.
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            continue;
        if (m_lineBuffer.size() >= MaxCommandLength)
            m_lineOverflow = true;
        else
            m_lineBuffer += c;
    }
}

void CSimModem::Advance(TimePoint now, std::string* out)
{
    auto emitUntil = [this, out](TimePoint until) {
        while (!m_outputs.empty() && m_outputs.begin()->first <= until) {
            Output& o = m_outputs.begin()->second;
            out->append(o.bytes);
            if (o.result) {
                m_lastResultAt = m_outputs.begin()->first;
                m_resultSent = true;
            }
            if (m_notes && !o.note.empty())
                m_notes("->", o.note);
            m_outputs.erase(m_outputs.begin());
        }
    };
    for (;;) {
        if (IsDead()) {
            m_pendingLines.clear();
            m_outputs.clear();
            return;
        }
        // A line waits for the modem to finish what it was doing; what is due before it goes first.
        const TimePoint lineAt =
            m_pendingLines.empty() ? TimePoint::max() : std::max(m_pendingLines.front().second, m_readyAt);
        if (lineAt > now) {
            emitUntil(now);
            return;
        }
        emitUntil(lineAt);
        std::string line = std::move(m_pendingLines.front().first);
        const TimePoint arrived = m_pendingLines.front().second;
        m_pendingLines.pop_front();
        Process(line, lineAt, arrived);
    }
}

std::optional<CSimModem::TimePoint> CSimModem::NextWake() const
{
    if (IsDead())
        return std::nullopt;
    std::optional<TimePoint> next;
    if (!m_outputs.empty())
        next = m_outputs.begin()->first;
    if (!m_pendingLines.empty() && (!next || m_readyAt < *next))
        next = m_readyAt;
    return next;
}

bool CSimModem::UnitState(const std::string& number, int unit, SimUnit* state) const
{
    for (const Line& line : m_lines) {
        if (CanonicalNumber(line.config.number) != CanonicalNumber(number))
            continue;
        for (const CSimEmergencyUnit& u : line.units) {
            if (u.State().unit == unit) {
                *state = u.State();
                return true;
            }
        }
    }
    return false;
}

void CSimModem::Schedule(TimePoint at, std::string bytes, std::string note, bool fromLine)
{
    m_outputs.emplace(at, Output{std::move(bytes), std::move(note), fromLine});
}

void CSimModem::Result(TimePoint at, const std::string& text)
{
    m_outputs.emplace(at, Output{"\r\n" + text + "\r\n", text, false, true});
}

void CSimModem::Process(const std::string& line, TimePoint now, TimePoint arrived)
{
    if (m_notes)
        m_notes("<-", line);
    if (line.size() < 2 || std::toupper(static_cast<unsigned char>(line[0])) != 'A' ||
        std::toupper(static_cast<unsigned char>(line[1])) != 'T') {
        if (m_notes)
            m_notes("--", "not a command: ignored");
        return;
    }
    if (m_echo && !m_clientEchoes)
        Schedule(now, line + "\r", line + " (echo)");
    if (line.size() > MaxCommandLength) {
        Result(now, "ERROR");
        return;
    }
    const std::string command = Upper(line.substr(2));
    if (m_persona != SimModemPersona::Hash && m_behaviour.errorOnQuickCommand && m_resultSent &&
        arrived < m_lastResultAt + Ms(QuickCommandMs)) {
        if (m_notes)
            m_notes("--", "the command came within 100 ms of the last result code: refused");
        Result(now, "ERROR");
        return;
    }
    if (m_persona != SimModemPersona::Hash) {
        ProcessV253(command, now);
        return;
    }
    if (command.empty()) {
        Result(now, "OK");
    } else if (command == "Z" || command == "Z0") {
        Reset();
        Result(now, "OK");
    } else if (command == "E0" || command == "E" || command == "E1") {
        m_echo = command == "E1";
        Result(now, "OK");
        if (command == "E0" && m_faults.loneXoff)
            Schedule(now, std::string(1, Xoff), "<XOFF> (fault)");
    } else if (command == "H" || command == "H0") {
        Hangup();
        Result(now, "OK");
    } else if (command == "I" || command == "I0") {
        Result(now, "pravel-sim voice modem");
        Result(now, "OK");
    } else if (command == "I3") {
        // A Rockwell-type chip: revision, modulation and model in one line.
        Result(now, "V2.210-V90_2M_DLP_RAM");
        Result(now, "OK");
    } else if (command == "+FCLASS=?") {
        // Data and the two fax classes: its voice mode is #CLS=8, not a service class.
        Result(now, "0,1,2");
        Result(now, "OK");
    } else if (command == "#CLS=?") {
        Result(now, "0,1,2,8");
        Result(now, "OK");
    } else if (command == "#CLS=0" || command == "#CLS=8") {
        m_voice = command == "#CLS=8";
        Result(now, "OK");
    } else if (command.rfind("#VBT=", 0) == 0) {
        const std::string value = command.substr(5);
        if (value.empty() || value.size() > 2 ||
            !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
            std::stoi(value) > MaxToneTenths) {
            Result(now, "ERROR");
            return;
        }
        m_toneTenths = std::stoi(value);
        Result(now, "OK");
    } else if (command.rfind("#VTS=", 0) == 0) {
        PlayTones(command.substr(5), now);
    } else if (command[0] == 'D') {
        Dial(command.substr(1), now);
    } else {
        Result(now, "ERROR");
    }
}

// A conexant that takes the '#' voice commands too (option): the class, the tone length and the
// tones. True when the command was one of them.
bool CSimModem::ProcessHashVoice(const std::string& command, TimePoint now)
{
    if (command == "#CLS=0" || command == "#CLS=8") {
        m_voice = command == "#CLS=8";
        Result(now, "OK");
        return true;
    }
    if (command.rfind("#VBT=", 0) == 0) {
        const int tenths = SmallNumber(command.substr(5), 2);
        if (tenths < 0 || tenths > MaxToneTenths) {
            Result(now, "ERROR");
            return true;
        }
        m_toneTenths = tenths;
        Result(now, "OK");
        return true;
    }
    if (command.rfind("#VTS=", 0) == 0) {
        PlayTones(command.substr(5), now);
        return true;
    }
    return false;
}

// The V.253 personas' command set.
void CSimModem::ProcessV253(const std::string& command, TimePoint now)
{
    auto digits = [](const std::string& text) { return SmallNumber(text, 3); };
    if (command.empty()) {
        Result(now, "OK");
    } else if (command == "Z" || command == "Z0") {
        Reset();
        Result(now, "OK");
    } else if (command == "E0" || command == "E" || command == "E1") {
        m_echo = command == "E1";
        Result(now, "OK");
        if (command == "E0" && m_faults.loneXoff)
            Schedule(now, std::string(1, Xoff), "<XOFF> (fault)");
    } else if (command == "H" || command == "H0") {
        Hangup();
        Result(now, "OK");
    } else if (command == "I" || command == "I0") {
        Result(now, "56000");
        Result(now, "OK");
    } else if (command == "I3" || command == "+FMI?" || command == "+FMM?") {
        IdentifyV253(command, now);
    } else if (command == "+FCLASS=8" && m_persona == SimModemPersona::DataFax) {
        Result(now, "ERROR"); // no voice mode
    } else if (command == "+FCLASS=0" || command == "+FCLASS=8") {
        m_voice = command == "+FCLASS=8";
        Result(now, "OK");
    } else if (command == "+FCLASS?") {
        Result(now, m_voice ? "8" : "0");
        Result(now, "OK");
    } else if (command == "+FCLASS=?") {
        Result(now, m_persona == SimModemPersona::DataFax ? "0,1,2" : "0,1,8");
        Result(now, "OK");
    } else if (command.rfind("+GCI=", 0) == 0) {
        const std::string code = command.substr(5);
        if (code.size() != 2 || !std::all_of(code.begin(), code.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; })) {
            Result(now, "ERROR");
            return;
        }
        m_country = code;
        Result(now, "OK");
    } else if (command == "+GCI?") {
        Result(now, "+GCI: " + m_country);
        Result(now, "OK");
    } else if (m_behaviour.hashClass && m_persona == SimModemPersona::Conexant && ProcessHashVoice(command, now)) {
        return;
    } else if (command.rfind("+V", 0) == 0 && !m_voice) {
        Result(now, "ERROR"); // voice commands exist only in voice mode
    } else if (command.rfind("+VRA=", 0) == 0 || command.rfind("+VRN=", 0) == 0) {
        const int value = digits(command.substr(5));
        if (value < 0 || value > MaxRingbackTimer) {
            Result(now, "ERROR");
            return;
        }
        (command[3] == 'A' ? m_ringbackGapTenths : m_ringbackWaitSeconds) = value;
        Result(now, "OK");
    } else if (command == "+VRA?" || command == "+VRN?") {
        Result(now, std::to_string(command[3] == 'A' ? m_ringbackGapTenths : m_ringbackWaitSeconds));
        Result(now, "OK");
    } else if (command.rfind("+VIT=", 0) == 0) {
        Result(now, digits(command.substr(5)) >= 0 ? "OK" : "ERROR");
    } else if (command.rfind("+VTD=", 0) == 0) {
        const int tenMs = digits(command.substr(5));
        if (tenMs <= 0 || tenMs > MaxToneDuration) {
            Result(now, "ERROR");
            return;
        }
        m_toneMs = tenMs * 10;
        Result(now, "OK");
    } else if (command.rfind("+VTS=", 0) == 0) {
        PlayV253Tones(command.substr(5), now);
    } else if (command[0] == 'D') {
        Dial(command.substr(1), now);
    } else {
        Result(now, "ERROR"); // the '#' commands among them
    }
}

// ATI3, AT+FMI? and AT+FMM? of the V.253 personas, as such chips print them.
void CSimModem::IdentifyV253(const std::string& command, TimePoint now)
{
    struct Identity {
        const char* information; // ATI3
        const char* maker;       // AT+FMI?
        const char* model;       // AT+FMM?
    };
    static const Identity conexant{"CX93001-EIS_V0.2002-V92", "CONEXANT", "V92"};
    static const Identity intel{"Intel(R) 536EP V.92 Modem", "Intel Corporation", "536EP"};
    static const Identity dataFax{"LT V.92 Data+Fax Modem Version 8.30", "Agere Systems", "LT V92"};
    const Identity& identity = m_persona == SimModemPersona::Conexant ? conexant
                               : m_persona == SimModemPersona::Intel  ? intel
                                                                      : dataFax;
    if (command == "I3")
        Result(now, identity.information);
    else if (command == "+FMI?")
        Result(now, identity.maker);
    else
        Result(now, identity.model);
    Result(now, "OK");
}

void CSimModem::Reset()
{
    Hangup();
    m_echo = true;
    m_voice = false;
    m_toneTenths = 1;
    m_toneMs = 100;
    m_ringbackGapTenths = 50;
    m_ringbackWaitSeconds = 10;
}

void CSimModem::PortClosed()
{
    if (m_notes)
        m_notes("--", "the port was closed: hang up and reset");
    Reset();
    m_outputs.clear();
    m_pendingLines.clear();
    m_lineBuffer.clear();
    m_lineOverflow = false;
    m_readyAt = m_lineFreeAt = TimePoint{};
}

void CSimModem::Hangup()
{
    if (m_call != Call::None && m_notes)
        m_notes("--", "on hook: the call has ended");
    m_call = Call::None;
    m_callLine = -1;
    m_selected = 0;
    m_afterHash = false;
    m_inFrame = false;
    for (Line& line : m_lines)
        for (CSimEmergencyUnit& unit : line.units)
            unit.Hangup();
    for (auto it = m_outputs.begin(); it != m_outputs.end();)
        it = it->second.fromLine ? m_outputs.erase(it) : std::next(it);
}

void CSimModem::Dial(const std::string& dialString, TimePoint now)
{
    std::string number = dialString;
    if (!number.empty() && (number[0] == 'T' || number[0] == 'P'))
        number.erase(0, 1);
    number = CanonicalNumber(number);
    if (!number.empty() && number.back() == ';')
        number.pop_back();
    if (number.empty()) {
        Result(now, "ERROR");
        return;
    }
    if (m_faults.unplugWhileDialling) {
        // Nothing more comes from a modem pulled out; its owner closes the port.
        if (m_notes)
            m_notes("--", "the modem is unplugged while dialling " + number + " (fault)");
        m_unplugged = true;
        m_outputs.clear();
        m_pendingLines.clear();
        return;
    }
    Hangup();
    auto line = std::find_if(m_lines.begin(), m_lines.end(),
                             [&](const Line& l) { return CanonicalNumber(l.config.number) == number; });
    if (line == m_lines.end()) {
        if (m_notes)
            m_notes("--", "no telephone answers at " + number);
        m_readyAt = now + Ms(m_timing.noAnswerMs);
        Result(m_readyAt, "NO ANSWER");
        return;
    }
    if (line->config.answer == SimLine::Answer::Voice && line->config.busyFirst > 0) {
        --line->config.busyFirst;
        m_readyAt = now + Ms(m_timing.ringMs);
        Result(m_readyAt, "BUSY");
        return;
    }
    switch (line->config.answer) {
    case SimLine::Answer::Busy:
        m_readyAt = now + Ms(m_timing.ringMs);
        Result(m_readyAt, "BUSY");
        return;
    case SimLine::Answer::NoAnswer:
        m_readyAt = now + Ms(m_timing.noAnswerMs);
        Result(m_readyAt, "NO ANSWER");
        return;
    case SimLine::Answer::Silent:
        if (m_notes)
            m_notes("--", "the modem has gone silent");
        m_dead = true;
        m_outputs.clear();
        return;
    case SimLine::Answer::NoRingback:
        if (!m_voice || m_persona == SimModemPersona::Hash) {
            m_readyAt = now + Ms(m_timing.noAnswerMs);
            Result(m_readyAt, "NO ANSWER");
            return;
        }
        // No ringback within +VRN: intel says so, the others take the line as answered.
        if (m_notes)
            m_notes("--", "no ringback on " + number);
        m_readyAt = now + Ms(m_ringbackWaitSeconds * 1000);
        if (m_persona == SimModemPersona::Intel) {
            Result(m_readyAt, "ERROR");
            return;
        }
        m_call = Call::Connected;
        m_callLine = static_cast<int>(line - m_lines.begin());
        m_lineFreeAt = m_readyAt;
        m_unitAnswersAt = TimePoint::max(); // nobody is there
        Result(m_readyAt, "OK");
        return;
    case SimLine::Answer::Voice:
        break;
    }
    m_callLine = static_cast<int>(line - m_lines.begin());
    DialVoice(now);
}

// A voice line rings and its unit answers. Without a ringback cadence the dial result comes after
// the ring time; with one, a V.253 modem gives it once +VRA of silence follow a ringback burst,
// which may be before the unit has answered.
void CSimModem::DialVoice(TimePoint now)
{
    const bool v253 = m_persona != SimModemPersona::Hash;
    const char* connected = m_persona == SimModemPersona::Intel ? "VCON" : (v253 ? "OK" : "VCON");
    m_readyAt = now + Ms(m_timing.ringMs);
    m_unitAnswersAt = now;
    if (!m_voice) {
        // A data call: the far end answers, but with no modem tone.
        m_callLine = -1;
        Result(m_readyAt, "NO CARRIER");
        return;
    }
    const SimModemBehaviour& b = m_behaviour;
    if (v253 && b.ringbackOnMs > 0) {
        const int period = b.ringbackOnMs + b.ringbackOffMs;
        const int gapMs = m_ringbackGapTenths * 100;
        m_unitAnswersAt = now + Ms((b.answerOnRing - 1) * period + b.ringbackOnMs);
        int ring = 0;
        for (; ring + 1 < b.answerOnRing; ++ring) {
            if (gapMs <= b.ringbackOffMs)
                break; // the silence between two bursts is long enough for +VRA (it runs out as the next ring starts)
        }
        m_readyAt = now + Ms(ring * period + b.ringbackOnMs + gapMs);
        for (int r = 0; r <= ring; ++r)
            if (b.ringingLines)
                Result(now + Ms(r * period), "RINGING");
        if (m_notes)
            m_notes("--", "the unit answers in ring " + std::to_string(b.answerOnRing) +
                              (m_readyAt < m_unitAnswersAt ? "; the modem's dial result comes before it" : ""));
    } else if (v253 && b.ringingLines) {
        Result(now, "RINGING");
    }
    m_call = Call::Connected;
    m_lineFreeAt = std::max(m_readyAt, m_unitAnswersAt);
    Result(m_readyAt, connected);
}

void CSimModem::PlayTones(const std::string& list, TimePoint now)
{
    std::string tones;
    size_t start = 0;
    for (;;) {
        size_t comma = list.find(',', start);
        std::string item = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (item.size() != 1 || !IsTone(item[0])) {
            Result(now, "ERROR");
            return;
        }
        tones += item[0];
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    if (!m_voice) {
        Result(now, "ERROR");
        return;
    }
    PlayToLine(tones, std::vector<int>(tones.size(), m_toneTenths * 100), now);
}

// +VTS: elements separated by commas, each a bare tone (of the +VTD length), {tone,duration} or
// [f1,f2,duration] (a frequency pair; 0 for none), durations in 10 ms. Anything else is "ERROR".
void CSimModem::PlayV253Tones(const std::string& list, TimePoint now)
{
    std::string tones; // '\0' for a sound that is no DTMF tone
    std::vector<int> lengthsMs;
    size_t i = 0;
    for (;;) {
        if (i >= list.size()) {
            Result(now, "ERROR"); // empty, or a trailing comma
            return;
        }
        const char open = list[i];
        if (open == '{' || open == '[') {
            const size_t close = list.find(open == '{' ? '}' : ']', i);
            if (close == std::string::npos) {
                Result(now, "ERROR");
                return;
            }
            std::vector<std::string> fields;
            std::string inner = list.substr(i + 1, close - i - 1);
            for (size_t start = 0;;) {
                const size_t comma = inner.find(',', start);
                fields.push_back(inner.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
                if (comma == std::string::npos)
                    break;
                start = comma + 1;
            }
            const size_t want = open == '{' ? 2 : 3;
            const int duration = fields.size() == want ? SmallNumber(fields.back(), 3) : -1;
            if (duration < 0 || duration > MaxToneDuration) {
                Result(now, "ERROR");
                return;
            }
            if (open == '{') {
                if (fields[0].size() != 1 || !IsTone(fields[0][0])) {
                    Result(now, "ERROR");
                    return;
                }
                tones += fields[0][0];
            } else {
                const int f1 = SmallNumber(fields[0], 4), f2 = SmallNumber(fields[1], 4);
                if (f1 < 0 || f2 < 0) {
                    Result(now, "ERROR");
                    return;
                }
                tones += DtmfOfFrequencies(f1, f2);
            }
            lengthsMs.push_back(duration * 10);
            i = close + 1;
        } else if (IsTone(open)) {
            tones += open;
            lengthsMs.push_back(m_toneMs);
            ++i;
        } else {
            Result(now, "ERROR");
            return;
        }
        if (i == list.size())
            break;
        if (list[i] != ',') {
            Result(now, "ERROR");
            return;
        }
        ++i;
    }
    PlayToLine(tones, lengthsMs, now);
}

// The modem plays the tones, each as long as given (with the line as sound, each followed by the
// modem's gap), and says "OK" when they are done; in a call the far end hears them.
void CSimModem::PlayToLine(const std::string& tones, const std::vector<int>& lengthsMs, TimePoint now)
{
    int playMs = 0;
    for (int ms : lengthsMs)
        playMs += ms;
    if (m_sound)
        playMs += static_cast<int>(tones.size()) * m_soundSettings.modemGapMs;
    const TimePoint okAt = now + Ms(m_fast ? 0 : playMs);
    m_readyAt = okAt;
    if (m_behaviour.ownTones && m_persona != SimModemPersona::Hash) {
        // The modem's DTMF detector hears the tones it plays, before the OK.
        const int each = tones.empty() ? 0 : playMs / static_cast<int>(tones.size());
        for (size_t i = 0; i < tones.size(); ++i)
            if (tones[i] != '\0')
                Schedule(now + Ms(m_fast ? 0 : static_cast<int>(i) * each), ToneReport(tones[i]),
                         i == 0 ? "its own tones reported" : "");
    }
    Result(okAt, "OK");
    if (m_call != Call::Connected)
        return;
    if (now < m_unitAnswersAt) {
        if (m_notes)
            m_notes("--", "the unit has not answered yet: the tones are lost");
        return;
    }
    std::string heard;
    if (m_sound) {
        std::vector<SimTone> played;
        std::string sent;
        for (size_t i = 0; i < tones.size(); ++i) {
            played.push_back(SimTone{tones[i], lengthsMs[i]});
            if (tones[i] != '\0')
                sent += tones[i];
        }
        for (const SimHeardTone& tone : m_sound->Carry(ISimToneLine::Direction::ToUnit, played, m_soundSettings.modemGapMs))
            heard += tone.digit;
        if (heard != sent && m_notes)
            m_notes("--", "the line spoils the tones: the unit hears \"" + heard + "\" of \"" + sent + "\"");
    } else {
        heard = tones;
    }
    for (char tone : heard)
        if (tone != '\0')
            HearTone(tone, okAt);
}

// One report of a tone as this modem gives it.
std::string CSimModem::ToneReport(char tone) const
{
    if (m_persona == SimModemPersona::Hash || m_behaviour.unmarkedTones)
        return std::string{Dle, tone};
    if (m_persona == SimModemPersona::Conexant)
        return std::string{Dle, '/', Dle, tone, Dle, '~'};
    return std::string{Dle, tone, Dle, EndOfTone};
}

// One DLE pair at *at; split (fault) puts the code SplitDleGapMs after its DLE and moves *at on.
void CSimModem::PutPair(TimePoint* at, char code, const std::string& note, bool split)
{
    if (split && m_faults.splitDlePairs) {
        Schedule(*at, std::string(1, Dle), "", true);
        *at += Ms(SplitDleGapMs);
        Schedule(*at, std::string(1, code), note.empty() ? "" : note + " (DLE pairs split: fault)", true);
        return;
    }
    Schedule(*at, std::string{Dle, code}, note, true);
}

// One of the event codes (fault), taking turns through codes; a DLE stands for DLE DLE.
void CSimModem::PutEvent(TimePoint at, const char* codes)
{
    const size_t count = std::strlen(codes);
    const char code = codes[m_eventCount++ % count];
    Schedule(at, std::string{Dle, code}, "", true);
}

// The unit's answer as the modem reports it, from at on; returns when the last report is out.
CSimModem::TimePoint CSimModem::ReportTones(const std::string& tones, const std::string& note, TimePoint at)
{
    static const char between[] = {'s', 'q', Dle, '\0'};
    // Not 'd' or 'l': dial tone and a dropped loop current mean the far end has hung up.
    static const char inside[] = {'o', 'c', 'u', 'T', Dle, '\0'};
    const bool v253 = m_persona != SimModemPersona::Hash;
    // A tone sounds for most of its period; the modem reports it again every 70 ms meanwhile.
    const int toneOnMs = m_tonePeriodMs * 7 / 10;
    const int repeats = std::max(2, 1 + toneOnMs / RepeatPeriodMs);
    for (size_t i = 0; i < tones.size(); ++i) {
        const bool last = i + 1 == tones.size();
        const bool split = i == 0 || last;
        const std::string shown = last ? note : std::string();
        if (i > 0) {
            at += Ms(v253 ? m_timing.unitToneMs - (m_fast ? 0 : toneOnMs) : m_timing.unitToneMs);
            if (m_faults.interleaveEvents)
                PutEvent(at, between);
        }
        if (!v253) {
            PutPair(&at, tones[i], shown, split);
            continue;
        }
        const bool marks = !m_behaviour.unmarkedTones;
        if (m_persona == SimModemPersona::Conexant && marks)
            PutPair(&at, '/', "", false);
        for (int r = 0; r < repeats; ++r) {
            if (r > 0)
                at += Ms(m_fast ? 0 : RepeatPeriodMs);
            PutPair(&at, tones[i], !marks && r + 1 == repeats ? shown : "", split && r == 0);
            if (m_faults.interleaveEvents && r == 0)
                PutEvent(at, inside);
        }
        if (marks)
            PutPair(&at, m_persona == SimModemPersona::Conexant ? '~' : EndOfTone, shown, false);
    }
    if (m_faults.ringLines)
        Schedule(at, "\r\nRING\r\n\r\nDATE = 1208\r\nTIME = 1900\r\nNMBR = 5550123\r\nNAME = PRAVEL\r\n",
                 "RING and caller id (fault)", true);
    return at;
}

// The unit's answer through the line as sound: the tones at the unit's tone and gap lengths, as
// the modem's detector heard them, each reported from the time it started to the time it ended.
// Returns when the unit has finished playing.
CSimModem::TimePoint CSimModem::ReportHeardTones(const std::string& tones, const std::string& note, TimePoint at)
{
    static const char between[] = {'s', 'q', Dle, '\0'};
    static const char inside[] = {'o', 'c', 'u', 'T', Dle, '\0'};
    std::vector<SimTone> played;
    for (char tone : tones)
        played.push_back(SimTone{tone, m_soundSettings.unitToneMs});
    const std::vector<SimHeardTone> heard =
        m_sound->Carry(ISimToneLine::Direction::ToModem, played, m_soundSettings.unitGapMs);
    std::string digits;
    for (const SimHeardTone& tone : heard)
        digits += tone.digit;
    if (digits != tones && m_notes)
        m_notes("--", "the line spoils the answer: the modem hears " + ShowTones(digits) + " of " + ShowTones(tones));
    auto time = [this, at](long sample) {
        return m_fast ? at : at + std::chrono::microseconds(sample * 1000000L / SimSampleRate);
    };
    const bool v253 = m_persona != SimModemPersona::Hash;
    const bool marks = !m_behaviour.unmarkedTones;
    for (size_t i = 0; i < heard.size(); ++i) {
        const bool last = i + 1 == heard.size();
        const bool split = i == 0 || last;
        const std::string shown = last ? note : std::string();
        TimePoint t = time(heard[i].startSample);
        const TimePoint end = time(heard[i].endSample);
        if (i > 0 && m_faults.interleaveEvents)
            PutEvent(t, between);
        if (!v253) {
            PutPair(&t, heard[i].digit, shown, split);
            continue;
        }
        if (m_persona == SimModemPersona::Conexant && marks)
            PutPair(&t, '/', "", false);
        for (int r = 0;; ++r) {
            PutPair(&t, heard[i].digit, !marks && (m_fast || t + Ms(RepeatPeriodMs) >= end) ? shown : "",
                    split && r == 0);
            if (m_faults.interleaveEvents && r == 0)
                PutEvent(t, inside);
            if (m_fast || t + Ms(RepeatPeriodMs) >= end)
                break;
            t += Ms(RepeatPeriodMs);
        }
        if (marks)
            PutPair(&t, m_persona == SimModemPersona::Conexant ? '~' : EndOfTone, shown, false);
    }
    const int playedMs = static_cast<int>(tones.size()) * (m_soundSettings.unitToneMs + m_soundSettings.unitGapMs);
    const TimePoint done = at + Ms(m_fast ? 0 : playedMs);
    if (m_faults.ringLines)
        Schedule(done, "\r\nRING\r\n\r\nDATE = 1208\r\nTIME = 1900\r\nNMBR = 5550123\r\nNAME = PRAVEL\r\n",
                 "RING and caller id (fault)", true);
    return done;
}

// The far end hung up: '#' modems say so once, the V.253 ones every 4 s while the tone lasts.
void CSimModem::PlayBusyTone(TimePoint at)
{
    const int repeats = m_persona == SimModemPersona::Hash ? 1 : BusyRepeats;
    for (int i = 0; i < repeats; ++i) {
        Schedule(at, std::string{Dle, 'b'}, "<DLE>b (busy tone)", true);
        at += Ms(m_fast ? FastBusyToneGapMs : BusyRepeatMs);
    }
}

void CSimModem::HearTone(char tone, TimePoint okAt)
{
    if (m_inFrame) {
        if (tone == 'C') {
            m_frame = "C";
        } else {
            m_frame += tone;
            if (tone == 'D') {
                m_inFrame = false;
                HearFrame(m_frame, okAt);
            } else if (m_frame.size() > MaxFrameTones) {
                m_inFrame = false;
            }
        }
        return;
    }
    if (tone == 'C') {
        m_inFrame = true;
        m_frame = "C";
        m_afterHash = false;
    } else if (m_afterHash) {
        m_afterHash = false;
        m_selected = tone >= '1' && tone <= '6' ? tone - '0' : 0;
        if (m_notes)
            m_notes("--", m_selected != 0 ? "unit " + std::to_string(m_selected) + " selected" : "no unit selected");
    } else if (tone == '#') {
        m_afterHash = true;
    }
}

void CSimModem::HearFrame(const std::string& frame, TimePoint okAt)
{
    auto note = [this](const std::string& text) {
        if (m_notes)
            m_notes("--", text);
    };
    std::optional<std::string> code = DecodeToneFrame(frame);
    if (!code) {
        note("frame " + frame + " has a wrong check digit: ignored");
        return;
    }
    if (m_selected == 0) {
        note("code \"" + *code + "\" heard, but no unit is selected");
        return;
    }
    Line& line = m_lines[static_cast<size_t>(m_callLine)];
    auto unit = std::find_if(line.units.begin(), line.units.end(),
                             [this](const CSimEmergencyUnit& u) { return u.State().unit == m_selected; });
    const std::string who = "unit " + std::to_string(m_selected);
    if (unit == line.units.end() || std::count(m_faults.absentUnits.begin(), m_faults.absentUnits.end(), m_selected)) {
        note(who + " is not on the line: code \"" + *code + "\" unanswered");
        return;
    }
    CSimEmergencyUnit::Reply reply = unit->Handle(*code, m_faults.storeWrong);
    note(who + " heard \"" + *code + "\": " + reply.note);
    if (!reply.answer)
        return;
    if (m_faults.dropNextAnswers > 0) {
        --m_faults.dropNextAnswers;
        note(who + " answer \"" + *reply.answer + "\" dropped (fault)");
        return;
    }
    std::string answer = *reply.answer;
    char check = ToneCheckDigit(answer);
    if (*code == StatusCode && !m_faults.garbageStatus.empty()) {
        // The units' own rule and Pravel's receive rule part for characters other than digits;
        // this answer is to pass Pravel's check, so that Pravel has to see that its values are
        // nonsense: its check digit follows the receive rule. The configuration only takes texts
        // that have one.
        answer = m_faults.garbageStatus;
        check = ReceiverCheckDigit(answer).value_or(ToneCheckDigit(answer));
        note(who + " answers \"" + answer + "\" instead of its status record (fault)");
    }
    if (m_faults.corruptAllAnswers) {
        check = static_cast<char>('0' + (check - '0' + 1) % 10);
        note(who + " answer \"" + answer + "\" gets a wrong check digit (fault)");
    } else if (m_faults.corruptNextAnswers > 0) {
        --m_faults.corruptNextAnswers;
        check = static_cast<char>('0' + (check - '0' + 1) % 10);
        note(who + " answer \"" + answer + "\" gets a wrong check digit (fault)");
    }
    const std::string tones = EncodeToneFrameWithCheck(answer, check);
    const TimePoint from = std::max(okAt, m_lineFreeAt) + Ms(m_timing.replyGapMs) + Ms(m_faults.answerDelayMs);
    const std::string shown = ShowTones(tones) + " (\"" + answer + "\")";
    const TimePoint at = m_sound ? ReportHeardTones(tones, shown, from) : ReportTones(tones, shown, from);
    m_lineFreeAt = at;
    if (reply.loginAccepted && m_faults.busyToneAfterLogin) {
        note("the far end hangs up after the login (fault): busy tone");
        m_call = Call::Dropped;
        m_selected = 0;
        m_inFrame = false;
        for (CSimEmergencyUnit& u : line.units)
            u.Hangup();
        PlayBusyTone(at + Ms(m_timing.busyToneGapMs));
    } else if (reply.loginAccepted && m_behaviour.hangUpAfterLogin != '\0' && m_persona != SimModemPersona::Hash) {
        const char code = m_behaviour.hangUpAfterLogin;
        note("the far end hangs up after the login: DLE " + std::string(1, code));
        m_call = Call::Dropped;
        m_selected = 0;
        m_inFrame = false;
        for (CSimEmergencyUnit& u : line.units)
            u.Hangup();
        if (code == 'b')
            PlayBusyTone(at + Ms(m_timing.busyToneGapMs));
        else
            Schedule(at + Ms(m_timing.busyToneGapMs), std::string{Dle, code},
                     std::string("<DLE>") + code + (code == 'd' ? " (dial tone)" : " (loop current dropped)"), true);
    }
}
