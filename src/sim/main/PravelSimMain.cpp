// pravel-sim: a simulated voice modem with Emergency phone units behind it, on a pseudo-terminal.
// Prints "port: /dev/pts/N" as its first line and serves until SIGINT or SIGTERM, or until the
// modem is unplugged (fault).
#include <CLI/CLI.hpp>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <poll.h>
#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include "sim/ReplayServer.h"
#include "sim/SimConfigFile.h"
#include "sim/Simulator.h"
#ifdef PRAVEL_LINE_MODEL
#include "sim/LineModel.h"
#endif

namespace {

// Exit statuses.
constexpr int ExitOk = 0;
constexpr int ExitFailure = 1; // an invalid configuration file, no pseudo-terminal, the modem unplugged
constexpr int ExitUsage = 2;   // an unknown option or a bad option value

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The C escapes a shell passes on unchanged: \r \n \t \\ and \xHH (two hex digits). An empty text
// when the escapes are malformed, with *error set.
std::string Unescape(const std::string& text, std::string* error)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        ++i;
        switch (next) {
        case 'r':
            out += '\r';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case '\\':
            out += '\\';
            break;
        case 'x': {
            const int high = i + 1 < text.size() ? HexValue(text[i + 1]) : -1;
            const int low = i + 2 < text.size() ? HexValue(text[i + 2]) : -1;
            if (high < 0 || low < 0) {
                *error = "\\x needs two hexadecimal digits";
                return std::string();
            }
            out += static_cast<char>(high * 16 + low);
            i += 2;
            break;
        }
        default:
            *error = next == '\0' ? std::string("a lone \\ at the end")
                                   : std::string("unknown escape \\") + next + " (use \\r, \\n, \\t, \\\\ or \\xHH)";
            return std::string();
        }
    }
    return out;
}

// Three digits, the first the major version 1 or 2.
std::string CheckFirmware(const std::string& value)
{
    const bool digits = value.size() == 3 && value.find_first_not_of("0123456789") == std::string::npos;
    if (!digits || (value[0] != '1' && value[0] != '2'))
        return "must be three digits, the first 1 or 2 (such as 207)";
    return std::string();
}

// --replay: serves the trace until it has been played through, or until SIGINT or SIGTERM. Every
// command that differs from the trace is reported on standard error; the status is 0 when the whole
// trace was played with no difference.
int Replay(const std::string& path, int signalFd)
{
    CTraceReplay replay;
    std::string error;
    if (!replay.Load(path, &error)) {
        std::cerr << "pravel-sim: " << error << "\n";
        return ExitFailure;
    }
    replay.SetNotes([](std::string_view text) { std::cerr << "pravel-sim: replay: " << text << std::endl; });
    const size_t commands = replay.CommandCount();
    CReplayServer server;
    if (!server.Start(std::move(replay), SimLink::Pty, &error)) {
        std::cerr << "pravel-sim: " << error << "\n";
        return ExitFailure;
    }
    std::printf("port: %s\n", server.DevicePath().c_str());
    std::fflush(stdout);
    pollfd waits[2] = {{signalFd, POLLIN, 0}, {server.FinishedEvent().Fd(), POLLIN, 0}};
    while (::poll(waits, 2, -1) < 0 && errno == EINTR) {
    }
    const bool finished = server.FinishedEvent().IsSet();
    if (finished) {
        // The last answer is on its way: give the program a moment to take it before the line goes.
        pollfd signal{signalFd, POLLIN, 0};
        (void)::poll(&signal, 1, 500);
    }
    server.Stop();
    const int differences = server.Differences();
    std::printf("replay: %zu of %zu commands as in the trace, %d differing%s\n", server.Matched(), commands,
                differences, finished ? "" : " (stopped before the end of the trace)");
    std::fflush(stdout);
    return finished && differences == 0 ? ExitOk : ExitFailure;
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"Simulated voice modem and lift emergency telephone units for Pravel.\n"
                 "Opens a pseudo-terminal, prints \"port: /dev/pts/N\" as its first line and serves\n"
                 "the modem on it until ended with Ctrl-C (SIGINT) or SIGTERM. Point Pravel's serial\n"
                 "port at that path.",
                 "pravel-sim"};

    app.footer("The modem answers Z, E0/E1, #CLS=8, #VBT=n, #VTS=<tones>, D/DT<number>, H and I; anything\n"
               "else is \"ERROR\". --modem conexant and intel speak V.253 instead: +FCLASS=8, +VIT, +VTD=n,\n"
               "+VTS=<tones, {tone,dur}, [f1,f2,dur]>, \"ERROR\" to every '#' command; they report tones as\n"
               "bursts (DLE / tone... DLE ~, or tone... DLE 0x7F) and dial into voice with OK or VCON. In a call the unit selected with tones '#' and its digit answers framed codes\n"
               "(login \"20\"+code, reads \"22\"+location, writes \"21\"+location+value, status \"22227\", log-off\n"
               "\"99\") as DLE-prefixed tones after the modem's OK. A telephone number matches with or without the\n"
               "spacing characters space - ( ) and '.'. --stale-at-open takes the escapes \\r \\n \\t \\\\ and \\xHH.\n"
               "Exit status: 0 after SIGINT/SIGTERM, --help or --version; 1 for an invalid configuration file,\n"
               "no pseudo-terminal, or the modem unplugged (--unplug-while-dialling); 2 for an unknown option or\n"
               "a bad option value. See pravel-sim(1) for the --config file.");
    app.set_version_flag("--version", std::string("pravel-sim ") + PRAVEL_VERSION);

    std::string number = "5550100";
    std::string code = "3958";
    int unit = 1;
    std::string firmware = "207";
    bool busy = false, noAnswer = false, silent = false;
    bool fast = false, transcript = false;
    std::string configFile;
    int corrupt = 0, drop = 0, answerDelay = 0;
    bool busyTone = false, deadModem = false;
    std::vector<int> absent;
    bool corruptAll = false, loneXoff = false, unplug = false;
    std::string staleAtOpen, garbageStatus, storeWrong;
    std::string persona;
    bool interleave = false, splitPairs = false, ringLines = false;
    std::vector<int> ringback;
    int answerOnRing = 0;
    std::string hangUp;
    bool ownTones = false, quickError = false, ringing = false, unmarked = false, hashClass = false;
    bool noRingback = false;
    std::string replayFile;
    std::string linePreset, codecName;
    double snr = 0;
    int level = 0, echo = 0, echoDelay = 0, unitTone = 0, unitGap = 0, modemGap = 0;
    unsigned seed = 1;

    auto* numberOpt = app.add_option("--number", number, "Telephone number the unit answers on")->capture_default_str();
    auto* codeOpt = app.add_option("--code", code, "The unit's programming code (four digits)")->capture_default_str();
    auto* unitOpt =
        app.add_option("--unit", unit, "The unit's number on the line")->check(CLI::Range(1, 6))->capture_default_str();
    auto* firmwareOpt =
        app.add_option("--firmware", firmware, "Firmware version, three digits; major 1 or 2")
            ->check(CLI::Validator(CheckFirmware, "VER"))
            ->capture_default_str();
    auto* busyOpt = app.add_flag("--busy", busy, "The number is busy: the modem reports BUSY");
    auto* noAnswerOpt = app.add_flag("--no-answer", noAnswer, "Nobody answers: the modem reports NO ANSWER");
    auto* silentOpt = app.add_flag("--silent", silent, "Dialling the number kills the modem: it says nothing more");
    busyOpt->excludes(noAnswerOpt, silentOpt);
    noAnswerOpt->excludes(silentOpt);
    auto* configOpt = app.add_option("--config", configFile,
                                     "JSON file with lines, units, settings, timing and faults\n"
                                     "(see pravel-sim(1)); excludes the line and unit options")
                          ->check(CLI::ExistingFile);
    for (CLI::Option* o : {numberOpt, codeOpt, unitOpt, firmwareOpt, busyOpt, noAnswerOpt, silentOpt})
        configOpt->excludes(o);
    app.add_flag("--fast", fast, "No delays: tones, rings and answers at once (for tests)");
    app.add_flag("--transcript", transcript, "Write every line both ways, with timestamps, to standard error");
    app.add_option("--corrupt-answers", corrupt, "Give the next N answers a wrong check digit")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--drop-answers", drop, "Leave the next N answers unplayed")->check(CLI::NonNegativeNumber);
    app.add_flag("--busy-tone-after-login", busyTone, "Play a busy tone and drop the call after each login");
    app.add_option("--answer-delay", answerDelay, "Start every answer this many milliseconds late")
        ->check(CLI::Range(0, 3600000));
    app.add_option("--absent-unit", absent, "A unit that never answers (may be repeated)")->check(CLI::Range(1, 6));
    app.add_flag("--dead-modem", deadModem, "The modem says nothing at all, from the start");
    app.add_flag("--corrupt-all-answers", corruptAll, "Give every answer a wrong check digit");
    app.add_flag("--lone-xoff", loneXoff, "Send one XOFF byte (0x13) after the OK to ATE0");
    app.add_option("--stale-at-open", staleAtOpen,
                   "Bytes waiting on the port before it is opened, with C escapes,\n"
                   "such as '\\r\\nRING\\r\\n\\r\\nNO CARRIER\\r\\n'");
    app.add_option("--garbage-status", garbageStatus,
                   "Answer the status code 22227 with this text, in a frame that\n"
                   "passes Pravel's check (such as ZZZZZZZZZZZZZZZZZZZ)");
    app.add_option("--store-wrong", storeWrong,
                   "Store a write to this parameter (such as AlarmCode1) wrong, yet acknowledge\n"
                   "the value written: only reading it back shows it")
        ->type_name("PARAM");
    app.add_flag("--unplug-while-dialling", unplug, "A dial pulls the modem out: the port hangs up and goes away");
    app.add_option("--modem", persona, "The kind of modem: hash (the default), conexant, intel, or datafax (no voice mode);\n"
                                       "overrides the --config file's \"modem\"")
        ->check(CLI::IsMember({"hash", "conexant", "intel", "datafax"}));
    app.add_flag("--interleave-events", interleave,
                 "Event codes (DLE s q d c u T) and DLE DLE between and inside the reported tones");
    app.add_flag("--split-dle-pairs", splitPairs,
                 "Send the DLE of an answer's first and last tone apart from its code (60 ms later)");
    app.add_flag("--ring-lines", ringLines, "A RING line and caller-id lines after every answer");
    // What real V.253 modems do (conexant and intel).
    app.add_option("--ringback", ringback,
                   "Ringback cadence ON OFF in milliseconds (Nordic: 1000 5000); the dial result\n"
                   "follows +VRA tenths of silence after a burst")
        ->expected(2)
        ->check(CLI::Range(1, 60000));
    app.add_option("--answer-on-ring", answerOnRing, "The unit answers in this ring (with --ringback)")
        ->check(CLI::Range(1, 20));
    app.add_flag("--own-tones", ownTones, "The modem reports the tones it plays, before their OK");
    app.add_option("--hang-up-after-login", hangUp,
                   "The far end hangs up after each login, reported as DLE d, l or b")
        ->check(CLI::IsMember({"d", "l", "b"}));
    app.add_flag("--error-on-quick-command", quickError,
                 "ERROR to a command sent within 100 ms of the last result code");
    app.add_flag("--ringing-lines", ringing, "RINGING lines while the far end rings");
    app.add_flag("--unmarked-tones", unmarked, "Tones reported without marks, repeated every 70 ms (Lucent)");
    app.add_flag("--hash-class", hashClass, "conexant: take the '#' voice commands too, dial result OK");
    auto* noRingbackOpt = app.add_flag("--no-ringback", noRingback,
                                       "The number gives no ringback: intel answers the dial ERROR after +VRN");
    configOpt->excludes(noRingbackOpt);

    // The line as sound.
    auto* lineOpt = app.add_option("--line", linePreset,
                                   "The line: clean (a perfect wire, the default), noisy (15 dB of noise) or gsm\n"
                                   "(a GSM 06.10 gateway, noise 30 dB down); the tones go through it as sound")
                        ->check(CLI::IsMember({"clean", "noisy", "gsm"}));
    auto* snrOpt = app.add_option("--snr", snr, "White noise this many dB below the tones")->check(CLI::Range(SimMinSnrDb, SimMaxSnrDb));
    auto* codecOpt = app.add_option("--codec", codecName, "The speech codec of the line: none, alaw, ulaw or gsm")
                         ->check(CLI::IsMember({"none", "alaw", "ulaw", "gsm"}));
    auto* levelOpt = app.add_option("--level", level, "The tones' level in dBm0 (each frequency; default -10)")
                         ->check(CLI::Range(-60, 3));
    auto* echoOpt = app.add_option("--echo", echo, "An echo of the sender's signal this many dB down (such as -10)")
                        ->check(CLI::Range(SimMinEchoDb, SimMaxEchoDb));
    auto* echoDelayOpt = app.add_option("--echo-delay", echoDelay, "The echo's delay in ms (default 20)")
                             ->check(CLI::Range(1, 500));
    auto* seedOpt = app.add_option("--seed", seed, "The noise's seed: the same seed, the same noise (default 1)");
    auto* unitToneOpt = app.add_option("--unit-tone", unitTone, "The unit plays each tone this many ms (default 70)")
                            ->check(CLI::Range(10, 1000));
    auto* unitGapOpt = app.add_option("--unit-gap", unitGap, "The unit's silence after each tone in ms (default 70)")
                           ->check(CLI::Range(10, 1000));
    auto* modemGapOpt = app.add_option("--modem-gap", modemGap, "The modem's silence after each tone in ms (default 50)")
                            ->check(CLI::Range(0, 1000));

    app.add_option("--replay", replayFile,
                   "Play the modem's side of a modem trace (pravel-cli --trace FILE) back: each command is\n"
                   "answered as the trace has it, at the recorded delays; a command that differs is reported.\n"
                   "Ends after the last answer with status 0, or 1 when anything differed")
        ->check(CLI::ExistingFile)
        ->type_name("FILE");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help and --version end here too, with status 0.
        return app.exit(e) == 0 ? ExitOk : ExitUsage;
    }
    std::string escapeError;
    staleAtOpen = Unescape(staleAtOpen, &escapeError);
    if (!escapeError.empty()) {
        std::cerr << "pravel-sim: --stale-at-open: " << escapeError << "\n";
        return ExitUsage;
    }

    SimConfig config = DefaultSimConfig();
    std::string error;
    if (!configFile.empty()) {
        if (!LoadSimConfigFile(configFile, &config, &error)) {
            std::cerr << "pravel-sim: " << error << "\n";
            return ExitFailure;
        }
    } else {
        SimLine& line = config.lines.front();
        line.number = number;
        line.answer = busy       ? SimLine::Answer::Busy
                      : noAnswer ? SimLine::Answer::NoAnswer
                      : silent   ? SimLine::Answer::Silent
                      : noRingback ? SimLine::Answer::NoRingback
                                 : SimLine::Answer::Voice;
        line.units.front().unit = unit;
        line.units.front().programmingCode = code;
        line.units.front().firmware = firmware;
    }
    config.fast = config.fast || fast;
    config.transcript = config.transcript || transcript;
    SimFaults& faults = config.faults;
    faults.corruptNextAnswers = std::max(faults.corruptNextAnswers, corrupt);
    faults.dropNextAnswers = std::max(faults.dropNextAnswers, drop);
    faults.busyToneAfterLogin = faults.busyToneAfterLogin || busyTone;
    faults.answerDelayMs = std::max(faults.answerDelayMs, answerDelay);
    faults.deadModem = faults.deadModem || deadModem;
    faults.absentUnits.insert(faults.absentUnits.end(), absent.begin(), absent.end());
    faults.corruptAllAnswers = faults.corruptAllAnswers || corruptAll;
    faults.loneXoff = faults.loneXoff || loneXoff;
    faults.unplugWhileDialling = faults.unplugWhileDialling || unplug;
    faults.interleaveEvents = faults.interleaveEvents || interleave;
    faults.splitDlePairs = faults.splitDlePairs || splitPairs;
    faults.ringLines = faults.ringLines || ringLines;
    if (!persona.empty())
        ParseSimModemPersona(persona, &config.modem);
    SimModemBehaviour& behaviour = config.behaviour;
    if (ringback.size() == 2) {
        behaviour.ringbackOnMs = ringback[0];
        behaviour.ringbackOffMs = ringback[1];
    }
    if (answerOnRing > 0)
        behaviour.answerOnRing = answerOnRing;
    if (!hangUp.empty())
        behaviour.hangUpAfterLogin = hangUp[0];
    behaviour.ownTones = behaviour.ownTones || ownTones;
    behaviour.errorOnQuickCommand = behaviour.errorOnQuickCommand || quickError;
    behaviour.ringingLines = behaviour.ringingLines || ringing;
    behaviour.unmarkedTones = behaviour.unmarkedTones || unmarked;
    behaviour.hashClass = behaviour.hashClass || hashClass;
    if (!staleAtOpen.empty())
        faults.staleAtOpen = staleAtOpen;
    if (!garbageStatus.empty())
        faults.garbageStatus = garbageStatus;
    if (!storeWrong.empty())
        faults.storeWrong = storeWrong;
    // The line: the preset first, then what is set beside it; any setting but the seed puts the
    // sound on.
    SimSound& sound = config.sound;
    if (seedOpt->count() > 0)
        sound.seed = seed;
    if (lineOpt->count() > 0)
        ApplySimLinePreset(linePreset, &sound);
    for (CLI::Option* o : {snrOpt, codecOpt, levelOpt, echoOpt, echoDelayOpt, unitToneOpt, unitGapOpt, modemGapOpt})
        if (o->count() > 0)
            sound.on = true;
    if (snrOpt->count() > 0) {
        sound.noise = true;
        sound.snrDb = snr;
    }
    if (codecOpt->count() > 0)
        ParseSimCodec(codecName, &sound.codec);
    if (levelOpt->count() > 0)
        sound.levelDbm0 = level;
    if (echoOpt->count() > 0) {
        sound.echo = true;
        sound.echoDb = echo;
    }
    if (echoDelayOpt->count() > 0)
        sound.echoDelayMs = echoDelay;
    if (unitToneOpt->count() > 0)
        sound.unitToneMs = unitTone;
    if (unitGapOpt->count() > 0)
        sound.unitGapMs = unitGap;
    if (modemGapOpt->count() > 0)
        sound.modemGapMs = modemGap;
#ifdef PRAVEL_LINE_MODEL
    config.makeToneLine = CLineModel::Make;
#else
    if (sound.on) {
        std::cerr << "pravel-sim: this pravel-sim has no line model: the line can only be clean\n";
        return ExitUsage;
    }
#endif
    // A configuration file has been checked on its own: what fails now came from the options.
    if (!ValidateSimConfig(config, &error)) {
        std::cerr << "pravel-sim: invalid simulator configuration: " << error << "\n";
        return ExitUsage;
    }

    // The signals are taken through a signal descriptor below: block them before any thread starts.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    const int signalFd = ::signalfd(-1, &signals, SFD_CLOEXEC);
    if (signalFd < 0) {
        std::perror("pravel-sim: signalfd");
        return ExitFailure;
    }

    if (!replayFile.empty()) {
        const int status = Replay(replayFile, signalFd);
        ::close(signalFd);
        return status;
    }

    CSimulator simulator;
    if (!simulator.Start(config, &error)) {
        std::cerr << "pravel-sim: " << error << "\n";
        return ExitFailure;
    }
    std::printf("port: %s\n", simulator.DevicePath().c_str());
    std::fflush(stdout);

    pollfd waits[2] = {{signalFd, POLLIN, 0}, {simulator.UnpluggedFd(), POLLIN, 0}};
    while (::poll(waits, 2, -1) < 0 && errno == EINTR) {
    }
    const bool unplugged = simulator.WaitUnplugged(0);
    simulator.Stop();
    ::close(signalFd);
    if (unplugged) {
        std::printf("unplugged: the modem was pulled out while dialling\n");
        std::fflush(stdout);
        return ExitFailure;
    }
    return ExitOk;
}
