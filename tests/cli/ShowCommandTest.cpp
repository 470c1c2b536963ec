// pravel-cli show: what a Load would put into the dialog.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "cli/CliTestSupport.h"
#include "files/ParameterFileIo.h"
#include "model/DialogIds.h"
#include "form/DialogItemModel.h"
#include "form/ParameterForm.h"
#include "model/StringTable.h"

using nlohmann::json;

namespace {

class ShowCommand : public ::testing::Test {
protected:
    void TearDown() override { std::remove(m_path.c_str()); }

    void WriteBytes(const std::vector<uint8_t>& bytes)
    {
        std::ofstream file(m_path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    std::string m_path = (std::filesystem::path(::testing::TempDir()) / "show-test.oxl").string();
};

// A file of the given version with fields 1 to 20 only (as versions 0 and 1 are), mask 0x1.
std::vector<uint8_t> OldImage(unsigned version)
{
    std::vector<uint8_t> bytes = {'O', 'X', 'L', '!'};
    AppendWord(bytes, version);
    AppendWord(bytes, 0);
    AppendWord(bytes, 0x1);
    for (const char* text : {"5550199", "1234", "111", "222", "333", "444", "11", "22", "33", "44", "555", "666",
                             "777", "888", "0", "1", "4321", "-1", "3", "7"})
        AppendText(bytes, text);
    return bytes;
}

} // namespace

TEST_F(ShowCommand, VersionThreeFileShowsWhatSaveWrote)
{
    CDialogItemModel items;
    SetInitialValues(items);
    items.SetItemText(IDC_PHONE_NUMBER, "0049 89 123");
    CheckRadioButton(items, IDC_UNIT_FIRST, IDC_UNIT_LAST, IDC_UNIT_FIRST + 3);
    items.SetItemText(1000, "0612345678");
    items.CheckButton(1010, true);
    items.CheckButton(1017, true); // SequenceReceiver4: bit 0x80
    items.CheckButton(1039, true); // BatteryAlarmReceiver: a high-half bit
    items.SetComboSelection(IDC_PHONE_ACKNOWLEDGE, 1);
    items.CheckButton(IDC_ID_BEEP, true);
    ProgrammingJob job{};
    ASSERT_TRUE(FillJob(items, job, JobRead, nullptr));
    CopyValuesToJob(items, job);
    std::string message;
    ASSERT_TRUE(SaveParameterFile(m_path, job, "Line power", "2.0.9", &message)) << message;

    CliRun run = RunCli({"show", m_path, "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    json file = json::parse(run.out);
    EXPECT_EQ(file["version"], 3);
    EXPECT_EQ(file["phoneNumber"], "0049 89 123");
    EXPECT_EQ(file["programmingCode"], "3958");
    EXPECT_EQ(file["unit"], 4);
    EXPECT_EQ(file["power"], "Line power");
    EXPECT_EQ(file["firmware"], "2.0.9");
    EXPECT_EQ(file["values"].size(), 21u);
    EXPECT_EQ(file["values"]["AlarmReceiver1"], "0612345678");
    EXPECT_EQ(file["values"]["PhoneAcknowledge"], "1");
    EXPECT_EQ(file["values"]["TestAlarmTime"], "10");
    EXPECT_EQ(file["values"]["IdBeep"], "1");
    EXPECT_EQ(file["values"]["LedSequence"], "1");
    EXPECT_EQ(file["values"]["AlarmType"], "10");
    EXPECT_EQ(file["selected"], json({"AlarmReceiver1", "BatteryAlarmReceiver", "SequenceReceiver4"}));

    CliRun table = RunCli({"show", m_path});
    ASSERT_EQ(table.status, 0);
    EXPECT_NE(table.out.find("Unit                  4\n"), std::string::npos) << table.out;
    EXPECT_NE(table.out.find("AlarmReceiver1        0612345678            yes\n"), std::string::npos) << table.out;
}

TEST_F(ShowCommand, VersionOneFileGetsTheDefaultsALoadPutsIn)
{
    WriteBytes(OldImage(1));
    CliRun run = RunCli({"show", m_path, "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    json file = json::parse(run.out);
    EXPECT_EQ(file["version"], 1);
    EXPECT_EQ(file["phoneNumber"], "5550199");
    EXPECT_TRUE(file["unit"].is_null());
    EXPECT_EQ(file["power"], "");
    EXPECT_EQ(file["firmware"], "");
    EXPECT_EQ(file["values"]["AlarmType"], "10");
    EXPECT_EQ(file["values"]["IdBeep"], "0");
    EXPECT_EQ(file["values"]["InfoAlarm"], "0");
    EXPECT_EQ(file["values"]["LedSequence"], "0");
    EXPECT_EQ(file["values"]["DialToneDetection"], "1");
    EXPECT_EQ(file["values"]["PhoneAcknowledge"], "-1"); // "-1" selects nothing
    EXPECT_EQ(file["values"]["TestAlarmTime"], "3");
    EXPECT_EQ(file["selected"], json({"AlarmReceiver1"}));
}

TEST_F(ShowCommand, EightBitTextsAreShownAsWindows1252)
{
    CDialogItemModel items;
    SetInitialValues(items);
    items.SetItemText(IDC_PHONE_NUMBER, "Caf\xE9 \x80");
    ProgrammingJob job{};
    ASSERT_TRUE(FillJob(items, job, JobRead, nullptr));
    CopyValuesToJob(items, job);
    std::string message;
    ASSERT_TRUE(SaveParameterFile(m_path, job, "", "", &message)) << message;
    CliRun run = RunCli({"show", m_path, "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(json::parse(run.out)["phoneNumber"], "Caf\u00E9 \u20AC");
}

TEST_F(ShowCommand, BadFilesExitTwoWithTheLoadMessage)
{
    struct Case {
        std::vector<uint8_t> bytes;
        std::string message;
    };
    std::vector<uint8_t> other = OldImage(3);
    other[0] = 'X';
    std::vector<uint8_t> cut = OldImage(3); // claims version 3 but ends after field 20
    const std::vector<Case> cases = {
        {std::vector<uint8_t>(41, 'O'), LoadString(IDS_NOT_PRAVEL_FILE)},
        {other, LoadString(IDS_NOT_PRAVEL_FILE)},
        {OldImage(4), LoadString(IDS_UNKNOWN_FILE_VERSION)},
        {cut, LoadString(IDS_FILE_CORRUPT)},
    };
    for (const Case& c : cases) {
        WriteBytes(c.bytes);
        CliRun run = RunCli({"show", m_path, "--json"});
        EXPECT_EQ(run.status, 2) << c.message;
        EXPECT_EQ(run.err, "pravel-cli: " + c.message + "\n");
        // Under --json the refusal is JSON too.
        EXPECT_EQ(json::parse(run.out), json({{"error", c.message}, {"status", 2}}));
    }
}

TEST_F(ShowCommand, MissingFileExitsTwoSayingItWasNotFound)
{
    CliRun run = RunCli({"show", m_path + ".missing"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err.find("Failed to create file ("), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(" was not found."), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(m_path + ".missing"), std::string::npos) << run.err;
}

TEST_F(ShowCommand, NeedsAFile)
{
    CliRun run = RunCli({"show"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("file"), std::string::npos) << run.err;
}
