// pravel-sim: a simulated voice modem with Emergency phone units behind it, on a pseudo-terminal.
// Prints "port: /dev/pts/N" as its first line and serves until SIGINT or SIGTERM.
#include <CLI/CLI.hpp>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <pthread.h>

#include "sim/SimConfigFile.h"
#include "sim/Simulator.h"

int main(int argc, char** argv)
{
    CLI::App app{"Simulated voice modem and lift emergency telephone units for Pravel.\n"
                 "Opens a pseudo-terminal, prints \"port: /dev/pts/N\" as its first line and serves\n"
                 "the modem on it until ended with Ctrl-C (SIGINT) or SIGTERM. Point Pravel's serial\n"
                 "port at that path.",
                 "pravel-sim"};

    app.footer("The modem answers Z, E0/E1, #CLS=8, #VBT=n, #VTS=<tones>, D/DT<number>, H and I; anything\n"
               "else is \"ERROR\". In a call the unit selected with tones '#' and its digit answers framed codes\n"
               "(login \"20\"+code, reads \"22\"+location, writes \"21\"+location+value, status \"22227\", log-off\n"
               "\"99\") as DLE-prefixed tones after the modem's OK. Exit status: 0 after SIGINT/SIGTERM, 1 for an\n"
               "invalid configuration or no pseudo-terminal. See pravel-sim(1) for the --config file.");

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

    auto* numberOpt = app.add_option("--number", number, "Telephone number the unit answers on")->capture_default_str();
    auto* codeOpt = app.add_option("--code", code, "The unit's programming code (four digits)")->capture_default_str();
    auto* unitOpt =
        app.add_option("--unit", unit, "The unit's number on the line")->check(CLI::Range(1, 6))->capture_default_str();
    auto* firmwareOpt =
        app.add_option("--firmware", firmware, "Firmware version, three digits; major 1 or 2")->capture_default_str();
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

    CLI11_PARSE(app, argc, argv);

    SimConfig config = DefaultSimConfig();
    std::string error;
    if (!configFile.empty()) {
        if (!LoadSimConfigFile(configFile, &config, &error)) {
            std::cerr << "pravel-sim: " << error << "\n";
            return 1;
        }
    } else {
        SimLine& line = config.lines.front();
        line.number = number;
        line.answer = busy       ? SimLine::Answer::Busy
                      : noAnswer ? SimLine::Answer::NoAnswer
                      : silent   ? SimLine::Answer::Silent
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

    // The signals are taken by sigwait below, on this thread only: block them before any thread starts.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    CSimulator simulator;
    if (!simulator.Start(config, &error)) {
        std::cerr << "pravel-sim: " << error << "\n";
        return 1;
    }
    std::printf("port: %s\n", simulator.DevicePath().c_str());
    std::fflush(stdout);

    int received = 0;
    sigwait(&signals, &received);
    simulator.Stop();
    return 0;
}
