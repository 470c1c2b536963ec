// What the simulator takes as the same telephone number, which firmware it takes, and values with
// '#' and '*' in a unit's memory.
#include <gtest/gtest.h>

#include "ScriptedClient.h"
#include "sim/SimConfigFile.h"
#include "sim/Simulator.h"

namespace {

struct NumberCase {
    const char* configured;
    const char* dialled;
    const char* result;
};

// The modem skips space, '-', '(', ')' and '.' on either side; other characters count.
const NumberCase NumberCases[] = {
    {"5550100", "5550100", "VCON"},
    {"5550100", "555-0100", "VCON"},
    {"5550100", "(555) 0100", "VCON"},
    {"5550100", "555.01.00", "VCON"},
    {"5550100", " 5 5 5 0 1 0 0", "VCON"},
    {"555-0100", "5550100", "VCON"},
    {"(555) 0100", "555-01-00", "VCON"},
    {"5550100", "555/0100", "NO ANSWER"},
    {"5550100", "5550101", "NO ANSWER"},
    {"5550100", "555010", "NO ANSWER"},
};

} // namespace

TEST(SimNumbers, CanonicalNumberDropsOnlyTheSpacingAndToneOrPulse)
{
    EXPECT_EQ(CanonicalNumber("(030) 555-01.00"), "0305550100");
    EXPECT_EQ(CanonicalNumber("T555 0100"), "5550100");
    EXPECT_EQ(CanonicalNumber("p0,T5550100"), "0,5550100");
    EXPECT_EQ(CanonicalNumber("+49 30 555,01"), "+4930555,01");
    EXPECT_EQ(CanonicalNumber(" - ( ) . "), "");
}

TEST(SimNumbers, DialReachesTheLineWhateverTheSpacing)
{
    for (const NumberCase& test : NumberCases) {
        SimConfig config = DefaultSimConfig();
        config.fast = true;
        config.lines[0].number = test.configured;
        CSimulator sim;
        std::string error;
        ASSERT_TRUE(sim.Start(config, &error)) << error;
        ScriptedClient c(sim.DevicePath());
        ASSERT_TRUE(c.Command("ATE0") && c.Command("AT#CLS=8"));
        EXPECT_TRUE(c.Command(std::string("ATDT") + test.dialled, test.result))
            << test.configured << " dialled as " << test.dialled;
        // The unit is found under either form too.
        EXPECT_EQ(sim.UnitState(test.dialled, 1).unit, std::string(test.result) == "VCON" ? 1 : 0) << test.dialled;
    }
}

TEST(SimNumbers, TwoLinesWithOneNumberAreRefused)
{
    SimConfig config = DefaultSimConfig();
    config.lines.push_back(SimLine{"555-0100", SimLine::Answer::Busy, {}});
    std::string error;
    EXPECT_FALSE(ValidateSimConfig(config, &error));
    EXPECT_EQ(error, "line \"555-0100\" is listed twice");
    config.lines[1].number = "( - )";
    EXPECT_FALSE(ValidateSimConfig(config, &error));
    EXPECT_EQ(error, "a line has an empty telephone number");
}

TEST(SimFirmware, OnlyThreeDigitsWithMajorOneOrTwo)
{
    const struct {
        const char* firmware;
        bool valid;
    } cases[] = {{"207", true}, {"118", true}, {"100", true}, {"299", true}, {"307", false}, {"007", false},
                 {"907", false}, {"20", false}, {"2070", false}, {"2a7", false}, {"", false}};
    for (const auto& test : cases) {
        SimConfig config = DefaultSimConfig();
        config.lines[0].units[0].firmware = test.firmware;
        std::string error;
        EXPECT_EQ(ValidateSimConfig(config, &error), test.valid) << test.firmware;
        if (!test.valid) {
            EXPECT_EQ(error, "line \"5550100\", unit 1: the firmware version must be three digits, the first 1 or 2");
        }
        // A configuration file follows the same rule.
        const std::string text =
            std::string(R"({"lines": [{"units": [{"firmware": ")") + test.firmware + R"("}]}]})";
        SimConfig parsed;
        EXPECT_EQ(ParseSimConfig(text, &parsed, &error), test.valid) << text << ": " << error;
    }
}

TEST(SimUnitMemory, StoresAndPlaysBackHashAndStar)
{
    SimConfig config = DefaultSimConfig();
    config.fast = true;
    CSimulator sim;
    std::string error;
    ASSERT_TRUE(sim.Start(config, &error)) << error;
    ScriptedClient c(sim.DevicePath());
    ASSERT_TRUE(c.Connect());
    ASSERT_EQ(c.Ask("203958"), "207");
    // '#' weighs 0 in the units' rule: (4 + 1 + 2 + 0 + 3) mod 10 = 0.
    ASSERT_TRUE(c.SendCode("2102112#3"));
    std::string tones;
    ASSERT_TRUE(c.ReadAnswer(&tones));
    EXPECT_EQ(tones, "C12#30D");
    ASSERT_TRUE(c.SendCode("22021"));
    ASSERT_TRUE(c.ReadAnswer(&tones));
    EXPECT_EQ(tones, "C12#30D");
    // '*' weighs 4: (3 + 1 + 4 + 2) mod 10 = 0.
    EXPECT_EQ(c.Ask("210631*2"), "1*2");
    ASSERT_TRUE(c.SendCode("22063"));
    ASSERT_TRUE(c.ReadAnswer(&tones));
    EXPECT_EQ(tones, "C1*20D");
    EXPECT_EQ(sim.UnitState("5550100", 1).settings.at("AlarmReceiver2"), "12#3");
    EXPECT_EQ(sim.UnitState("5550100", 1).settings.at("AlarmCode1"), "1*2");
}
