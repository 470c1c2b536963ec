// The port dialogs' advanced fields: what OK takes and what it refuses, with the field it names.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>

#include "form/ModemCallFields.h"

namespace fs = std::filesystem;

namespace {

// A scratch folder of this test's own, removed at the end.
class ModemCallFieldsTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_folder = fs::temp_directory_path() /
                   ("pravel-call-fields-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
    }
    void TearDown() override { fs::remove_all(m_folder); }
    std::string In(const std::string& name) const { return (m_folder / name).string(); }

    fs::path m_folder;
};

struct FieldsCase {
    const char* name;
    ModemCallFields fields;
    ModemCallField problemField;
    const char* problemStart; // the start of the message; "" when good
    int gap;
    int wait;
    const char* country;
};
void PrintTo(const FieldsCase& c, std::ostream* out)
{
    *out << c.name;
}

class ModemCallFieldsCases : public ModemCallFieldsTest, public testing::WithParamInterface<FieldsCase> {};

} // namespace

TEST_P(ModemCallFieldsCases, AreTakenOrRefusedWithTheFieldNamed)
{
    const FieldsCase& c = GetParam();
    const ModemCallFieldsCheck check = CheckModemCallFields(c.fields);
    EXPECT_EQ(check.problemField, c.problemField) << check.problem;
    EXPECT_EQ(check.Good(), c.problemField == ModemCallField::None);
    EXPECT_EQ(check.problem.rfind(c.problemStart, 0), 0u) << check.problem;
    if (check.Good()) {
        EXPECT_TRUE(check.problem.empty());
        EXPECT_EQ(check.settings.ringbackGapTenths, c.gap);
        EXPECT_EQ(check.settings.ringbackWaitSeconds, c.wait);
        EXPECT_EQ(check.settings.country, c.country);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, ModemCallFieldsCases,
    testing::Values(
        FieldsCase{"Defaults", {"70", "10", "", ""}, ModemCallField::None, "", 70, 10, ""},
        FieldsCase{"Bounds", {"0", "255", "b5", ""}, ModemCallField::None, "", 0, 255, "B5"},
        FieldsCase{"Blanks", {" 60 ", "\t9", " 3d ", "  "}, ModemCallField::None, "", 60, 9, "3D"},
        FieldsCase{"GapTooLarge",
                   {"256", "10", "", ""},
                   ModemCallField::RingbackGap,
                   "Ringback gap: \"256\" is not a whole number from 0 to 255",
                   0,
                   0,
                   ""},
        FieldsCase{"GapEmpty", {"", "10", "", ""}, ModemCallField::RingbackGap, "Ringback gap: \"\" is not", 0, 0, ""},
        FieldsCase{"GapNegative", {"-1", "10", "", ""}, ModemCallField::RingbackGap, "Ringback gap:", 0, 0, ""},
        FieldsCase{"GapFraction", {"7.5", "10", "", ""}, ModemCallField::RingbackGap, "Ringback gap:", 0, 0, ""},
        FieldsCase{"WaitLetters",
                   {"70", "ten", "", ""},
                   ModemCallField::RingbackWait,
                   "Ringback wait: \"ten\" is not a whole number from 0 to 255",
                   0,
                   0,
                   ""},
        FieldsCase{"WaitTooLarge", {"70", "1000", "", ""}, ModemCallField::RingbackWait, "Ringback wait:", 0, 0, ""},
        FieldsCase{"CountryOneDigit",
                   {"70", "10", "5", ""},
                   ModemCallField::Country,
                   "Country code: \"5\" is not two hexadecimal digits",
                   0,
                   0,
                   ""},
        FieldsCase{"CountryNotHex", {"70", "10", "SE", ""}, ModemCallField::Country, "Country code:", 0, 0, ""},
        FieldsCase{"CountryThreeDigits", {"70", "10", "B50", ""}, ModemCallField::Country, "Country code:", 0, 0, ""},
        // The first field in the dialog's order is named.
        FieldsCase{"GapBeforeCountry", {"x", "10", "x", ""}, ModemCallField::RingbackGap, "Ringback gap:", 0, 0, ""}),
    [](const testing::TestParamInfo<FieldsCase>& info) { return std::string(info.param.name); });

TEST_F(ModemCallFieldsTest, ATraceFileInAFolderThatExistsIsTakenAndNotLeftBehind)
{
    const std::string path = In("modem.trace");
    const ModemCallFieldsCheck check = CheckModemCallFields({"70", "10", "", "  " + path + " "});
    EXPECT_TRUE(check.Good()) << check.problem;
    EXPECT_EQ(check.traceFile, path);
    EXPECT_FALSE(fs::exists(path)); // the check does not leave a file behind
}

TEST_F(ModemCallFieldsTest, AnExistingTraceFileIsTakenAndLeftAsItIs)
{
    const std::string path = In("old.trace");
    std::ofstream(path) << "recorded before\n";
    const ModemCallFieldsCheck check = CheckModemCallFields({"70", "10", "", path});
    EXPECT_TRUE(check.Good()) << check.problem;
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "recorded before");
}

TEST_F(ModemCallFieldsTest, ATraceFileThatCannotBeWrittenIsRefusedWithTheReason)
{
    fs::create_directories(In("folder"));
    std::ofstream(In("plain")) << "x";
    struct {
        std::string path;
        std::string problem;
    } cases[] = {
        {In("folder"), "Trace file: " + In("folder") + " is a folder"},
        {In("missing/modem.trace"), "Trace file: " + In("missing/modem.trace") + " cannot be saved: the folder "},
        {In("plain/modem.trace"), "Trace file: " + In("plain/modem.trace") + " cannot be saved: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const ModemCallFieldsCheck check = CheckModemCallFields({"70", "10", "", c.path});
        EXPECT_EQ(check.problemField, ModemCallField::TraceFile);
        EXPECT_EQ(check.problem.rfind(c.problem, 0), 0u) << check.problem;
    }
}

TEST(ModemCallFieldsOf, GivesTheSettingsAsTheDialogShowsThem)
{
    ModemCallSettings settings;
    settings.ringbackGapTenths = 0;
    settings.ringbackWaitSeconds = 255;
    settings.country = "B5";
    const ModemCallFields fields = ModemCallFieldsOf(settings, "/tmp/x.trace");
    EXPECT_EQ(fields.ringbackGap, "0");
    EXPECT_EQ(fields.ringbackWait, "255");
    EXPECT_EQ(fields.country, "B5");
    EXPECT_EQ(fields.traceFile, "/tmp/x.trace");
    // What the dialog opens on, OK takes unchanged.
    const ModemCallFieldsCheck check = CheckModemCallFields(fields);
    EXPECT_EQ(check.settings.ringbackGapTenths, 0);
    EXPECT_EQ(check.settings.ringbackWaitSeconds, 255);
    EXPECT_EQ(check.settings.country, "B5");
}
