// What a technician sees around a job: an interrupt once logged in logs the unit off and resets
// the modem (a second one stops at once), another program on the port is named before the call,
// --trace shows the modem dialogue and --quiet only the result.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <mutex>

#include <nlohmann/json.hpp>

#include "cli/CliTestSupport.h"
#include "serial/PortUsers.h"
#include "support/TraceCapture.h"

extern char** environ;

using nlohmann::json;

namespace {

// The simulator's transcript, and an interrupt raised from it at chosen moments of the call.
class Transcript {
public:
    // Each time a line contains the next of the triggers, one interrupt is raised (as one Ctrl-C).
    explicit Transcript(std::vector<std::string> triggers) : m_triggers(std::move(triggers)) {}

    void Hear(std::string_view line)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_lines.emplace_back(line);
        if (m_next < m_triggers.size() && line.find(m_triggers[m_next]) != std::string_view::npos) {
            ++m_next;
            m_interruptedAt.push_back(m_lines.size());
            RequestInterrupt();
        }
    }
    // The index of the first line at or after from that contains part, or npos.
    size_t Find(const std::string& part, size_t from) const
    {
        std::lock_guard<std::mutex> guard(m_lock);
        for (size_t i = from; i < m_lines.size(); ++i)
            if (m_lines[i].find(part) != std::string::npos)
                return i;
        return std::string::npos;
    }
    // Where each interrupt was raised: the index of the line after the trigger.
    std::vector<size_t> InterruptedAt() const
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_interruptedAt;
    }
    std::string All() const
    {
        std::lock_guard<std::mutex> guard(m_lock);
        std::string all;
        for (const auto& line : m_lines)
            all += line;
        return all;
    }

private:
    mutable std::mutex m_lock;
    std::vector<std::string> m_lines;
    std::vector<std::string> m_triggers;
    size_t m_next = 0;
    std::vector<size_t> m_interruptedAt;
};

class AroundTheJob : public SimulatedLineTest {
protected:
    // Unit answers come late, so that an interrupt lands while the job waits for one.
    void StartTranscribedLine(Transcript& transcript, int answerDelayMs)
    {
        SimConfig config = DefaultSimConfig();
        config.transcript = true;
        config.transcriptSink = [&transcript](std::string_view line) { transcript.Hear(line); };
        config.faults.answerDelayMs = answerDelayMs;
        StartLine(config);
    }
};

constexpr const char* LoggedIn = "\": read "; // the unit has heard the first code after its login
constexpr const char* LogOff = "heard \"99\"";
constexpr const char* ModemReset = "<- ATZ\n";

} // namespace

TEST_F(AroundTheJob, InterruptOnceLoggedInLogsOffThenResetsTheModem)
{
    Transcript transcript({LoggedIn});
    StartTranscribedLine(transcript, 300);
    CliRun run = RunCli(Job("read", {"--all", "--json"}));
    EXPECT_EQ(run.status, 1) << run.err;
    ASSERT_EQ(transcript.InterruptedAt().size(), 1u) << transcript.All();
    const size_t interrupted = transcript.InterruptedAt()[0];
    const size_t logOff = transcript.Find(LogOff, interrupted);
    ASSERT_NE(logOff, std::string::npos) << transcript.All();
    EXPECT_NE(transcript.Find(ModemReset, logOff), std::string::npos) << transcript.All();
    json result = json::parse(run.out);
    EXPECT_EQ(result["outcome"], "failed");
    EXPECT_EQ(result["error"], "Interrupted: the job was stopped and the line hung up.");
    EXPECT_FALSE(InterruptRequested());
}

TEST_F(AroundTheJob, SecondInterruptStopsAtOnceWithNothingMoreSent)
{
    DialogueTiming timing = FastTiming();
    timing.answerTimeoutMs = 4000;
    SetDialogueTimingForTests(timing);
    Transcript transcript({LoggedIn, LogOff});
    StartTranscribedLine(transcript, 1500);
    auto started = std::chrono::steady_clock::now();
    auto run = std::async(std::launch::async, [&] { return RunCli(Job("read", {"--all", "--json"})); });
    ASSERT_EQ(run.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    CliRun result = run.get();
    EXPECT_EQ(result.status, 1);
    ASSERT_EQ(transcript.InterruptedAt().size(), 2u) << transcript.All();
    // The answer to "99" would have come 1.5 s after it: the job did not wait for it, nor reset
    // the modem.
    EXPECT_EQ(transcript.Find(ModemReset, transcript.InterruptedAt()[1]), std::string::npos) << transcript.All();
    EXPECT_EQ(transcript.Find("\"99\")", transcript.InterruptedAt()[1]), std::string::npos) << transcript.All();
    json output = json::parse(result.out);
    EXPECT_EQ(output["error"], "Interrupted: the job was stopped at once and the line hung up.");
    (void)started;
}

TEST_F(AroundTheJob, InterruptBeforeTheCallDialsNothing)
{
    StartLine();
    RequestInterrupt();
    CliRun run = RunCli(Job("write", {"--set", "AlarmCode1=4711"}));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.find("Dialing"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Interrupted"), std::string::npos) << run.err;
    EXPECT_NE(Unit().settings.at("AlarmCode1"), "4711");
    EXPECT_FALSE(InterruptRequested());
}

TEST_F(AroundTheJob, AnotherProgramOnThePortIsNamedBeforeTheCall)
{
    StartLine();
    const std::string port = m_sim.DevicePath();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, port.c_str(), O_RDWR | O_NOCTTY, 0);
    char sleep[] = "sleep";
    char seconds[] = "60";
    char* argv[] = {sleep, seconds, nullptr};
    pid_t child = -1;
    ASSERT_EQ(posix_spawnp(&child, "sleep", &actions, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    bool seen = WaitUntil([&] { return !FindOtherPortUsers(port).empty(); });
    std::vector<PortUser> users = FindOtherPortUsers(port);

    CliRun run = RunCli(Job("read", {"--param", "AlarmCode1"}));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ASSERT_TRUE(seen);
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string warning = "pravel-cli: warning: " + PortUsersWarning(port, users) + "\n";
    EXPECT_EQ(run.err.rfind(warning, 0), 0u) << run.err; // before the dialling
    EXPECT_NE(warning.find("sleep"), std::string::npos) << warning;

    // Nobody else on the port: no warning.
    CliRun alone = RunCli(Job("read", {"--param", "AlarmCode1"}));
    EXPECT_EQ(alone.err.find("warning"), std::string::npos) << alone.err;
}

TEST_F(AroundTheJob, TraceShowsTheModemDialogueWhileTheJobRuns)
{
    StartLine();
    TraceCapture capture;
    CliRun run = RunCli(Job("read", {"--param", "AlarmCode1", "--trace"}));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_GE(capture.CountContaining("ATZ"), 1);
    EXPECT_GE(capture.CountContaining("VCON"), 1);
    // After the command the sink in place before is still there.
    capture.Clear();
    TraceText("after\n");
    EXPECT_EQ(capture.Count("after\n"), 1);
}

TEST_F(AroundTheJob, QuietPrintsOnlyTheResultAndErrors)
{
    StartLine();
    CliRun run = RunCli(Job("read", {"--param", "AlarmCode1", "--quiet", "--json"}));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    json result = json::parse(run.out);
    EXPECT_EQ(result["power"], "External power");
    EXPECT_EQ(result["powerSource"], "external");

    SimConfig config = DefaultSimConfig();
    config.lines.front().answer = SimLine::Answer::Busy;
    m_sim.Stop();
    StartLine(config);
    CliRun busy = RunCli(Job("read", {"--all", "--quiet"}));
    EXPECT_EQ(busy.status, 1);
    EXPECT_EQ(busy.err, "pravel-cli: The specified telephone number is busy!\n");
}
