// pravel-cli modem against the simulated modems: the table, the JSON, and the usage error.
#include <cstdio>
#include <fstream>
#include <thread>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "CliTestSupport.h"
#include "support/TraceCapture.h"

namespace {

TEST(ModemCommandTest, VoiceModemNamesTheProfileAndExitsZero)
{
    const CliRun run = RunCli({"modem", "--simulate", "--sim-modem", "conexant"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Maker (AT+FMI?):           CONEXANT\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Profile auto uses:         v253\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Verdict: Voice modem"), std::string::npos) << run.out;
}

TEST(ModemCommandTest, NoVoiceModeInJsonExitsOne)
{
    const CliRun run = RunCli({"modem", "--simulate", "--sim-modem", "datafax", "--json"});
    EXPECT_EQ(run.status, 1);
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["result"], "no-voice");
    EXPECT_TRUE(json["autoProfile"].is_null());
    EXPECT_EQ(json["resetAtEnd"], true);
    EXPECT_NE(json["verdict"].get<std::string>().find("no voice mode: DTMF cannot be sent"), std::string::npos);
}

TEST(ModemCommandTest, WithoutAPortItIsAUsageError)
{
    const CliRun run = RunCli({"modem"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("--port DEVICE"), std::string::npos);
}

TEST(ModemCommandTest, TraceFileHoldsTheCheck)
{
    const std::string path = ::testing::TempDir() + "modem-command-test.trace";
    const CliRun run = RunCli({"modem", "--simulate", "--trace", path});
    EXPECT_EQ(run.status, 0) << run.err;
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find(" > AT#CLS=8\\r\n"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find(" < 0,1,2\n"), std::string::npos) << text.str();
    std::remove(path.c_str());
}

} // namespace

namespace {

// Ctrl-C during the check ends it; the modem is still reset and the status is 1.
TEST(ModemCommandInterruptTest, CtrlCStopsTheCheckAndStillResets)
{
    TraceCapture trace;
    std::thread interrupter([&trace] {
        if (WaitUntil([&trace] { return trace.CountContaining("> ATI3") > 0; }))
            RequestInterrupt();
    });
    const CliRun run = RunCli({"modem", "--simulate", "--sim-modem", "intel", "--json", "--trace"});
    interrupter.join();
    ClearInterrupt();
    EXPECT_EQ(run.status, 1);
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["result"], "stopped");
    EXPECT_EQ(json["resetAtEnd"], true);
    EXPECT_EQ(trace.CountContaining("> AT#CLS=8"), 0);
}

} // namespace
