// Control characters from files and units are shown escaped in tables, never raw.
#include "cli/TerminalText.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include <nlohmann/json.hpp>

#include "cli/CliTestSupport.h"
#include "files/ParameterFileIo.h"
#include "model/DialogIds.h"
#include "form/DialogItemModel.h"
#include "form/ParameterForm.h"

TEST(TerminalText, ControlCharactersAreEscaped)
{
    struct Case {
        std::string text;
        std::string shown;
    };
    const std::vector<Case> cases = {
        {"0612345678", "0612345678"},
        {"\x1b[2J", "\\x1B[2J"},
        {"a\rb\nc\td", "a\\x0Db\\x0Ac\\x09d"},
        {std::string("x\0y", 3), "x\\x00y"},
        {"\x7f", "\\x7F"},
        {"C:\\dir", "C:\\\\dir"},
        {"\xC2\x9B" "31m", "\\u009B31m"}, // C1 CSI in UTF-8
        {"\xC2\x9D", "\\u009D"},         // C1 OSC
        {"Caf\xC3\xA9 \xE2\x82\xAC", "Caf\xC3\xA9 \xE2\x82\xAC"}, // printable UTF-8 stays
        {"\xC2\xA0", "\xC2\xA0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EscapeControlCharacters(c.text), c.shown) << c.shown;
}

TEST(TerminalText, OwnMessagesKeepTheirLineBreaksOnly)
{
    EXPECT_EQ(MessageText("Can't open serial port /dev/x\nThe device does not exist."),
              "Can't open serial port /dev/x\nThe device does not exist.");
    EXPECT_EQ(MessageText("a\n\nb\n"), "a\n\nb\n");
    EXPECT_EQ(MessageText("answered \"\x1b[2J\r\" to \"AT\"\n"), "answered \"\\x1B[2J\\x0D\" to \"AT\"\n");
}

TEST(TerminalText, ShowEscapesTheTableAndLeavesJsonAsItIs)
{
    CDialogItemModel items;
    SetInitialValues(items);
    items.SetItemText(IDC_PHONE_NUMBER, "555\x1b]0;owned\x07");
    items.SetItemText(1000, "06\r12");
    ProgrammingJob job{};
    ASSERT_TRUE(FillJob(items, job, JobRead, nullptr));
    CopyValuesToJob(items, job);
    const std::string path = (std::filesystem::path(::testing::TempDir()) / "escape-test.oxl").string();
    std::string message;
    ASSERT_TRUE(SaveParameterFile(path, job, "Line\x1b[5m", "", &message)) << message;

    CliRun table = RunCli({"show", path});
    ASSERT_EQ(table.status, 0) << table.err;
    EXPECT_EQ(table.out.find('\x1b'), std::string::npos) << table.out;
    EXPECT_EQ(table.out.find('\r'), std::string::npos);
    EXPECT_NE(table.out.find("555\\x1B]0;owned\\x07\n"), std::string::npos) << table.out;
    EXPECT_NE(table.out.find("06\\x0D12"), std::string::npos) << table.out;
    EXPECT_NE(table.out.find("Line\\x1B[5m\n"), std::string::npos) << table.out;

    CliRun json = RunCli({"show", path, "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    nlohmann::json file = nlohmann::json::parse(json.out);
    EXPECT_EQ(file["phoneNumber"], "555\x1b]0;owned\x07");
    EXPECT_EQ(file["values"]["AlarmReceiver1"], "06\r12");
    EXPECT_TRUE(file["powerSource"].is_null());
    std::remove(path.c_str());
}
