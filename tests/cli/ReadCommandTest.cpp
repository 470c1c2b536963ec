// pravel-cli read, end to end against the simulator.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include <nlohmann/json.hpp>

#include "cli/ReadCommand.h"
#include "model/ParameterTable.h"
#include "cli/CliTestSupport.h"
#include "support/TraceCapture.h"

using nlohmann::json;

namespace {

class ReadCommand : public SimulatedLineTest {};

// What a read of every parameter must report for this unit: its settings in slot form, with
// NewProgrammingCode showing the code in force (the status record carries the current code).
void ExpectValuesOfUnit(const json& values, const SimUnit& unit, bool batteryAndLed)
{
    for (int row = 0; row < ParameterCount; ++row) {
        std::string name = ParameterTable[row].name;
        bool firmwareHasIt = batteryAndLed || (name != "BatteryAlarmReceiver" && name != "BatteryAlarmCode" &&
                                               name != "LedSequence");
        if (!firmwareHasIt) {
            EXPECT_FALSE(values.contains(name)) << name;
            continue;
        }
        ASSERT_TRUE(values.contains(name)) << name;
        std::string expected = name == "NewProgrammingCode" ? unit.programmingCode : unit.settings.at(name);
        EXPECT_EQ(values[name], expected) << name;
    }
}

} // namespace

TEST_F(ReadCommand, AllFromFirmwareTwoReportsEverySettingAndTheStatus)
{
    StartLine();
    CliRun run = RunCli(Job("read", {"--all", "--json"}));
    ASSERT_EQ(run.status, 0) << run.err;
    json result = json::parse(run.out);
    EXPECT_EQ(result["outcome"], "completed");
    EXPECT_EQ(result["reason"], "completed");
    EXPECT_TRUE(result["error"].is_null());
    EXPECT_EQ(result["firmware"], "2.0.7");
    EXPECT_EQ(result["power"], "External power");
    EXPECT_EQ(result["powerSource"], "external");
    EXPECT_EQ(result["values"].size(), 21u);
    ExpectValuesOfUnit(result["values"], Unit(), true);
    EXPECT_TRUE(result["notTransferred"].empty());
    // Progress as the caption shows it.
    EXPECT_NE(run.err.find("Pravel 1.09 - Dialing (60)\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(" - Connected/Logging in\n"), std::string::npos);
    EXPECT_NE(run.err.find(" - Transfer\n"), std::string::npos);
}

TEST_F(ReadCommand, AllFromFirmwareOneLeavesBatteryAndLedUntransferredAndStillCompletes)
{
    SimConfig config = WithFirmware("107");
    config.lines.front().units.front().power = '0';
    StartLine(config);
    CliRun run = RunCli(Job("read", {"--all", "--json"}));
    ASSERT_EQ(run.status, 0) << run.err;
    json result = json::parse(run.out);
    EXPECT_EQ(result["outcome"], "completed");
    EXPECT_EQ(result["firmware"], "1.0.7");
    EXPECT_EQ(result["power"], "Line power");
    EXPECT_EQ(result["powerSource"], "line");
    ExpectValuesOfUnit(result["values"], Unit(), false);
    EXPECT_EQ(result["notTransferred"], json({"BatteryAlarmReceiver", "BatteryAlarmCode", "LedSequence"}));
}

TEST_F(ReadCommand, TablePrintsNameAndValueOfEachReportedParameter)
{
    StartLine();
    CliRun run = RunCli(Job("read", {"--all"}));
    ASSERT_EQ(run.status, 0) << run.err;
    SimUnit unit = Unit();
    std::istringstream lines(run.out);
    std::string line;
    std::map<std::string, std::string> table;
    while (std::getline(lines, line)) {
        size_t space = line.find(' ');
        size_t value = line.find_first_not_of(' ', space);
        table[line.substr(0, space)] = value == std::string::npos ? "" : line.substr(value);
    }
    EXPECT_EQ(table["Parameter"], "Value");
    EXPECT_EQ(table["AlarmReceiver1"], unit.settings.at("AlarmReceiver1"));
    EXPECT_EQ(table["TestAlarmTime"], unit.settings.at("TestAlarmTime"));
    EXPECT_EQ(table["LedSequence"], unit.settings.at("LedSequence"));
    EXPECT_EQ(table["Firmware"], "2.0.7");
    EXPECT_EQ(table["Power"], "External power");
    EXPECT_EQ(table.size(), 24u); // heading, 21 parameters, power, firmware
}

TEST_F(ReadCommand, ParamReadsOnlyTheChosenNumbersButTheWholeStatus)
{
    StartLine();
    CliRun run = RunCli(Job("read", {"--param", "AlarmReceiver2", "--param", "BatteryAlarmCode", "--json"}));
    ASSERT_EQ(run.status, 0) << run.err;
    json result = json::parse(run.out);
    json values = result["values"];
    EXPECT_EQ(values["AlarmReceiver2"], Unit().settings.at("AlarmReceiver2"));
    EXPECT_EQ(values["BatteryAlarmCode"], Unit().settings.at("BatteryAlarmCode"));
    EXPECT_FALSE(values.contains("AlarmReceiver1"));
    EXPECT_FALSE(values.contains("SequenceReceiver3"));
    // The status record reports its parameters whether chosen or not.
    EXPECT_EQ(values["AlarmButtonDelay"], Unit().settings.at("AlarmButtonDelay"));
    EXPECT_TRUE(result["notTransferred"].empty());
}

TEST_F(ReadCommand, BusyLineFailsWithTheBusyMessage)
{
    SimConfig config = DefaultSimConfig();
    config.lines.front().answer = SimLine::Answer::Busy;
    StartLine(config);
    CliRun run = RunCli(Job("read", {"--all", "--json"}));
    EXPECT_EQ(run.status, 1);
    json result = json::parse(run.out);
    EXPECT_EQ(result["outcome"], "failed");
    EXPECT_EQ(result["error"], "The specified telephone number is busy!");
    EXPECT_EQ(result["reason"], "busy");
    EXPECT_TRUE(result["values"].empty());
    EXPECT_EQ(result["notTransferred"].size(), 21u);
    EXPECT_NE(run.err.find("pravel-cli: The specified telephone number is busy!\n"), std::string::npos) << run.err;
}

TEST_F(ReadCommand, RefusedCodeFailsAndShowsTheCaptionOfTheDialog)
{
    StartLine();
    std::vector<std::string> args = {"read", "--port", m_sim.DevicePath(), "--number", "5550100",
                                      "--code", "1111", "--all", "--json"};
    CliRun run = RunCli(args);
    EXPECT_EQ(run.status, 1);
    json result = json::parse(run.out);
    EXPECT_EQ(result["outcome"], "failed");
    EXPECT_EQ(result["error"], "Invalid password entered.");
    EXPECT_EQ(result["reason"], "code-refused");
    EXPECT_TRUE(result["values"].empty());
    EXPECT_NE(run.err.find("Pravel 1.09Invalid password entered.\n"), std::string::npos) << run.err;
}

TEST_F(ReadCommand, PortThatCannotBeOpenedFailsWithTheDriversMessage)
{
    CliRun run = RunCli({"read", "--port", "/dev/pravel-no-such-port", "--number", "5550100", "--code", "3958",
                         "--all"});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("Can't open serial port /dev/pravel-no-such-port"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
    CliRun jsonRun = RunCli({"read", "--port", "/dev/pravel-no-such-port", "--number", "5550100", "--code", "3958",
                          "--all", "--json"});
    EXPECT_EQ(jsonRun.status, 1);
    EXPECT_EQ(json::parse(jsonRun.out)["reason"], "port-error") << jsonRun.out;
}

TEST_F(ReadCommand, BadUsageExitsTwoWithoutDialling)
{
    StartLine();
    const std::vector<std::vector<std::string>> cases = {
        Job("read", {}),                                   // neither --all nor --param
        Job("read", {"--all", "--param", "AlarmCode1"}),   // both
        Job("read", {"--param", "NoSuchParameter"}),       // unknown name
        Job("read", {"--all", "--unit", "7"}),             // unit out of range
        {"read", "--port", m_sim.DevicePath(), "--code", "3958", "--all"},                   // no number
        {"read", "--port", m_sim.DevicePath(), "--number", "555;0100", "--code", "3958", "--all"},
        {"read", "--port", m_sim.DevicePath(), "--number", "5550100", "--code", "395", "--all"},
        {"read", "--number", "5550100", "--code", "3958", "--all"},                          // no port
        {"read", "--port", m_sim.DevicePath(), "--simulate", "--all"},                       // both
    };
    for (const auto& args : cases) {
        CliRun run = RunCli(args);
        std::string line;
        for (const auto& a : args)
            line += a + " ";
        EXPECT_EQ(run.status, 2) << line << "\n" << run.err;
        EXPECT_EQ(run.err.find("Dialing"), std::string::npos) << line;
        EXPECT_FALSE(run.err.empty()) << line;
    }
}

TEST_F(ReadCommand, UnknownParameterNamesTheKnownOnes)
{
    CliRun run = RunCli({"read", "--simulate", "--param", "Frobnicate"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("Unknown parameter 'Frobnicate'"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("AlarmReceiver1, AlarmReceiver2"), std::string::npos);
    // A near miss is answered with the name meant.
    run = RunCli({"read", "--simulate", "--param", "AlarmReciever1"});
    EXPECT_EQ(run.err, "pravel-cli: Unknown parameter 'AlarmReciever1'. Did you mean 'AlarmReceiver1'?\n");
}

TEST_F(ReadCommand, SaveThenShowGivesWhatWasReadWithUntransferredBoxesTicked)
{
    StartLine(WithFirmware("107"));
    std::string path = (std::filesystem::path(::testing::TempDir()) / "read-save-test.oxl").string();
    std::remove(path.c_str());
    CliRun read = RunCli(Job("read", {"--all", "--json", "--save", path}));
    ASSERT_EQ(read.status, 0) << read.err;
    json readResult = json::parse(read.out);

    CliRun show = RunCli({"show", path, "--json"});
    ASSERT_EQ(show.status, 0) << show.err;
    json file = json::parse(show.out);
    EXPECT_EQ(file["version"], 3);
    EXPECT_EQ(file["phoneNumber"], "5550100");
    EXPECT_EQ(file["programmingCode"], "3958");
    EXPECT_EQ(file["unit"], 1);
    EXPECT_EQ(file["power"], "External power");
    EXPECT_EQ(file["firmware"], "1.0.7");
    for (const auto& [name, value] : readResult["values"].items())
        EXPECT_EQ(file["values"][name], value) << name;
    // Not read from this firmware: the dialog's start values, and their boxes still ticked.
    EXPECT_EQ(file["values"]["BatteryAlarmReceiver"], "");
    EXPECT_EQ(file["values"]["LedSequence"], "1");
    EXPECT_EQ(file["selected"], json({"BatteryAlarmReceiver", "BatteryAlarmCode", "LedSequence"}));
    std::remove(path.c_str());
}

TEST_F(ReadCommand, SaveIsSkippedWhenNothingWasRead)
{
    SimConfig config = DefaultSimConfig();
    config.lines.front().answer = SimLine::Answer::Busy;
    StartLine(config);
    std::string path = (std::filesystem::path(::testing::TempDir()) / "read-save-busy.oxl").string();
    std::remove(path.c_str());
    CliRun run = RunCli(Job("read", {"--all", "--save", path}));
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_NE(run.err.find(path + " was not written"), std::string::npos) << run.err;
}

TEST_F(ReadCommand, SaveToAnUnwritablePathIsRefusedWithTheFileMessageBeforeTheCall)
{
    StartLine();
    CliRun run = RunCli(Job("read", {"--param", "AlarmCode1", "--json", "--save", "/nonexistent-dir/x.oxl"}));
    EXPECT_EQ(run.status, 2);
    json result = json::parse(run.out);
    EXPECT_EQ(result["status"], 2);
    EXPECT_EQ(result["error"], "/nonexistent-dir/x.oxl cannot be saved: the folder /nonexistent-dir does not exist.");
    EXPECT_EQ(run.err.find("Dialing"), std::string::npos) << run.err;
}

TEST_F(ReadCommand, UnitThatAnswersNothingFromTheLoginOnIsSaidNotToAnswer)
{
    DialogueTiming timing = FastTiming();
    timing.answerTimeoutMs = 150;
    SetDialogueTimingForTests(timing);
    StartLine();
    SimFaults faults;
    faults.dropNextAnswers = 1000; // from the login on, the unit plays nothing
    m_sim.InjectFaults(faults);
    CliRun run = RunCli(Job("read", {"--all", "--json"}));
    EXPECT_EQ(run.status, 1);
    json result = json::parse(run.out);
    const std::string silent = "Unit 1 did not answer: nothing came back to the login. Check the unit number; if it "
                               "is right, the line may be too noisy for the unit to hear the tones.";
    EXPECT_EQ(result["error"], silent);
    EXPECT_NE(run.err.find("pravel-cli: " + silent + "\n"), std::string::npos);
}

TEST_F(ReadCommand, BusyToneAfterLoginEndsTheJobEarly)
{
    StartLine();
    SimFaults faults;
    faults.busyToneAfterLogin = true;
    m_sim.InjectFaults(faults);
    CliRun run = RunCli(Job("read", {"--all", "--json"}));
    EXPECT_EQ(run.status, 1);
    json result = json::parse(run.out);
    EXPECT_EQ(result["outcome"], "failed");
    EXPECT_FALSE(result["error"].is_null());
    EXPECT_FALSE(result["notTransferred"].empty());
}

TEST_F(ReadCommand, TraceIsSilentWithoutTraceAndTheSinkIsPutBack)
{
    StartLine();
    TraceCapture capture;
    CliRun run = RunCli(Job("read", {"--param", "AlarmCode1"}));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(capture.Lines().empty());
    TraceText("after\n");
    EXPECT_EQ(capture.Count("after\n"), 1);
}
