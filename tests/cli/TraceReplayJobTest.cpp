// Modem traces as regression tests: a job replayed against a trace must send the same commands and
// end with the same result. The shipped traces were recorded with pravel-cli --trace against each
// persona of pravel-sim (tests/data/traces); the same is done here afresh for each persona.
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include "CliTestSupport.h"
#include "sim/ReplayServer.h"

namespace {

struct Replayed {
    CliRun run;
    int differences = -1;
    bool finished = false;
};

const std::vector<std::string> ReadAllArgs = {"--number", "5550100", "--code", "3958", "--unit", "1", "--quiet"};

// Serves the trace and runs the job against it.
Replayed Replay(const std::string& path, std::vector<std::string> args)
{
    Replayed result;
    CTraceReplay replay;
    std::string error;
    EXPECT_TRUE(replay.Load(path, &error)) << error;
    CReplayServer server;
    EXPECT_TRUE(server.Start(std::move(replay), SimLink::Pty, &error)) << error;
    args.insert(args.end(), {"--port", server.DevicePath()});
    args.insert(args.end(), ReadAllArgs.begin(), ReadAllArgs.end());
    result.run = RunCli(args);
    result.finished = WaitForObject(server.FinishedEvent(), 2000) == WAIT_OBJECT_0;
    server.Stop();
    result.differences = server.Differences();
    return result;
}

class TraceReplayJobTest : public ::testing::Test {
protected:
    void SetUp() override { SetDialogueTimingForTests(FastTiming()); }
    void TearDown() override { ResetDialogueTimingForTests(); }
};

struct ShippedTrace {
    const char* file;
    std::vector<std::string> job;
    const char* expect; // a line of the result table
};

class ShippedTraceTest : public TraceReplayJobTest, public ::testing::WithParamInterface<ShippedTrace> {};

TEST_P(ShippedTraceTest, ReplaysToTheSameResult)
{
    const ShippedTrace& trace = GetParam();
    const Replayed replayed = Replay(std::string(PRAVEL_TRACE_DATA) + "/" + trace.file, trace.job);
    EXPECT_EQ(replayed.run.status, 0) << replayed.run.err;
    EXPECT_NE(replayed.run.out.find(trace.expect), std::string::npos) << replayed.run.out;
    EXPECT_EQ(replayed.differences, 0);
    EXPECT_TRUE(replayed.finished);
}

INSTANTIATE_TEST_SUITE_P(
    Traces, ShippedTraceTest,
    ::testing::Values(ShippedTrace{"read-all-hash.trace", {"read", "--all"}, "Firmware              2.0.7"},
                      ShippedTrace{"read-all-conexant.trace", {"read", "--all"}, "Firmware              2.0.7"},
                      ShippedTrace{"read-all-intel.trace", {"read", "--all"}, "Firmware              2.0.7"},
                      ShippedTrace{"write-hash.trace",
                                   {"write", "--set", "AlarmReceiver1=0612345678", "--set", "TestAlarmTime=10"},
                                   "AlarmReceiver1"}),
    [](const ::testing::TestParamInfo<ShippedTrace>& info) {
        std::string name = info.param.file;
        name = name.substr(0, name.find('.'));
        for (char& c : name)
            if (c == '-')
                c = '_';
        return name;
    });

// Recorded here and replayed at once, for each persona: the trace holds everything the job needs.
class RecordAndReplayTest : public TraceReplayJobTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(RecordAndReplayTest, ATraceRecordedAgainstThePersonaReplays)
{
    const std::string path = ::testing::TempDir() + "record-and-replay-" + GetParam() + ".trace";
    const CliRun recorded =
        RunCli({"read", "--simulate", "--sim-modem", GetParam(), "--all", "--code", "3958", "--quiet", "--trace", path});
    ASSERT_EQ(recorded.status, 0) << recorded.err;
    const Replayed replayed = Replay(path, {"read", "--all"});
    EXPECT_EQ(replayed.run.status, 0) << replayed.run.err;
    EXPECT_EQ(replayed.run.out, recorded.out);
    EXPECT_EQ(replayed.differences, 0);
    EXPECT_TRUE(replayed.finished);
    std::remove(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(Personas, RecordAndReplayTest, ::testing::Values("hash", "conexant", "intel"));

// A job that sends what the trace does not have is found out: the code differs here.
TEST_F(TraceReplayJobTest, ADifferentJobIsReported)
{
    Replayed replayed;
    CTraceReplay replay;
    std::string error;
    ASSERT_TRUE(replay.Load(std::string(PRAVEL_TRACE_DATA) + "/read-all-hash.trace", &error)) << error;
    CReplayServer server;
    ASSERT_TRUE(server.Start(std::move(replay), SimLink::Pty, &error)) << error;
    const CliRun run = RunCli({"read", "--all", "--port", server.DevicePath(), "--number", "5550100", "--code",
                               "1111", "--unit", "1", "--quiet"});
    server.Stop();
    EXPECT_EQ(run.status, 1);
    EXPECT_GE(server.Differences(), 1);
}

TEST_F(TraceReplayJobTest, AnUnwritableTraceFileIsAUsageError)
{
    const CliRun run = RunCli({"read", "--simulate", "--all", "--trace", "/nonexistent-dir/x.trace"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("/nonexistent-dir/x.trace could not be created"), std::string::npos) << run.err;
}

} // namespace
