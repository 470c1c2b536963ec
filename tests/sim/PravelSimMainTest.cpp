// pravel-sim as a program: its first line, its service on the port, its end on SIGTERM and SIGINT.
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "ScriptedClient.h"

extern char** environ;

namespace {

// A child pravel-sim with its standard output (and optionally error) on pipes.
class SimProcess {
public:
    explicit SimProcess(std::vector<std::string> args)
    {
        int out[2], err[2];
        if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
        args.insert(args.begin(), PRAVEL_SIM_PATH);
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&m_pid, PRAVEL_SIM_PATH, &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(err[1]);
        m_out = out[0];
        m_err = err[0];
    }
    ~SimProcess()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0)
            ::close(m_out);
        if (m_err >= 0)
            ::close(m_err);
    }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    pid_t Pid() const { return m_pid; }

    // The first line of standard output, without its line feed ("" on time-out or end).
    std::string FirstLine(int timeoutMs = 5000) { return ReadLine(m_out, timeoutMs); }
    // Everything on a stream until it closes.
    std::string Rest(bool error, int timeoutMs = 5000)
    {
        std::string all;
        int fd = error ? m_err : m_out;
        for (;;) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, timeoutMs) <= 0)
                return all;
            char buffer[4096];
            ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got <= 0)
                return all;
            all.append(buffer, static_cast<size_t>(got));
        }
    }
    // The exit status, or -1 when it does not end in time. Polls the child with the pipe's end.
    int Wait()
    {
        Rest(false);
        int status = 0;
        if (::waitpid(m_pid, &status, 0) != m_pid)
            return -1;
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

private:
    static std::string ReadLine(int fd, int timeoutMs)
    {
        std::string line;
        for (;;) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, timeoutMs) <= 0)
                return line;
            char c;
            if (::read(fd, &c, 1) != 1 || c == '\n')
                return line;
            line += c;
        }
    }

    pid_t m_pid = -1;
    int m_out = -1;
    int m_err = -1;
};

} // namespace

TEST(PravelSimProgram, PrintsThePortServesAndEndsOnSigterm)
{
    SimProcess sim({"--fast", "--code", "1234", "--firmware", "118", "--unit", "2", "--transcript"});
    ASSERT_GT(sim.Pid(), 0);
    const std::string first = sim.FirstLine();
    ASSERT_EQ(first.rfind("port: /dev/pts/", 0), 0u) << first;
    {
        ScriptedClient c(first.substr(6));
        ASSERT_TRUE(c.IsOpen());
        ASSERT_TRUE(c.Connect("5550100", 2));
        EXPECT_EQ(c.Ask("201234"), "118");
        EXPECT_EQ(c.Ask("99"), "99");
        EXPECT_TRUE(c.Command("ATZ"));
    }
    ASSERT_EQ(::kill(sim.Pid(), SIGTERM), 0);
    EXPECT_EQ(sim.Wait(), 0);
    const std::string transcript = sim.Rest(true);
    EXPECT_NE(transcript.find(" <- AT#VTS=#,2\n"), std::string::npos) << transcript;
}

TEST(PravelSimProgram, EndsOnSigintAndTakesAConfigFile)
{
    char path[] = "/tmp/pravel-sim-main-XXXXXX";
    int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    const std::string json = R"({"fast": true, "lines": [{"number": "777", "answer": "busy"}]})";
    ASSERT_EQ(::write(fd, json.data(), json.size()), ssize_t(json.size()));
    ::close(fd);
    SimProcess sim({"--config", path});
    const std::string first = sim.FirstLine();
    ::unlink(path);
    ASSERT_EQ(first.rfind("port: /dev/pts/", 0), 0u) << first;
    {
        ScriptedClient c(first.substr(6));
        ASSERT_TRUE(c.Command("AT#CLS=8"));
        EXPECT_TRUE(c.Command("ATD777", "BUSY"));
    }
    ASSERT_EQ(::kill(sim.Pid(), SIGINT), 0);
    EXPECT_EQ(sim.Wait(), 0);
}

TEST(PravelSimProgram, HelpAndBadUsage)
{
    {
        SimProcess sim({"--help"});
        const std::string help = sim.Rest(false);
        EXPECT_EQ(sim.Wait(), 0);
        for (const char* option : {"--number", "--code", "--unit", "--firmware", "--busy", "--no-answer", "--silent",
                                   "--fast", "--transcript", "--config", "--corrupt-answers", "--drop-answers",
                                   "--busy-tone-after-login", "--answer-delay", "--absent-unit", "--dead-modem",
                                   "--corrupt-all-answers", "--lone-xoff", "--stale-at-open", "--garbage-status",
                                   "--unplug-while-dialling", "--version", "\\r \\n", "--modem", "--interleave-events",
                                   "--split-dle-pairs", "--ring-lines", "--store-wrong"})
            EXPECT_NE(help.find(option), std::string::npos) << option;
    }
    {
        SimProcess sim({"--unit", "7"});
        EXPECT_NE(sim.Wait(), 0);
        EXPECT_NE(sim.Rest(true).find("--unit"), std::string::npos);
    }
    {
        // A bad option value, though found by the configuration check.
        SimProcess sim({"--code", "12"});
        EXPECT_EQ(sim.Wait(), 2);
        EXPECT_EQ(sim.Rest(true), "pravel-sim: invalid simulator configuration: line \"5550100\", unit 1: the "
                                  "programming code must be four digits\n");
    }
    {
        SimProcess sim({"--busy", "--silent"});
        EXPECT_NE(sim.Wait(), 0);
    }
}

TEST(PravelSimProgram, PrintsItsVersion)
{
    SimProcess sim({"--version"});
    const std::string out = sim.Rest(false);
    EXPECT_EQ(sim.Wait(), 0);
    EXPECT_EQ(out.rfind("pravel-sim ", 0), 0u) << out;
    EXPECT_EQ(out.back(), '\n');
    EXPECT_NE(out.find_first_of("0123456789"), std::string::npos) << out;
}

TEST(PravelSimProgram, OptionErrorsExitTwo)
{
    const std::vector<std::vector<std::string>> cases = {
        {"--no-such-option"},
        {"--unit", "7"},
        {"--unit", "x"},
        {"--firmware", "307"},
        {"--firmware", "007"},
        {"--firmware", "20"},
        {"--firmware", "2070"},
        {"--firmware", "abc"},
        {"--busy", "--silent"},
        {"--corrupt-answers", "-1"},
        {"--stale-at-open", "\\q"},
        {"--stale-at-open", "\\x4"},
        {"--garbage-status", "12D4"},
        {"--store-wrong", "NoSuchParameter"},
        {"--config", "/nonexistent/pravel-sim.json"},
        {"--modem", "usr"},
        {"--line", "loud"},
        {"--codec", "g729"},
        {"--snr", "500"},
        {"--echo", "3"},
        {"--unit-tone", "5"},
        {"stray"},
    };
    for (const auto& args : cases) {
        SimProcess sim(args);
        EXPECT_EQ(sim.Wait(), 2) << args[0] << " " << (args.size() > 1 ? args[1] : "");
        EXPECT_FALSE(sim.Rest(true).empty()) << args[0];
    }
#ifdef PRAVEL_SIM_LINE_MODEL
    // The line as sound: its presets and settings start the simulator.
    for (const std::vector<std::string>& line : std::vector<std::vector<std::string>>{
             {"--line", "clean"}, {"--line", "noisy", "--seed", "4"}, {"--line", "gsm", "--snr", "20", "--echo", "-10"}}) {
        std::vector<std::string> args = {"--fast"};
        args.insert(args.end(), line.begin(), line.end());
        SimProcess sim(args);
        EXPECT_EQ(sim.FirstLine().rfind("port: /dev/pts/", 0), 0u) << line[1];
        ASSERT_EQ(::kill(sim.Pid(), SIGTERM), 0);
        EXPECT_EQ(sim.Wait(), 0);
    }
#endif
    // The firmware options that are right start the simulator.
    for (const char* firmware : {"100", "299"}) {
        SimProcess sim({"--fast", "--firmware", firmware});
        EXPECT_EQ(sim.FirstLine().rfind("port: /dev/pts/", 0), 0u) << firmware;
        ASSERT_EQ(::kill(sim.Pid(), SIGTERM), 0);
        EXPECT_EQ(sim.Wait(), 0);
    }
}

TEST(PravelSimProgram, AnInvalidConfigurationFileExitsOne)
{
    char path[] = "/tmp/pravel-sim-main-XXXXXX";
    int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    const std::string json = R"({"lines": [{"units": [{"firmware": "307"}]}]})";
    ASSERT_EQ(::write(fd, json.data(), json.size()), ssize_t(json.size()));
    ::close(fd);
    SimProcess sim({"--config", path});
    EXPECT_EQ(sim.Wait(), 1);
    ::unlink(path);
    EXPECT_NE(sim.Rest(true).find("the firmware version must be three digits, the first 1 or 2"), std::string::npos);
}

TEST(PravelSimProgram, StaleBytesTakeCEscapes)
{
    SimProcess sim({"--fast", "--stale-at-open", "\\r\\nRING\\r\\n\\x13\\\\\\tNO CARRIER\\r\\n"});
    const std::string first = sim.FirstLine();
    ASSERT_EQ(first.rfind("port: /dev/pts/", 0), 0u) << first;
    {
        ScriptedClient c(first.substr(6));
        EXPECT_EQ(c.ReadUntil("NO CARRIER\r\n"), "\r\nRING\r\n\x13\\\tNO CARRIER\r\n");
        EXPECT_TRUE(c.Command("ATZ"));
    }
    ASSERT_EQ(::kill(sim.Pid(), SIGTERM), 0);
    EXPECT_EQ(sim.Wait(), 0);
}

TEST(PravelSimProgram, UnpluggedWhileDiallingSaysSoAndEnds)
{
    SimProcess sim({"--fast", "--unplug-while-dialling"});
    const std::string first = sim.FirstLine();
    ASSERT_EQ(first.rfind("port: /dev/pts/", 0), 0u) << first;
    ScriptedClient c(first.substr(6));
    ASSERT_TRUE(c.Command("ATZ") && c.Command("AT#CLS=8"));
    ASSERT_TRUE(c.Send("ATD5550100\r"));
    pollfd p{c.Fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 5000), 1);
    EXPECT_NE(p.revents & POLLHUP, 0);
    EXPECT_EQ(sim.FirstLine(), "unplugged: the modem was pulled out while dialling");
    EXPECT_EQ(sim.Wait(), 1);
}

// --replay: the trace's answers to its commands, a differing command reported, the status at the end.
TEST(PravelSimProgram, ReplaysATraceAndReportsADifference)
{
    char path[] = "/tmp/pravel-sim-replay-XXXXXX";
    int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    const std::string trace = "# Pravel modem trace, format 1\n"
                              "0 > ATZ\\r\\n\n"
                              "10 < OK\n"
                              "20 > ATI3\\r\\n\n"
                              "30 < CX93001-EIS_V0.2002-V92\n"
                              "30 < OK\n";
    ASSERT_EQ(::write(fd, trace.data(), trace.size()), ssize_t(trace.size()));
    ::close(fd);
    SimProcess sim({"--replay", path});
    const std::string first = sim.FirstLine();
    ASSERT_EQ(first.rfind("port: /dev/pts/", 0), 0u) << first;
    {
        ScriptedClient c(first.substr(6));
        ASSERT_TRUE(c.IsOpen());
        ASSERT_TRUE(c.Send("ATZ\r\n"));
        EXPECT_TRUE(c.Expect("\r\nOK\r\n"));
        ASSERT_TRUE(c.Send("ATI\r\n"));
        EXPECT_TRUE(c.Expect("\r\nERROR\r\n"));
        ASSERT_TRUE(c.Send("ATI3\r\n"));
        EXPECT_TRUE(c.Expect("\r\nCX93001-EIS_V0.2002-V92\r\n\r\nOK\r\n"));
    }
    EXPECT_EQ(sim.Wait(), 1);
    ::unlink(path);
    const std::string errors = sim.Rest(true);
    EXPECT_NE(errors.find("replay: command 2 differs: the trace has \"ATI3\", the program sent \"ATI\""),
              std::string::npos)
        << errors;
}

TEST(PravelSimProgram, ReplayOfAFileThatIsNoTraceFails)
{
    SimProcess sim({"--replay", "/etc/hostname"});
    EXPECT_EQ(sim.Wait(), 1);
    EXPECT_NE(sim.Rest(true).find("not a Pravel modem trace"), std::string::npos);
}
