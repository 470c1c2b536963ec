// The simulated voice modem and the telephone line behind it: Hayes commands in, result lines and
// the tones the far end plays out, each at the time it would happen.
//
// The modem takes one command line at a time (CR, LF or CR LF end a line; lines that do not begin
// with "AT" are ignored, as a modem hunts for "AT"), echoes it while echo is on, and answers
// "\r\nOK\r\n", "\r\nERROR\r\n" or a dial result. A command that takes time (a dial, tones) keeps the
// modem busy: later lines wait until it is done. In a call, the tones of #VTS go down the line; the
// unit selected by '#' and its digit hears each frame and its answer comes back as DLE + character
// per tone, after the modem's "OK". A busy tone is DLE 'b'.
//
// The V.253 personas (conexant, intel) answer "ERROR" to every '#' command and to +V commands
// before "AT+FCLASS=8", take +VIT, +VTD (tone length in 10 ms) and +VTS with its three element
// forms (a bare tone, {tone,duration}, [f1,f2,duration]), answer "OK" to +VTS once the tones have
// played, and dial into a voice call with "OK" (conexant) or "VCON" (intel). They report a tone the
// unit plays as a burst: the tone every 70 ms while it lasts, between DLE '/' and DLE '~'
// (conexant) or without a start mark and ended by DLE 0x7F (intel); a busy tone as DLE 'b' every
// 4 s while it lasts. All answer ATI3, and the V.253 ones AT+FMI? and AT+FMM?, as such chips do;
// the datafax persona is a V.253 data and fax modem without a voice mode ("ERROR" to
// AT+FCLASS=8).
//
// With the line as sound (SimConfig::sound) the tones go through the line model both ways: the unit
// acts on the digits its detector reports, and the modem reports what its own detector heard of the
// unit's answer ('#': one DLE digit per tone heard; V.253: the marks and repeats at the times the
// detector saw the tone start and end). In fast mode the sound is computed in virtual time and
// everything it gives is reported at once.
//
// No clock and no I/O of its own: the owner feeds received bytes and the current time and collects
// what is due. Not thread-safe: the owner serialises every call.
#pragma once

#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sim/SimConfig.h"
#include "sim/SimEmergencyUnit.h"
#include "sim/SimToneLine.h"

class CSimModem {
public:
    using Clock = std::chrono::steady_clock;
    using TimePoint = Clock::time_point;
    // One transcript entry: direction "<-" (received), "->" (sent) or "--" (what happened).
    using NoteSink = std::function<void(std::string_view direction, std::string_view text)>;

    CSimModem(const SimConfig& config, NoteSink notes);
    CSimModem(const CSimModem&) = delete;
    CSimModem& operator=(const CSimModem&) = delete;

    // Bytes from the program that drives the modem.
    void Receive(std::string_view bytes, TimePoint now);
    // Runs the waiting commands that can run by now and appends every output due by now to out.
    void Advance(TimePoint now, std::string* out);
    // When Advance next has something to do; none while nothing is scheduled.
    std::optional<TimePoint> NextWake() const;

    // True while the other side of the line echoes what the modem sends (a terminal not yet in raw
    // mode): the modem's own command echo is held back then, or it would hear itself forever.
    void SetClientEchoes(bool echoes) { m_clientEchoes = echoes; }

    void SetFaults(const SimFaults& faults) { m_faults = faults; }
    const SimFaults& Faults() const { return m_faults; }
    // A copy of a unit's state; false when the line or the unit is not configured.
    bool UnitState(const std::string& number, int unit, SimUnit* state) const;
    bool IsDead() const { return m_dead || m_faults.deadModem || m_unplugged; }
    // True once a dial has pulled the modem out (fault): the owner closes the port.
    bool IsUnplugged() const { return m_unplugged; }
    // The program closed the port (DTR dropped): the call ends, the modem resets, and what it was
    // still to say or had half received is gone.
    void PortClosed();

private:
    struct Output {
        std::string bytes;
        std::string note;      // transcript text; empty for none
        bool fromLine = false; // played by the far end: lost when the call ends
        bool result = false;   // a result code (the quick-command rule counts from it)
    };
    struct Line {
        SimLine config;
        std::vector<CSimEmergencyUnit> units;
    };
    enum class Call { None, Connected, Dropped };

    void Process(const std::string& line, TimePoint now, TimePoint arrived);
    void Result(TimePoint at, const std::string& text);
    void Schedule(TimePoint at, std::string bytes, std::string note, bool fromLine = false);
    void Reset();
    void Hangup();
    void Dial(const std::string& number, TimePoint now);
    void ProcessV253(const std::string& command, TimePoint now);
    void IdentifyV253(const std::string& command, TimePoint now);
    void PlayTones(const std::string& list, TimePoint now);
    void PlayV253Tones(const std::string& list, TimePoint now);
    void PlayToLine(const std::string& tones, const std::vector<int>& lengthsMs, TimePoint now);
    TimePoint ReportTones(const std::string& tones, const std::string& note, TimePoint at);
    TimePoint ReportHeardTones(const std::string& tones, const std::string& note, TimePoint at);
    void PutPair(TimePoint* at, char code, const std::string& note, bool split);
    void PutEvent(TimePoint at, const char* codes);
    void PlayBusyTone(TimePoint at);
    void DialVoice(TimePoint now);
    std::string ToneReport(char tone) const;
    bool ProcessHashVoice(const std::string& command, TimePoint now);
    void HearTone(char tone, TimePoint okAt);
    void HearFrame(const std::string& frame, TimePoint okAt);
    Clock::duration Ms(int ms) const;

    NoteSink m_notes;
    SimTiming m_timing;
    bool m_fast;
    SimFaults m_faults;
    SimModemPersona m_persona;
    SimModemBehaviour m_behaviour;
    int m_tonePeriodMs;   // the unit's tone spacing as configured (also in fast mode)
    size_t m_eventCount = 0; // interleaved events so far, to take turns through the codes
    std::vector<Line> m_lines;
    SimSound m_soundSettings;
    std::unique_ptr<ISimToneLine> m_sound; // none: the perfect wire

    std::string m_lineBuffer;
    bool m_lineOverflow = false;
    std::deque<std::pair<std::string, TimePoint>> m_pendingLines; // with the time each came
    std::multimap<TimePoint, Output> m_outputs;                   // equal times keep their order
    TimePoint m_readyAt{};                                        // the modem is busy until then
    TimePoint m_lineFreeAt{};                                     // the far end is playing until then
    bool m_clientEchoes = false;
    bool m_dead = false;
    bool m_unplugged = false;

    bool m_echo = true;
    bool m_voice = false;
    int m_toneTenths = 1; // #VBT
    int m_toneMs = 100;   // +VTD
    int m_ringbackGapTenths = 50;   // +VRA
    int m_ringbackWaitSeconds = 10; // +VRN
    std::string m_country = "B5";   // +GCI
    TimePoint m_lastResultAt{};     // when the last result code went out
    bool m_resultSent = false;
    TimePoint m_unitAnswersAt{};    // in a call: the unit hears tones from then on

    Call m_call = Call::None;
    int m_callLine = -1;
    int m_selected = 0;
    bool m_afterHash = false;
    bool m_inFrame = false;
    std::string m_frame;
};
