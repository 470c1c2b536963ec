// pravel.exe's command line.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "winapp/WinAppOptions.h"

struct OptionCase {
    const char* name;
    std::vector<std::string> arguments;
    bool valid;
    bool simulate;
    bool help;
    bool version;
    std::string file = {};
};
// Cases by their names in the test output.
void PrintTo(const OptionCase& c, std::ostream* out) { *out << c.name; }


class WinAppOptionsCase : public testing::TestWithParam<OptionCase> {};

TEST_P(WinAppOptionsCase, Parses)
{
    const OptionCase& c = GetParam();
    WinAppOptions options;
    options.simulate = options.help = options.version = true; // each parse starts afresh
    std::string problem;
    ASSERT_EQ(ParseWinAppOptions(c.arguments, &options, &problem), c.valid) << problem;
    if (!c.valid) {
        EXPECT_NE(problem.find(c.arguments.back()), std::string::npos) << problem;
        return;
    }
    EXPECT_TRUE(problem.empty());
    EXPECT_EQ(options.simulate, c.simulate);
    EXPECT_EQ(options.help, c.help);
    EXPECT_EQ(options.version, c.version);
    EXPECT_EQ(options.file, c.file);
}

INSTANTIATE_TEST_SUITE_P(Cases, WinAppOptionsCase,
                         testing::Values(OptionCase{"None", {}, true, false, false, false},
                                         OptionCase{"Simulate", {"--simulate"}, true, true, false, false},
                                         OptionCase{"Help", {"--help"}, true, false, true, false},
                                         OptionCase{"HelpShort", {"-h"}, true, false, true, false},
                                         OptionCase{"HelpWindows", {"/?"}, true, false, true, false},
                                         OptionCase{"Version", {"--version"}, true, false, false, true},
                                         OptionCase{"Both", {"--simulate", "-v"}, true, true, false, true},
                                         OptionCase{"Unknown", {"--simulate", "--port"}, false, false, false, false},
                                         OptionCase{"File", {"unit.oxl"}, true, false, false, false, "unit.oxl"},
                                         OptionCase{"FileAndSimulate",
                                                    {"C:\\a.oxl", "--simulate"},
                                                    true,
                                                    true,
                                                    false,
                                                    false,
                                                    "C:\\a.oxl"},
                                         // Unquoted, a path with spaces comes in pieces.
                                         OptionCase{"FileInPieces",
                                                    {"C:\\My", "files\\unit.oxl"},
                                                    true,
                                                    false,
                                                    false,
                                                    false,
                                                    "C:\\My files\\unit.oxl"},
                                         OptionCase{"UnknownAfterFile", {"a.oxl", "-x"}, false, false, false, false}),
                         [](const testing::TestParamInfo<OptionCase>& info) { return std::string(info.param.name); });

TEST(WinAppOptions, TheUsageNamesEveryOption)
{
    const std::string usage = WinAppUsage();
    for (const char* option : {"--simulate", "--help", "--version", "5550100", "3958", "file"})
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    EXPECT_EQ(usage.back(), '\n');
}
