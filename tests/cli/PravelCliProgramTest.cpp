// The real pravel-cli program: usage errors, help, and the README's first command.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <future>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/SimulatorProcess.h"
#include "sim/Simulator.h"

extern char** environ;

namespace {

struct ProgramRun {
    int status = -1; // exit status; -1 when it did not end in time or died of a signal
    std::string out;
    std::string err;
};

// Called with the program's pid and its standard error so far, each time more of it arrives.
using Watch = std::function<void(pid_t pid, const std::string& err)>;

// Runs pravel-cli with the arguments, both outputs on pipes, and waits at most timeout for its end.
// ownGroup: in a process group of its own, as a terminal's foreground job is (a Ctrl-C there goes to
// the whole group).
ProgramRun RunProgram(std::vector<std::string> args, std::chrono::seconds timeout = std::chrono::seconds(60),
                      const Watch& watch = {}, bool ownGroup = false)
{
    ProgramRun run;
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
        return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    args.insert(args.begin(), PRAVEL_CLI_PATH);
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    if (ownGroup) {
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, 0);
    }
    bool spawned = posix_spawn(&pid, PRAVEL_CLI_PATH, &actions, &attributes, argv.data(), environ) == 0;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    if (spawned) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
        int open = 2;
        while (open > 0) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0 || ::poll(fds, 2, static_cast<int>(left.count())) <= 0)
                break;
            for (int i = 0; i < 2; ++i) {
                if (fds[i].fd < 0 || fds[i].revents == 0)
                    continue;
                char buffer[4096];
                ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
                if (got <= 0) {
                    fds[i].fd = -1;
                    --open;
                } else {
                    (i == 0 ? run.out : run.err).append(buffer, static_cast<size_t>(got));
                    if (i == 1 && watch)
                        watch(pid, run.err);
                }
            }
        }
        if (open > 0)
            ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (open == 0 && WIFEXITED(status))
            run.status = WEXITSTATUS(status);
    }
    ::close(out[0]);
    ::close(err[0]);
    return run;
}

} // namespace

TEST(PravelCliProgram, HelpAndBadUsage)
{
    ProgramRun help = RunProgram({"read", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--simulate"), std::string::npos) << help.out;

    ProgramRun bad = RunProgram({"read", "--simulate"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("--all"), std::string::npos) << bad.err;
    EXPECT_EQ(bad.out, "");
}

TEST(PravelCliProgram, ReadsTheSimulatedUnitAsJson)
{
    ProgramRun run = RunProgram({"read", "--simulate", "--all", "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    nlohmann::json result = nlohmann::json::parse(run.out);
    EXPECT_EQ(result["outcome"], "completed");
    EXPECT_TRUE(result["error"].is_null());
    EXPECT_EQ(result["firmware"], "2.0.7");
    EXPECT_EQ(result["power"], "External power");
    EXPECT_EQ(result["values"].size(), 21u);
    EXPECT_EQ(result["values"]["NewProgrammingCode"], "3958");
    EXPECT_TRUE(result["notTransferred"].empty());
    // Standard error is no terminal here: one line per caption, no trace.
    EXPECT_EQ(run.err, "Pravel 1.09 - Dialing (60)\nPravel 1.09 - Connected/Logging in\nPravel 1.09 - Transfer\n");
}

// --modem chooses the voice commands, --sim-modem the kind of simulated modem.
TEST(PravelCliProgram, ModemProfilesAgainstTheSimulatedModems)
{
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string errorPart; // in the JSON error or on standard error; empty: completed
    } cases[] = {
        {{"--sim-modem", "conexant"}, 0, ""},
        {{"--sim-modem", "conexant", "--modem", "hash"}, 1, "has no voice mode: it answered \"ERROR\" to \"AT#CLS=8\""},
        {{"--sim-modem", "hash", "--modem", "v253"}, 1, "has no voice mode: it answered \"ERROR\" to \"AT+FCLASS=8\""},
        {{"--modem", "v.253"}, 2, "--modem"},
        {{"--sim-modem", "usr"}, 2, "--sim-modem"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"read", "--simulate", "--param", "AlarmReceiver1", "--json"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        ProgramRun run = RunProgram(args);
        SCOPED_TRACE(c.args.back());
        EXPECT_EQ(run.status, c.status) << run.err;
        if (c.status == 2) {
            EXPECT_NE((run.out + run.err).find(c.errorPart), std::string::npos) << run.out << run.err;
            continue;
        }
        nlohmann::json result = nlohmann::json::parse(run.out);
        if (c.errorPart.empty()) {
            EXPECT_EQ(result["outcome"], "completed");
            EXPECT_EQ(result["values"]["AlarmReceiver1"], SimUnit{}.settings.at("AlarmReceiver1"));
        } else {
            ASSERT_TRUE(result["error"].is_string()) << run.out;
            EXPECT_NE(result["error"].get<std::string>().find(c.errorPart), std::string::npos) << run.out;
        }
    }
}

TEST(PravelCliProgram, HangUpAndTerminateStopTheJobAndExitOne)
{
    // A modem that falls silent once it has dialled: the job would wait a minute for it.
    SimConfig config = DefaultSimConfig();
    config.fast = true;
    config.lines.front().answer = SimLine::Answer::Silent;
    for (int signal : {SIGHUP, SIGTERM}) {
        CSimulator sim;
        std::string error;
        ASSERT_TRUE(sim.Start(config, &error)) << error;
        bool sent = false;
        auto started = std::chrono::steady_clock::now();
        ProgramRun run = RunProgram({"read", "--port", sim.DevicePath(), "--number", "5550100", "--code", "3958",
                                     "--all"},
                                    std::chrono::seconds(40), [&](pid_t pid, const std::string& err) {
                                        if (!sent && err.find("Dialing") != std::string::npos) {
                                            sent = true;
                                            ::kill(pid, signal);
                                        }
                                    });
        EXPECT_TRUE(sent) << run.err;
        EXPECT_EQ(run.status, 1) << strsignal(signal) << "\n" << run.err; // -1: killed by it, or hung
        EXPECT_NE(run.err.find("pravel-cli: Interrupted"), std::string::npos) << run.err;
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
    }
}

namespace {

// Runs a bash script with the completion loaded; its standard output, one completion a line.
std::vector<std::string> Complete(const std::string& words, int current)
{
    const std::string script = "source '" PRAVEL_SOURCE_DIR "/data/completion/pravel-cli.bash' || exit 3; "
                               "COMP_WORDS=(" + words + "); COMP_CWORD=" + std::to_string(current) +
                               "; _pravel_cli; printf '%s\\n' \"${COMPREPLY[@]}\"";
    std::vector<std::string> lines;
    std::string quoted;
    for (char c : script)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    FILE* pipe = ::popen(("bash --norc -c '" + quoted + "' 2>&1").c_str(), "r");
    if (pipe == nullptr)
        return lines;
    char buffer[512];
    std::string out;
    while (size_t got = fread(buffer, 1, sizeof buffer, pipe))
        out.append(buffer, got);
    EXPECT_EQ(::pclose(pipe), 0) << out;
    size_t start = 0;
    for (size_t end = out.find('\n'); end != std::string::npos; end = out.find('\n', start)) {
        if (end > start)
            lines.push_back(out.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

} // namespace

TEST(PravelCliProgram, BashCompletionLoadsAndCompletes)
{
    using Lines = std::vector<std::string>;
    EXPECT_EQ(Complete("pravel-cli re", 1), Lines{"read"});
    EXPECT_EQ(Complete("pravel-cli read --param AlarmC", 3), (Lines{"AlarmCode1", "AlarmCode2"}));
    EXPECT_EQ(Complete("pravel-cli write --set LedS", 3), Lines{"LedSequence="});
    EXPECT_EQ(Complete("pravel-cli read --modem v", 3), Lines{"v253"});
    // Options come from the program's own --help.
    EXPECT_EQ(Complete("'" PRAVEL_CLI_PATH "' read --sav", 2), (Lines{"--save", "--save-partial"}));
    EXPECT_EQ(Complete("'" PRAVEL_CLI_PATH "' show --cs", 2), Lines{"--csv"});
}

// The names the completion offers are the program's parameters, all of them.
TEST(PravelCliProgram, CompletionScriptsKnowEveryParameter)
{
    ProgramRun unknown = RunProgram({"read", "--simulate", "--param", "x"});
    const std::string listed = "The parameters are: ";
    size_t at = unknown.err.find(listed);
    ASSERT_NE(at, std::string::npos) << unknown.err;
    std::string names = unknown.err.substr(at + listed.size());
    names = names.substr(0, names.find('.'));
    std::vector<std::string> expected;
    for (size_t start = 0; start < names.size();) {
        size_t end = names.find(", ", start);
        expected.push_back(names.substr(start, end == std::string::npos ? std::string::npos : end - start));
        start = end == std::string::npos ? names.size() : end + 2;
    }
    ASSERT_EQ(expected.size(), 21u);
    EXPECT_EQ(Complete("pravel-cli read --param ''", 3), expected);
    // The zsh script's list, in the same order.
    std::ifstream file(std::string(PRAVEL_SOURCE_DIR) + "/data/completion/_pravel-cli");
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const size_t start = text.find("parameters=(");
    ASSERT_NE(start, std::string::npos);
    std::istringstream list(text.substr(start + 12, text.find(')', start) - start - 12));
    std::vector<std::string> zsh{std::istream_iterator<std::string>(list), std::istream_iterator<std::string>()};
    EXPECT_EQ(zsh, expected);
}

// A pravel-sim running on this machine is listed by ports, as the port dialog lists it.
TEST(PravelCliProgram, PortsListsRunningSimulators)
{
    int out[2];
    ASSERT_EQ(::pipe2(out, O_CLOEXEC), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    std::string path = PRAVEL_SIM_PATH;
    std::vector<char*> argv = {path.data(), nullptr};
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, PRAVEL_SIM_PATH, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    // Its first line names the port: "port: /dev/pts/N".
    std::string line;
    char c = 0;
    pollfd wait = {out[0], POLLIN, 0};
    while (line.find('\n') == std::string::npos && ::poll(&wait, 1, 10000) > 0 && ::read(out[0], &c, 1) == 1)
        line += c;
    ASSERT_EQ(line.rfind("port: ", 0), 0u) << line;
    const std::string port = line.substr(6, line.find('\n') - 6);

    ProgramRun run = RunProgram({"ports", "--json"});
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    ::close(out[0]);
    ASSERT_EQ(run.status, 0) << run.err;
    bool listed = false;
    for (const auto& entry : nlohmann::json::parse(run.out))
        listed = listed || (entry["path"] == port && entry["driver"] == "pravel-sim");
    EXPECT_TRUE(listed) << port << "\n" << run.out;
}

#ifdef PRAVEL_SIM_LINE_MODEL
// A pravel-sim in fast mode with these options, started as pravel-cli starts its own; its port,
// or empty when it did not start. Stopped and reaped at the end of the test.
struct SimProgram {
    CSimulatorProcess process;
    std::string port;
    explicit SimProgram(std::vector<std::string> args)
    {
        args.insert(args.begin(), {PRAVEL_SIM_PATH, "--fast"});
        std::string problem;
        if (process.Start(args, 10000, &problem))
            port = process.DevicePath();
        else
            ADD_FAILURE() << problem;
    }
};

// Over a simulated GSM gateway with noise 20 dB down, the tones as sound both ways, the read-all
// still completes through the pseudo-terminal with every value.
TEST(PravelCliProgram, ReadsAllOverANoisyGsmLine)
{
    SimProgram sim({"--line", "gsm", "--snr", "20", "--seed", "3"});
    ASSERT_FALSE(sim.port.empty());
    ProgramRun run =
        RunProgram({"read", "--port", sim.port, "--number", "5550100", "--code", "3958", "--all", "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    nlohmann::json result = nlohmann::json::parse(run.out);
    EXPECT_EQ(result["outcome"], "completed");
    EXPECT_EQ(result["firmware"], "2.0.7");
    EXPECT_EQ(result["values"].size(), 21u);
    EXPECT_EQ(result["values"]["NewProgrammingCode"], "3958");
}

// A GSM gateway that clips the unit's tones to 40 ms in noise 10 dB down: the unit hears the
// program, but its answers keep arriving spoilt. The call ends with the message that names the
// line, well within the watchdog's bound (15 s without a step), and the values of no answer.
TEST(PravelCliProgram, EndsTheCallOnAHopelessLineWithTheNoisyLineMessage)
{
    SimProgram sim({"--line", "gsm", "--snr", "10", "--unit-tone", "40", "--seed", "1"});
    ASSERT_FALSE(sim.port.empty());
    const auto start = std::chrono::steady_clock::now();
    ProgramRun run =
        RunProgram({"read", "--port", sim.port, "--number", "5550100", "--code", "3958", "--all", "--json"},
                   std::chrono::seconds(30));
    const auto took = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(run.status, 1) << run.err;
    nlohmann::json result = nlohmann::json::parse(run.out);
    EXPECT_EQ(result["outcome"], "failed");
    EXPECT_EQ(result["reason"], "noisy-line");
    EXPECT_EQ(result["error"].get<std::string>().rfind("The line is too noisy for DTMF: ", 0), 0u) << result["error"];
    EXPECT_TRUE(result["values"].empty()) << result["values"];
    EXPECT_LT(took, std::chrono::seconds(15));
}
#endif

// The line as sound under --simulate: pravel-cli starts a pravel-sim of its own. PRAVEL_SIM points
// at a stand-in that records its arguments, one a line, and then runs the real one.
class SimulateOverTheLine : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        for (char& c : name)
            c = c == '/' ? '_' : c;
        const std::string dir = ::testing::TempDir() + "simulate_line_" + name;
        ::mkdir(dir.c_str(), 0755);
        m_arguments = dir + "/arguments";
        m_program = dir + "/pravel-sim";
        std::remove(m_arguments.c_str());
        std::remove((m_arguments + ".pid").c_str());
        std::ofstream(m_program) << "#!/bin/sh\necho $$ > '" << m_arguments << ".pid'\nprintf '%s\\n' \"$@\" > '"
                                 << m_arguments << "'\nexec '" << PRAVEL_SIM_PATH << "' \"$@\"\n";
        ::chmod(m_program.c_str(), 0755);
        ::setenv("PRAVEL_SIM", m_program.c_str(), 1);
    }
    void TearDown() override { ::unsetenv("PRAVEL_SIM"); }
    // What the stand-in was started with, "" when it was not started.
    std::string Arguments() const
    {
        std::ifstream file(m_arguments);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    // The process id the stand-in ran as (it runs pravel-sim in its place), -1 when it did not run.
    pid_t SimulatorPid() const
    {
        pid_t pid = -1;
        std::ifstream(m_arguments + ".pid") >> pid;
        return pid;
    }

    std::string m_program;
    std::string m_arguments;
};

// Bad line options are refused before anything starts, naming the option.
TEST_F(SimulateOverTheLine, BadOptionsAreRefusedWithNothingStarted)
{
    struct Case {
        std::vector<std::string> args;
        std::string errorPart;
    } cases[] = {
        {{"read", "--simulate", "--all", "--snr", "200"}, "--snr: give a number from -20 to 100, not '200'."},
        {{"read", "--simulate", "--all", "--snr", "loud"}, "--snr:"},
        {{"read", "--simulate", "--all", "--codec", "opus"}, "--codec: the codec is none, alaw, ulaw or gsm"},
        {{"read", "--simulate", "--all", "--echo", "3"}, "--echo: give a whole number from -60 to 0"},
        {{"read", "--simulate", "--all", "--seed", "-1"}, "--seed:"},
        {{"write", "--simulate", "--set", "IdBeep=1", "--line", "cable"}, "--line: the line is clean, noisy or gsm"},
        {{"read", "--port", "/dev/null", "--all", "--line", "gsm"}, "--line requires --simulate"},
        {{"write", "--port", "/dev/null", "--set", "IdBeep=1", "--snr", "10"}, "--snr requires --simulate"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.errorPart);
        ProgramRun run = RunProgram(c.args);
        EXPECT_EQ(run.status, 2) << run.err;
        EXPECT_NE(run.err.find(c.errorPart), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(Arguments(), "");
}

// A pravel-sim that is not there, or that refuses the line: said, exit status 1, nothing dialled.
TEST_F(SimulateOverTheLine, APravelSimThatCannotServeIsSaidAndNothingIsDialled)
{
    const std::string refusing = m_program + "-without-line";
    std::ofstream(refusing) << "#!/bin/sh\necho 'pravel-sim: this pravel-sim has no line model: the line can only be "
                               "clean' >&2\nexit 2\n";
    ::chmod(refusing.c_str(), 0755);
    struct Case {
        std::string program;
        std::string errorPart;
    } cases[] = {
        {"/nonexistent/pravel-sim",
         "pravel-cli: The simulator could not be started: PRAVEL_SIM names /nonexistent/pravel-sim, which is no "
         "program: No such file or directory\n"},
        {refusing, "pravel-cli: The simulator could not be started: " + refusing +
                       " ended before naming its port: pravel-sim: this pravel-sim has no line model: the line can "
                       "only be clean\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program);
        ::setenv("PRAVEL_SIM", c.program.c_str(), 1);
        ProgramRun run = RunProgram({"read", "--simulate", "--all", "--json", "--line", "gsm", "--snr", "10"});
        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_NE(run.err.find(c.errorPart), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("Dialing"), std::string::npos) << run.err;
    }
}

#ifdef PRAVEL_SIM_LINE_MODEL
// Through a GSM gateway with noise 20 dB down the read-all reports what it reports over the
// built-in simulator's perfect wire; only the line options start a pravel-sim.
TEST_F(SimulateOverTheLine, ReadAllOverAGsmLineReportsWhatThePerfectWireReports)
{
    // The two side by side: the plain one starts no pravel-sim, as the arguments' file shows below.
    auto plainRun = std::async(std::launch::async, [] {
        return RunProgram({"read", "--simulate", "--all", "--json"});
    });
    ProgramRun gsm = RunProgram({"read", "--simulate", "--all", "--json", "--line", "gsm", "--snr", "20"});
    ProgramRun plain = plainRun.get();
    ASSERT_EQ(plain.status, 0) << plain.err;
    ASSERT_EQ(gsm.status, 0) << gsm.err;
    EXPECT_EQ(Arguments(), "--fast\n--number=5550100\n--unit=1\n--line=gsm\n--snr=20\n");
    const nlohmann::json expected = nlohmann::json::parse(plain.out);
    const nlohmann::json result = nlohmann::json::parse(gsm.out);
    EXPECT_EQ(result["outcome"], "completed");
    EXPECT_EQ(result["firmware"], expected["firmware"]);
    EXPECT_EQ(result["values"].size(), 21u);
    EXPECT_EQ(result["values"], expected["values"]);
}

// A write, read back in the same call, reaches the unit, number and modem chosen, over the codec,
// echo and seed given.
TEST_F(SimulateOverTheLine, WriteOverAnALawLineWithEchoReachesTheUnitChosen)
{
    ProgramRun run =
        RunProgram({"write", "--simulate", "--number", "555 0123", "--unit", "3", "--sim-modem", "conexant", "--set",
                    "IdBeep=1", "--verify", "--json", "--codec", "alaw", "--echo", "-10", "--seed", "7"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Arguments(),
              "--fast\n--number=555 0123\n--unit=3\n--modem=conexant\n--codec=alaw\n--echo=-10\n--seed=7\n");
    const nlohmann::json result = nlohmann::json::parse(run.out);
    EXPECT_EQ(result["outcome"], "completed");
    EXPECT_EQ(result["unit"], 3);
    EXPECT_EQ(result["written"], nlohmann::json::array({"IdBeep"})) << run.out;
}

// A Ctrl-C at the terminal reaches pravel-cli, not the pravel-sim it started: the call ends the
// orderly way over the simulated line (the unit logged off, the modem reset and answering), and
// only then is pravel-sim stopped and reaped.
TEST_F(SimulateOverTheLine, CtrlCEndsTheCallTheOrderlyWayThenStopsPravelSim)
{
    const std::string trace = ::testing::TempDir() + "simulate_line_interrupted.trace";
    std::remove(trace.c_str());
    bool sent = false;
    ProgramRun run = RunProgram(
        {"read", "--simulate", "--all", "--line", "gsm", "--snr", "20", "--trace", trace}, std::chrono::seconds(30),
        [&](pid_t pid, const std::string& err) {
            if (!sent && err.find("Transfer") != std::string::npos) {
                sent = true;
                ::kill(-pid, SIGINT); // the terminal's whole foreground job
            }
        },
        true);
    ASSERT_TRUE(sent) << run.err;
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find("pravel-cli: Interrupted"), std::string::npos) << run.err;
    // The simulator heard the end of the call: the log-off and the reset, answered.
    std::ifstream file(trace);
    const std::string dialogue((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const size_t reset = dialogue.rfind("ATZ");
    ASSERT_NE(reset, std::string::npos) << dialogue;
    EXPECT_NE(dialogue.find("OK", reset), std::string::npos) << dialogue;
    const pid_t sim = SimulatorPid();
    ASSERT_GT(sim, 0);
    EXPECT_EQ(::kill(sim, 0), -1);
    EXPECT_EQ(errno, ESRCH);
}

// A pravel-cli killed outright leaves no pravel-sim behind: the system ends it.
TEST_F(SimulateOverTheLine, APravelCliKilledLeavesNoPravelSim)
{
    bool sent = false;
    ProgramRun run = RunProgram({"read", "--simulate", "--all", "--line", "gsm"}, std::chrono::seconds(30),
                                [&](pid_t pid, const std::string& err) {
                                    if (!sent && err.find("Dialing") != std::string::npos) {
                                        sent = true;
                                        ::kill(pid, SIGKILL);
                                    }
                                });
    ASSERT_TRUE(sent) << run.err;
    EXPECT_EQ(run.status, -1);
    const pid_t sim = SimulatorPid();
    ASSERT_GT(sim, 0);
    // Gone, or ended and waiting for whoever adopted it to reap it.
    const auto running = [sim] {
        std::ifstream stat("/proc/" + std::to_string(sim) + "/stat");
        std::string pid, name, state;
        return stat >> pid >> name >> state && state != "Z";
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(running()) << "pravel-sim " << sim << " outlived its pravel-cli";
}
#endif
