// What read and write share, against the simulator: what is refused before the call, what a job
// that cannot do what was named ends with, and how its messages print.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include <nlohmann/json.hpp>

#include "cli/CliTestSupport.h"
#include "cli/JobCommand.h"
#include "files/ParameterFileIo.h"
#include "form/DialogItemModel.h"
#include "form/ParameterForm.h"
#include "model/DialogIds.h"

using nlohmann::json;

namespace {

class JobCommand : public SimulatedLineTest {
protected:
    void TearDown() override
    {
        for (const std::string& path : m_files)
            std::remove(path.c_str());
        SimulatedLineTest::TearDown();
    }
    // A file as the dialog saves it after a read: every value, AlarmCode1 ticked, and the power
    // and firmware texts of the unit it was read from.
    std::string SavedFile(const std::string& name, const std::string& power)
    {
        CDialogItemModel items;
        SetInitialValues(items);
        items.SetItemText(IDC_PHONE_NUMBER, "5550100");
        items.SetItemText(1003, "1122"); // AlarmCode1
        items.CheckButton(1013, true);
        items.SetItemText(1031, "3958"); // NewProgrammingCode, as a read leaves it
        ProgrammingJob job{};
        EXPECT_TRUE(FillJob(items, job, JobRead, nullptr));
        CopyValuesToJob(items, job);
        std::string path = (std::filesystem::path(::testing::TempDir()) / name).string();
        std::string message;
        EXPECT_TRUE(SaveParameterFile(path, job, power, "2.0.7", &message)) << message;
        m_files.push_back(path);
        return path;
    }
    std::vector<std::string> m_files;
};

std::string Line(const std::vector<std::string>& args)
{
    std::string line;
    for (const auto& a : args)
        line += a + " ";
    return line;
}

} // namespace

TEST_F(JobCommand, WhatWouldEraseOrDialNothingIsRefusedBeforeTheCall)
{
    StartLine();
    SimUnit before = Unit();
    const std::string port = m_sim.DevicePath();
    struct Case {
        std::vector<std::string> args;
        std::string message; // the whole line after "pravel-cli: "
    } cases[] = {
        // A --param without a value from --set or a file would write the empty control.
        {Job("write", {"--param", "AlarmReceiver1", "--param", "AlarmCode1"}),
         "--param AlarmReceiver1 has no value to write: give it with --set AlarmReceiver1=VALUE (--set "
         "AlarmReceiver1= writes it empty) or take it from --file FILE."},
        {Job("write", {"--set", "AlarmCode1=12", "--param", "alarmreceiver2"}),
         "--param AlarmReceiver2 has no value to write: give it with --set AlarmReceiver2=VALUE (--set "
         "AlarmReceiver2= writes it empty) or take it from --file FILE."},
        {Job("write", {"--all"}), "--all writes what a file holds: give the file with --file FILE."},
        // A number of modifiers and spacing only dials nothing.
        {{"read", "--port", port, "--number", " ", "--code", "3958", "--all"},
         "Telephone number: it has no digit to dial."},
        {{"read", "--port", port, "--number", "---", "--code", "3958", "--all"},
         "Telephone number: it has no digit to dial."},
        {{"write", "--port", port, "--number", "WWW", "--code", "3958", "--set", "AlarmCode1=1"},
         "Telephone number: it has no digit to dial."},
        {{"read", "--port", port, "--number", "!", "--code", "3958", "--all"},
         "Telephone number: it has no digit to dial."},
        {{"read", "--port", port, "--number", "#*A", "--code", "3958", "--all"},
         "Telephone number: it has no digit to dial."},
        // Names in any case; a near miss gets the name meant.
        {Job("write", {"--set", "AlarmCod1=12"}), "Unknown parameter 'AlarmCod1'. Did you mean 'AlarmCode1'?"},
        {Job("read", {"--param", "ledsequense"}), "Unknown parameter 'ledsequense'. Did you mean 'LedSequence'?"},
    };
    for (const Case& c : cases) {
        CliRun run = RunCli(c.args);
        EXPECT_EQ(run.status, 2) << Line(c.args) << "\n" << run.err;
        EXPECT_EQ(run.err, "pravel-cli: " + c.message + "\n") << Line(c.args);
    }
    EXPECT_EQ(Unit().settings, before.settings);
}

TEST_F(JobCommand, NamesInAnyCaseAndAnEmptyValueByChoice)
{
    StartLine();
    CliRun run = RunCli(Job("write", {"--set", "alarmreceiver1=", "--set", "ALARMCODE1=77", "--param", "AlarmCode1",
                                      "--json"}));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(json::parse(run.out)["written"], json({"AlarmReceiver1", "AlarmCode1"}));
    EXPECT_EQ(Unit().settings.at("AlarmReceiver1"), "");
    EXPECT_EQ(Unit().settings.at("AlarmCode1"), "77");
}

// A parameter named by the user that the unit's firmware lacks fails the job; chosen through
// --all it is only noted.
TEST_F(JobCommand, NamedParametersTheFirmwareLacksFailTheJob)
{
    StartLine(WithFirmware("105"));
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string error; // the JSON error; empty: none
        json notTransferred;
    } cases[] = {
        {Job("write", {"--set", "LedSequence=0", "--json"}), 1,
         "The unit's firmware 1.0.5 has no LedSequence: it was not written.", json({"LedSequence"})},
        {Job("write", {"--set", "LedSequence=0", "--set", "BatteryAlarmCode=12", "--set", "AlarmCode2=4711", "--json"}),
         1, "The unit's firmware 1.0.5 has no BatteryAlarmCode, LedSequence: they were not written.",
         json({"BatteryAlarmCode", "LedSequence"})},
        {Job("read", {"--param", "BatteryAlarmReceiver", "--json"}), 1,
         "The unit's firmware 1.0.5 has no BatteryAlarmReceiver: it was not read.", json({"BatteryAlarmReceiver"})},
        {Job("read", {"--all", "--json"}), 0, "", json({"BatteryAlarmReceiver", "BatteryAlarmCode", "LedSequence"})},
    };
    for (const Case& c : cases) {
        CliRun run = RunCli(c.args);
        SCOPED_TRACE(Line(c.args));
        EXPECT_EQ(run.status, c.status) << run.err;
        json result = json::parse(run.out);
        EXPECT_EQ(result["notTransferred"], c.notTransferred);
        if (c.error.empty()) {
            EXPECT_EQ(result["outcome"], "completed");
            EXPECT_TRUE(result["error"].is_null());
        } else {
            EXPECT_EQ(result["outcome"], "failed");
            EXPECT_EQ(result["reason"], "not-transferred");
            EXPECT_EQ(result["error"], c.error);
            EXPECT_NE(run.err.find("pravel-cli: " + c.error + "\n"), std::string::npos) << run.err;
        }
    }
    EXPECT_EQ(Unit().settings.at("AlarmCode2"), "4711"); // what it has is still written
}

TEST_F(JobCommand, WriteReportsOnlyWhatTheUnitSaid)
{
    SimConfig config = DefaultSimConfig();
    config.lines.front().units.front().power = '0'; // on line power
    StartLine(config);
    const std::string path = SavedFile("external-power.oxl", "External power");
    for (bool json : {true, false}) {
        std::vector<std::string> args = {"write", "--port", m_sim.DevicePath(), "--file", path};
        if (json)
            args.push_back("--json");
        CliRun run = RunCli(args);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out.find("External power"), std::string::npos) << run.out;
        if (json) {
            nlohmann::json result = nlohmann::json::parse(run.out);
            EXPECT_TRUE(result["power"].is_null());
            EXPECT_TRUE(result["powerSource"].is_null());
            EXPECT_EQ(result["firmware"], "2.0.7");
        }
    }
    EXPECT_EQ(Unit().settings.at("AlarmCode1"), "1122");
}

TEST_F(JobCommand, WriteAllFromAFileWritesEveryParameterItHolds)
{
    StartLine(WithFirmware("105"));
    const std::string path = SavedFile("all.oxl", "");
    CliRun run = RunCli({"write", "--port", m_sim.DevicePath(), "--file", path, "--all", "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    json result = json::parse(run.out);
    EXPECT_EQ(result["written"].size(), 18u); // firmware 1 has no battery rows and LED
    EXPECT_EQ(result["notTransferred"], json({"BatteryAlarmReceiver", "BatteryAlarmCode", "LedSequence"}));
    EXPECT_EQ(Unit().settings.at("AlarmCode1"), "1122");
}

TEST_F(JobCommand, AnAbsentUnitIsSaidToBeSilentNotABadLine)
{
    StartLine(); // only unit 1 on the line
    CliRun run = RunCli(Job("read", {"--unit", "4", "--all", "--json"}));
    EXPECT_EQ(run.status, 1);
    json result = json::parse(run.out);
    EXPECT_EQ(result["error"], "Unit 4 did not answer: nothing came back to the login. Check the unit number; if it "
                               "is right, the line may be too noisy for the unit to hear the tones.");
    EXPECT_EQ(result["reason"], "unit-silent");

    // A unit that answers, but garbled, is a line too noisy for its tones.
    SimFaults faults;
    faults.corruptAllAnswers = true;
    m_sim.InjectFaults(faults);
    run = RunCli(Job("read", {"--all", "--json"}));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(json::parse(run.out)["error"], "The line is too noisy for DTMF: 5 of 5 answers failed their check.");
    EXPECT_EQ(json::parse(run.out)["reason"], "noisy-line");
}

TEST_F(JobCommand, OwnMessagesPrintTheirLineBreaks)
{
    CliRun run = RunCli({"read", "--port", "/dev/pravel-no-such-port", "--number", "5550100", "--code", "3958", "--all"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.find("\\x0A"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("/dev/pravel-no-such-port\nThe device does not exist.\n"), std::string::npos) << run.err;
}

namespace {

// A CSV text read back: rows of fields (RFC 4180 quoting).
std::vector<std::vector<std::string>> ParseCsv(const std::string& text)
{
    std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                rows.back().back() += text[++i];
            else if (c == '"')
                quoted = false;
            else
                rows.back().back() += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            rows.back().emplace_back();
        } else if (c == '\n') {
            rows.emplace_back(1);
        } else {
            rows.back().back() += c;
        }
    }
    if (rows.back() == std::vector<std::string>(1))
        rows.pop_back();
    return rows;
}

} // namespace

TEST_F(JobCommand, ReadAndShowPrintCsvThatParses)
{
    StartLine();
    CliRun read = RunCli(Job("read", {"--param", "AlarmReceiver1", "--param", "AlarmCode1", "--csv"}));
    ASSERT_EQ(read.status, 0) << read.err;
    using Rows = std::vector<std::vector<std::string>>;
    EXPECT_EQ(ParseCsv(read.out), (Rows{{"name", "value", "ticked"},
                                        {"AlarmReceiver1", Unit().settings.at("AlarmReceiver1"), "0"},
                                        {"AlarmCode1", Unit().settings.at("AlarmCode1"), "0"}}));

    // A file's values may hold commas, quotes and line breaks.
    CDialogItemModel items;
    SetInitialValues(items);
    items.SetItemText(1000, "06,\"12\"\n34"); // AlarmReceiver1
    items.CheckButton(1010, true);
    ProgrammingJob job{};
    ASSERT_TRUE(FillJob(items, job, JobRead, nullptr));
    CopyValuesToJob(items, job);
    const std::string path = (std::filesystem::path(::testing::TempDir()) / "csv.oxl").string();
    std::string message;
    ASSERT_TRUE(SaveParameterFile(path, job, "", "", &message)) << message;
    m_files.push_back(path);
    CliRun show = RunCli({"show", path, "--csv"});
    ASSERT_EQ(show.status, 0) << show.err;
    Rows rows = ParseCsv(show.out);
    ASSERT_EQ(rows.size(), 22u) << show.out;
    EXPECT_EQ(rows[1], (std::vector<std::string>{"AlarmReceiver1", "06,\"12\"\n34", "1"}));
    EXPECT_EQ(rows[2][0], "AlarmReceiver2");
    EXPECT_EQ(rows[2][2], "0");

    EXPECT_EQ(RunCli({"show", path, "--csv", "--json"}).status, 2);
}

TEST_F(JobCommand, JsonNamesPortNumberAndUnit)
{
    StartLine();
    for (const auto& args : {Job("read", {"--param", "AlarmCode1", "--unit", "1", "--json"}),
                             Job("write", {"--set", "AlarmCode1=5", "--unit", "1", "--json"})}) {
        CliRun run = RunCli(args);
        ASSERT_EQ(run.status, 0) << run.err;
        json result = json::parse(run.out);
        EXPECT_EQ(result["port"], m_sim.DevicePath());
        EXPECT_EQ(result["number"], "5550100");
        EXPECT_EQ(result["unit"], 1);
    }
}

TEST_F(JobCommand, ParserErrorsCarryTheProgramsNameAndReadAsText)
{
    struct Case {
        std::vector<std::string> args;
        std::string firstLine;
    } cases[] = {
        {{"read", "--simulate", "--all", "--unit", "abc"},
         "pravel-cli: --unit: give a whole number from 1 to 6, not 'abc'."},
        {{"read", "--simulate", "--all", "--unit", "7"}, "pravel-cli: --unit: give a whole number from 1 to 6, not '7'."},
        {{"read", "--simulate", "--all", "--unit", "2.5"},
         "pravel-cli: --unit: give a whole number from 1 to 6, not '2.5'."},
        {{"read", "--simulate", "--all", "--no-such-option"}, "pravel-cli: The following argument was not expected: "
                                                              "--no-such-option"},
    };
    for (const Case& c : cases) {
        CliRun run = RunCli(c.args);
        EXPECT_EQ(run.status, 2) << Line(c.args);
        EXPECT_EQ(run.err.substr(0, run.err.find('\n')), c.firstLine) << Line(c.args);
        EXPECT_NE(run.err.find("\nRun 'pravel-cli read --help' for the options.\n"), std::string::npos) << run.err;
    }
}

TEST(NormalizedPortName, TheDialogsLabelsAreTheirPorts)
{
    const std::pair<std::string, std::string> cases[] = {
        {"COM01", "com1"}, {"com1", "com1"}, {"COM10", "com10"}, {"Com007", "com7"},
        {"COM0", "COM0"},  {"COMX", "COMX"}, {"/dev/ttyUSB0", "/dev/ttyUSB0"}, {"com", "com"},
    };
    for (const auto& [given, port] : cases)
        EXPECT_EQ(NormalizedPortName(given), port) << given;
}

TEST_F(JobCommand, DialModifiersReachTheSimulatedLineAndNoDeviceIsAPortUser)
{
    StartLine();
    for (const char* number : {"T5550100", "P555 0100", "555T0100"}) {
        CliRun run = RunCli({"read", "--port", m_sim.DevicePath(), "--number", number, "--code", "3958", "--param",
                             "AlarmCode1"});
        EXPECT_EQ(run.status, 0) << number << "\n" << run.err;
    }
    // /dev/null is no serial port: nobody who holds it is named as a port user.
    CliRun null = RunCli({"read", "--port", "/dev/null", "--number", "5550100", "--code", "3958", "--all"});
    EXPECT_EQ(null.status, 1);
    EXPECT_EQ(null.err.find("warning"), std::string::npos) << null.err;
}
