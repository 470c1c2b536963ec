// pravel-cli write, end to end against the simulator.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <future>

#include <nlohmann/json.hpp>

#include "cli/CliTestSupport.h"
#include "files/ParameterFileIo.h"
#include "model/DialogIds.h"
#include "form/DialogItemModel.h"
#include "worker/JobWorker.h"
#include "form/ParameterForm.h"

using nlohmann::json;

namespace {

class WriteCommand : public SimulatedLineTest {};

std::string TempPath(const std::string& name)
{
    return (std::filesystem::path(::testing::TempDir()) / name).string();
}

} // namespace

TEST_F(WriteCommand, SetOfATwentyDigitNumberIsStoredInTheUnit)
{
    StartLine();
    const std::string number = "01234567890123456789";
    CliRun run = RunCli(Job("write", {"--set", "AlarmReceiver1=" + number, "--set", "TestAlarmTime=10", "--json"}));
    ASSERT_EQ(run.status, 0) << run.err;
    json result = json::parse(run.out);
    EXPECT_EQ(result["outcome"], "completed");
    EXPECT_EQ(result["written"], json({"AlarmReceiver1", "TestAlarmTime"}));
    EXPECT_TRUE(result["notTransferred"].empty());
    EXPECT_EQ(result["firmware"], "2.0.7");
    EXPECT_FALSE(result.contains("values"));
    EXPECT_EQ(Unit().settings.at("AlarmReceiver1"), number);
    EXPECT_EQ(Unit().settings.at("TestAlarmTime"), "10");
}

TEST_F(WriteCommand, FlagsComboIndexAndLedGoInAsSlotTexts)
{
    StartLine();
    SimUnit before = Unit();
    CliRun run = RunCli(Job("write", {"--set", "LedSequence=0", "--set", "InfoAlarm=1", "--set", "PhoneAcknowledge=2",
                                      "--set", "AlarmButtonDelay=12"}));
    ASSERT_EQ(run.status, 0) << run.err;
    SimUnit after = Unit();
    EXPECT_EQ(after.settings.at("LedSequence"), "0");
    EXPECT_EQ(after.settings.at("InfoAlarm"), "1");
    EXPECT_EQ(after.settings.at("PhoneAcknowledge"), "2");
    EXPECT_EQ(after.settings.at("AlarmButtonDelay"), "12");
    EXPECT_EQ(after.settings.at("AlarmReceiver1"), before.settings.at("AlarmReceiver1"));
    EXPECT_NE(run.out.find("AlarmButtonDelay      12"), std::string::npos) << run.out;
}

TEST_F(WriteCommand, LedToFirmwareOneIsNotWrittenAndFailsTheJobOnlyWhenNamed)
{
    StartLine(WithFirmware("105"));
    CliRun run = RunCli(Job("write", {"--set", "LedSequence=0", "--set", "AlarmCode2=4711", "--json"}));
    ASSERT_EQ(run.status, 1) << run.err;
    json result = json::parse(run.out);
    EXPECT_EQ(result["written"], json({"AlarmCode2"}));
    EXPECT_EQ(result["notTransferred"], json({"LedSequence"}));
    EXPECT_EQ(Unit().settings.at("AlarmCode2"), "4711");
    EXPECT_EQ(Unit().settings.at("LedSequence"), DefaultSimConfig().lines.front().units.front().settings.at("LedSequence"));
}

TEST_F(WriteCommand, BadInputExitsTwoAndDialsNothing)
{
    StartLine();
    SimUnit before = Unit();
    const std::vector<std::vector<std::string>> cases = {
        {"write", "--port", m_sim.DevicePath(), "--number", "555;0100", "--set", "AlarmCode1=1"},
        {"write", "--port", m_sim.DevicePath(), "--number", "5550100", "--code", "395", "--set", "AlarmCode1=1"},
        Job("write", {"--set", "NoSuchParameter=1"}),
        Job("write", {"--param", "NoSuchParameter"}),
        Job("write", {"--set", "AlarmCode1=12x4"}),      // a digits-only field
        Job("write", {"--set", "AlarmReceiver1=555x1"}), // not a DTMF character
        Job("write", {"--set", "AlarmButtonDelay=1a"}),
        Job("write", {"--set", "DialToneDetection=yes"}),
        Job("write", {"--set", "TestAlarmTime=11"}),
        Job("write", {"--set", "AlarmCode1=12345678901"}), // longer than the field
        Job("write", {"--set", "AlarmCode1"}),             // no value
        Job("write", {"--set", "NewProgrammingCode=12"}),
        Job("write", {}), // nothing selected
        Job("write", {"--file", TempPath("no-such-file.oxl")}),
    };
    for (const auto& args : cases) {
        CliRun run = RunCli(args);
        std::string line;
        for (const auto& a : args)
            line += a + " ";
        EXPECT_EQ(run.status, 2) << line << "\n" << run.err;
        EXPECT_EQ(run.err.find("Dialing"), std::string::npos) << line;
        EXPECT_EQ(run.err.rfind("pravel-cli: ", 0), 0u) << line << "\n" << run.err;
    }
    EXPECT_EQ(Unit().settings, before.settings);
}

TEST_F(WriteCommand, FileGivesNumberUnitValuesAndSelectionAndOptionsOverrideIt)
{
    StartLine();
    // A file as the dialog would save it: a wrong number, two values ticked, one value unticked.
    CDialogItemModel items;
    SetInitialValues(items);
    items.SetItemText(IDC_PHONE_NUMBER, "999");
    items.SetItemText(1001, "0700111222");   // AlarmReceiver2
    items.CheckButton(1011, true);
    items.SetItemText(1005, "2468");         // TestAlarmCode
    items.CheckButton(1015, true);
    items.SetItemText(1004, "1357");         // AlarmCode2, not ticked
    items.CheckButton(IDC_DIAL_TONE, false); // DialToneDetection, ticked below
    ProgrammingJob job{};
    ASSERT_TRUE(FillJob(items, job, JobRead, nullptr));
    CopyValuesToJob(items, job);
    std::string path = TempPath("write-file-test.oxl");
    std::string message;
    ASSERT_TRUE(SaveParameterFile(path, job, "", "", &message)) << message;
    SimUnit before = Unit();

    CliRun run = RunCli({"write", "--port", m_sim.DevicePath(), "--file", path, "--number", "5550100", "--set",
                         "TestAlarmCode=8642", "--param", "DialToneDetection", "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    json result = json::parse(run.out);
    EXPECT_EQ(result["written"], json({"AlarmReceiver2", "TestAlarmCode", "DialToneDetection"}));
    SimUnit after = Unit();
    EXPECT_EQ(after.settings.at("AlarmReceiver2"), "0700111222");
    EXPECT_EQ(after.settings.at("TestAlarmCode"), "8642");
    EXPECT_EQ(after.settings.at("DialToneDetection"), "0");
    EXPECT_EQ(after.settings.at("AlarmCode2"), before.settings.at("AlarmCode2"));
    std::remove(path.c_str());
}

TEST_F(WriteCommand, CtrlCStopsTheJobAndExitsOne)
{
    // A modem that falls silent after the dial: without the interrupt the job would run until the
    // dialling watchdog (here 10 s) ends it.
    DialogueTiming timing = FastTiming();
    timing.dialWatchdogTicks = 200;
    SetDialogueTimingForTests(timing);
    SimConfig config = DefaultSimConfig();
    config.lines.front().answer = SimLine::Answer::Silent;
    StartLine(config);

    auto started = std::chrono::steady_clock::now();
    auto run = std::async(std::launch::async, [&] { return RunCli(Job("write", {"--set", "AlarmCode1=1", "--json"})); });
    ASSERT_TRUE(WaitUntil([] { return IsJobRunning(); }));
    RequestInterrupt();
    ASSERT_EQ(run.wait_for(std::chrono::seconds(8)), std::future_status::ready);
    CliRun result = run.get();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(8));
    EXPECT_EQ(result.status, 1);
    EXPECT_FALSE(IsJobRunning());
    EXPECT_FALSE(InterruptRequested()); // consumed
    json output = json::parse(result.out);
    EXPECT_EQ(output["outcome"], "failed");
    EXPECT_NE(output["error"].get<std::string>().find("Interrupted"), std::string::npos);
}

namespace {

// write --verify against units that store what they are told, store one parameter wrong, or
// lack a parameter on their firmware.
struct VerifyCase {
    const char* name;
    std::string storeWrong; // the unit's fault ("" none)
    std::string firmware;
    std::vector<std::string> sets;
    int status;
    const char* reason;
    std::vector<std::string> mismatched;    // parameters read back otherwise than written
    std::vector<std::string> notOnFirmware; // parameters the firmware lacks
};

const std::vector<std::string> VerifySets = {"AlarmCode1=4711", "AlarmReceiver1=01234567890123456789",
                                             "AlarmButtonDelay=05", "IdBeep=0", "TestAlarmTime=10"};

const VerifyCase VerifyCases[] = {
    {"GoodUnit", "", "207", VerifySets, 0, "completed", {}, {}},
    {"StoresACodeWrong", "AlarmCode1", "207", VerifySets, 1, "verify-failed", {"AlarmCode1"}, {}},
    {"StoresAStatusValueWrong", "AlarmButtonDelay", "207", VerifySets, 1, "verify-failed", {"AlarmButtonDelay"}, {}},
    {"StoresALongNumberWrong", "AlarmReceiver1", "207", VerifySets, 1, "verify-failed", {"AlarmReceiver1"}, {}},
    {"FirmwareOneLacksTheBatteryCode", "", "105", {"AlarmCode2=4711", "BatteryAlarmCode=99"}, 1, "not-transferred",
     {}, {"BatteryAlarmCode"}},
};

class WriteVerify : public SimulatedLineTest, public ::testing::WithParamInterface<VerifyCase> {};

} // namespace

TEST_P(WriteVerify, ReadsBackWhatWasWrittenAndNamesWhatDiffers)
{
    const VerifyCase& c = GetParam();
    SimConfig config = WithFirmware(c.firmware);
    config.faults.storeWrong = c.storeWrong;
    StartLine(config);
    std::vector<std::string> args = {"--verify", "--json"};
    for (const std::string& set : c.sets)
        args.insert(args.end(), {"--set", set});
    CliRun run = RunCli(Job("write", args));
    ASSERT_EQ(run.status, c.status) << run.err << run.out;
    json result = json::parse(run.out);
    EXPECT_EQ(result["reason"], c.reason);
    EXPECT_EQ(result["notOnFirmware"], json(c.notOnFirmware));
    ASSERT_TRUE(result["verify"].is_object()) << run.out;
    for (const std::string& set : c.sets) {
        const std::string name = set.substr(0, set.find('='));
        const bool lacking = std::find(c.notOnFirmware.begin(), c.notOnFirmware.end(), name) != c.notOnFirmware.end();
        if (lacking) {
            EXPECT_FALSE(result["verify"].contains(name)) << name;
            continue;
        }
        const json& entry = result["verify"][name];
        const bool wrong = std::find(c.mismatched.begin(), c.mismatched.end(), name) != c.mismatched.end();
        EXPECT_EQ(entry["result"], wrong ? "mismatch" : "verified") << name << ": " << run.out;
        EXPECT_EQ(entry["written"], set.substr(set.find('=') + 1)) << name;
        if (wrong) {
            EXPECT_EQ(entry["readBack"], Unit().settings.at(name)) << name;
            EXPECT_NE(run.err.find(name + " wrote"), std::string::npos) << run.err;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Units, WriteVerify, ::testing::ValuesIn(VerifyCases),
                         [](const ::testing::TestParamInfo<VerifyCase>& info) { return info.param.name; });

TEST_F(WriteCommand, VerifyLeavesANewProgrammingCodeUncheckedAndWithoutItNothingIsReadBack)
{
    StartLine();
    CliRun plain = RunCli(Job("write", {"--set", "AlarmCode1=4711", "--json"}));
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_FALSE(json::parse(plain.out).contains("verify"));

    CliRun run = RunCli(Job("write", {"--verify", "--set", "NewProgrammingCode=1111", "--json"}));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(json::parse(run.out)["verify"]["NewProgrammingCode"]["result"], "not-checked");
}
