// What the simulator plays: the telephone lines it knows, the units on each line, their settings,
// the timing of the modem and the line, and the faults to inject.
//
// Plain records, copied freely. Settings are kept as the program itself keeps its value slots:
// numbers and codes as text, check boxes and the LED pair "1"/"0", combo boxes their index.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// One Emergency phone unit on a line.
struct SimUnit {
    int unit = 1;                         // 1..6, selected by '#' and this digit
    std::string programmingCode = "3958"; // four digits
    std::string firmware = "207";         // three digits; the first is the major version ('1' or '2')
    // One text per parameter name of the program's parameter table, in its slot form. The entry
    // "NewProgrammingCode" is the code written but not yet in force (empty: none); it replaces
    // programmingCode at the next login.
    std::map<std::string, std::string> settings = DefaultSettings();
    char power = '1';       // '1' external power, '0' line power (status position 1)
    char statusChar = '0';  // status position 0
    char statusDigit = '0'; // status position 12

    static std::map<std::string, std::string> DefaultSettings();
};

// One telephone number in the directory the modem dials into.
struct SimLine {
    std::string number = "5550100";
    enum class Answer {
        Voice,    // rings, then the modem reports "VCON"
        Busy,     // "BUSY"
        NoAnswer, // "NO ANSWER"
        Silent,   // from the dial on the modem says nothing at all, to anything (a dead modem)
        // No ringback at all (a dead or intercepted line): once its ringback-never-came timer has
        // run, an intel modem answers the dial "ERROR", the others take the line as answered
        // and nobody is there.
        NoRingback,
    } answer = Answer::Voice;
    int busyFirst = 0; // the first N calls to a voice line find it busy (another call on it)
    std::vector<SimUnit> units = {SimUnit{}};
};

// Faults to inject. Counters count down as answers go by; the rest hold while set.
struct SimFaults {
    int corruptNextAnswers = 0;      // the next N unit answers carry a wrong check digit
    int dropNextAnswers = 0;         // the next N unit answers are not played at all
    bool busyToneAfterLogin = false; // after a login is accepted the line plays a busy tone and drops
    int answerDelayMs = 0;           // every unit answer starts this much later
    std::vector<int> absentUnits;    // units that never answer (as if not installed)
    bool deadModem = false;          // the modem says nothing at all, to anything
    bool corruptAllAnswers = false;  // every unit answer carries a wrong check digit while set
    bool loneXoff = false;           // one XOFF byte (0x13) follows the "OK" to "ATE0"
    // Bytes the modem sent before the port was opened ("" none): they wait in the port's input
    // queue for the program that opens it.
    std::string staleAtOpen = {};
    // The unit answers the status code "22227" with this text instead of its status record
    // ("" none), in a frame the program's receive check accepts.
    std::string garbageStatus = {};
    // A dial command pulls the modem out: the simulator closes both sides of its terminal pair.
    bool unplugWhileDialling = false;
    // Event codes (DLE s, q, d, c, u, T) and DLE DLE between the reported tones and inside their
    // bursts.
    bool interleaveEvents = false;
    // The DLE of the first and of the last tone of every answer goes out on its own, its code
    // SplitDleGapMs later, so that a reader gets the two in separate chunks.
    bool splitDlePairs = false;
    // A RING line and caller-id lines follow every answer.
    bool ringLines = false;
    // A parameter name ("" none): every unit stores a write to it wrong, one less or one more or
    // its last character changed, and still acknowledges the value written.
    std::string storeWrong = {};
};

// What today's voice modems do that the plain personas do not; each off by default. They are
// options of the V.253 personas (conexant, intel); the '#' persona ignores them.
struct SimModemBehaviour {
    // The ringback the modem hears after a dial: bursts ringbackOnMs long every
    // ringbackOnMs + ringbackOffMs (Nordic lines: 1000 and 5000). 0 for none (then the dial result
    // comes after the ring time). The unit answers in its ring number answerOnRing; tones sent
    // before it has answered are lost. The modem gives its dial result once +VRA tenths of a
    // second of silence follow a burst (default 50), or after +VRN seconds without ringback
    // (default 10); fast mode keeps these times.
    int ringbackOnMs = 0;
    int ringbackOffMs = 0;
    int answerOnRing = 1;
    // While it plays +VTS tones the modem reports them itself, DLE-framed as it reports the
    // unit's, before the OK of that +VTS.
    bool ownTones = false;
    // After each accepted login the far end hangs up; the modem reports it as DLE and this code:
    // 'd' (dial tone), 'l' (loop current dropped) or 'b' (busy tone). '\0' for none.
    char hangUpAfterLogin = '\0';
    // A command that comes within 100 ms of the modem's last result code is answered "ERROR"
    // and not carried out.
    bool errorOnQuickCommand = false;
    // A "RINGING" line for every ringback burst (or one after the dial without a cadence).
    bool ringingLines = false;
    // Tones reported without start or end marks, the tone again every 70 ms while it lasts
    // (Lucent/Agere chips).
    bool unmarkedTones = false;
    // A conexant that takes the '#' voice commands too (#CLS=8, #VBT, #VTS) and still answers
    // the dial with "OK".
    bool hashClass = false;
};

// What kind of voice modem the simulator is.
enum class SimModemPersona {
    Hash,     // the '#' voice commands; each received tone reported once as DLE + tone
    Conexant, // V.253: "ERROR" to '#' commands, "OK" as the voice dial result, tones shielded as
              // DLE '/', the tone repeated every 70 ms while it lasts, DLE '~'
    Intel,    // V.253 like Conexant, but "VCON" as the dial result and tones without a start mark,
              // ended by DLE 0x7F
    DataFax,  // a data and fax modem without a voice mode: "ERROR" to AT+FCLASS=8 and to AT#CLS=8
};
// "hash", "conexant", "intel" or "datafax".
const char* SimModemPersonaName(SimModemPersona persona);
// False for any other name.
bool ParseSimModemPersona(const std::string& name, SimModemPersona* persona);

// Durations in milliseconds. Fast mode sets them all to zero, except that the busy tone still
// comes 100 ms after the login answer (so that the two reach the reader apart); the modem's tone
// length (#VBT) counts only in realistic mode.
struct SimTiming {
    int ringMs = 2000;       // dial to "VCON" or "BUSY"
    int noAnswerMs = 8000;   // dial to "NO ANSWER"
    int replyGapMs = 300;    // end of the modem's tones ("OK") to the unit's first tone
    int unitToneMs = 100;    // spacing of the unit's tones
    int busyToneGapMs = 500; // end of the login answer to the busy tone (fault)
};

// The speech codec the line passes its sound through.
enum class SimCodec { None, ALaw, ULaw, Gsm };
// "none", "alaw", "ulaw" or "gsm".
const char* SimCodecName(SimCodec codec);
// False for any other name.
bool ParseSimCodec(const std::string& name, SimCodec* codec);

// The line as sound: with it on, every tone is played as audio (8 kHz) at a level, through a
// codec, with noise and echo added, to the far side's DTMF detector, and what that detector
// reports is what arrives. Off, the line is a perfect wire: every tone arrives as exactly that
// digit. Both directions: the modem's tones to the unit, the unit's answers to the modem.
struct SimSound {
    bool on = false;
    bool noise = false;         // white noise at snrDb below the tones' power
    double snrDb = 30;
    SimCodec codec = SimCodec::None;
    int levelDbm0 = -10;        // the level of each of the two frequencies of a tone
    bool echo = false;          // the sender's own signal again, echoDelayMs later, at echoDb
    int echoDb = -10;
    int echoDelayMs = 20;
    unsigned seed = 1;          // the noise of both directions; the same seed, the same noise
    int unitToneMs = 70;        // the unit plays each tone of its answers this long
    int unitGapMs = 70;         // with this much silence after each
    int modemGapMs = 50;        // the modem's silence after each tone it plays
};
// What the line's noise and echo may be, wherever they are set (options, configuration files).
constexpr double SimMinSnrDb = -20;
constexpr double SimMaxSnrDb = 100;
constexpr int SimMinEchoDb = -60;
constexpr int SimMaxEchoDb = 0;
// The presets of the line: "clean" (the perfect wire), "noisy" (old copper: 15 dB of noise) and
// "gsm" (a GSM gateway: the GSM 06.10 codec, noise 30 dB down). False for any other name.
bool ApplySimLinePreset(const std::string& name, SimSound* sound);

class ISimToneLine;
// Makes the line that carries tones as sound (sim/SimToneLine.h); none where the program has no
// line model.
using SimToneLineFactory = std::function<std::unique_ptr<ISimToneLine>(const SimSound& sound)>;

struct SimConfig {
    std::vector<SimLine> lines;
    bool fast = false;       // no delays at all: tones, rings and answers at once
    bool transcript = false; // every line both ways, with timestamps, to standard error
    // Where transcript lines go instead of standard error (each text ends in a line feed).
    std::function<void(std::string_view text)> transcriptSink;
    SimFaults faults;
    SimTiming timing;
    SimModemPersona modem = SimModemPersona::Hash;
    SimModemBehaviour behaviour;
    SimSound sound;
    // Needed when sound.on: the simulator refuses to start without it.
    SimToneLineFactory makeToneLine;
};

// A telephone number as the modem compares it: without the spacing characters a modem skips
// when it dials (space, '-', '(', ')' and '.') and the tone and pulse switches 'T' and 'P', so
// "(555) 010-0" and "T555 0100" are "5550100".
std::string CanonicalNumber(std::string_view number);

// One line "5550100" answering with voice, one unit 1 with code "3958", firmware "207" and
// plausible settings; realistic timing.
SimConfig DefaultSimConfig();

// Checks what a unit could not hold: unit numbers outside 1..6 or twice on a line, a code that is
// not four digits, a firmware that is not three digits with the major version 1 or 2, unknown
// setting names, values that do not fit their parameter, two lines with one number (spacing aside),
// fault texts that cannot be played. False with a message naming the line, unit and field.
bool ValidateSimConfig(const SimConfig& config, std::string* error);
// The same for one setting in its slot form.
bool ValidateSimSetting(const std::string& name, const std::string& value, std::string* error);
