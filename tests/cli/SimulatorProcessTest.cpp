// pravel-sim as a child process: its port line awaited a bounded time, its own error passed on,
// and the child stopped and reaped whatever it does. Small shell programs stand in for it.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "cli/SimulatorProcess.h"

namespace {

using Clock = std::chrono::steady_clock;

struct StartCase {
    const char* name;
    const char* script;     // run by /bin/sh -c
    bool started;           // a port was named
    const char* portOrText; // the port, or a text the problem holds
};

void PrintTo(const StartCase& c, std::ostream* out)
{
    *out << c.name;
}

class SimulatorProcessStart : public ::testing::TestWithParam<StartCase> {};

TEST_P(SimulatorProcessStart, NamesItsPortOrSaysWhyNot)
{
    const StartCase& c = GetParam();
    CSimulatorProcess process;
    std::string problem;
    const auto start = Clock::now();
    const bool started = process.Start({"/bin/sh", "-c", c.script}, 500, &problem);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    ASSERT_EQ(started, c.started) << problem;
    if (started) {
        EXPECT_EQ(process.DevicePath(), c.portOrText);
        process.Stop();
        EXPECT_EQ(process.DevicePath(), "");
    } else {
        EXPECT_NE(problem.find(c.portOrText), std::string::npos) << problem;
    }
    // Stopped and reaped either way: no child of ours is left.
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

INSTANTIATE_TEST_SUITE_P(
    Programs, SimulatorProcessStart,
    ::testing::Values(
        StartCase{"port", "echo 'port: /dev/pts/77'; exec sleep 30", true, "/dev/pts/77"},
        StartCase{"refuses",
                  "echo 'pravel-sim: this pravel-sim has no line model: the line can only be clean' >&2; exit 2", false,
                  "ended before naming its port: pravel-sim: this pravel-sim has no line model"},
        StartCase{"silent", "exec sleep 30", false, "named no port within"},
        StartCase{"other_line", "echo 'hello'; exec sleep 30", false, "its first line was \"hello\""}),
    [](const ::testing::TestParamInfo<StartCase>& info) { return std::string(info.param.name); });

TEST(SimulatorProcess, AProgramThatIsNoneIsNotStarted)
{
    CSimulatorProcess process;
    std::string problem;
    EXPECT_FALSE(process.Start({"/nonexistent/pravel-sim"}, 500, &problem));
    EXPECT_NE(problem.find("/nonexistent/pravel-sim could not be started: No such file"), std::string::npos) << problem;
}

// One that ignores SIGTERM is killed after the bounded wait, and reaped.
TEST(SimulatorProcess, StopKillsOneThatIgnoresTheTermination)
{
    CSimulatorProcess process;
    std::string problem;
    ASSERT_TRUE(
        process.Start({"/bin/sh", "-c", "trap '' TERM; echo 'port: /dev/pts/78'; exec sleep 30"}, 2000, &problem))
        << problem;
    const auto start = Clock::now();
    process.Stop();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
}

TEST(SimulatorProcess, FoundThroughTheEnvironmentOrNamedAsMissing)
{
    std::string problem;
    ::setenv("PRAVEL_SIM", "/bin/true", 1);
    EXPECT_EQ(CSimulatorProcess::FindProgram(&problem), "/bin/true");
    ::setenv("PRAVEL_SIM", "/nonexistent/pravel-sim", 1);
    EXPECT_EQ(CSimulatorProcess::FindProgram(&problem), "");
    EXPECT_NE(problem.find("PRAVEL_SIM names /nonexistent/pravel-sim, which is no program"), std::string::npos)
        << problem;
    ::unsetenv("PRAVEL_SIM");
    const char* path = std::getenv("PATH");
    const std::string saved = path != nullptr ? path : "";
    ::setenv("PATH", "/nonexistent", 1);
    const std::string found = CSimulatorProcess::FindProgram(&problem);
    ::setenv("PATH", saved.c_str(), 1);
    // The test program has no pravel-sim beside it.
    EXPECT_EQ(found, "");
    EXPECT_NE(problem.find("nor on PATH"), std::string::npos) << problem;
}

} // namespace
