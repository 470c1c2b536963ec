// The port list rule: the ten numbered entries first, the ports present merged in without
// duplicates and in order, and the entry a port name opens on.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "winapp/PortChoices.h"

namespace {

std::vector<std::string> Texts(const std::vector<PortChoice>& choices)
{
    std::vector<std::string> texts;
    for (const PortChoice& choice : choices)
        texts.push_back(choice.text);
    return texts;
}

const std::vector<std::string> Ten = {"COM01", "COM02", "COM03", "COM04", "COM05",
                                      "COM06", "COM07", "COM08", "COM09", "COM10"};

std::vector<std::string> TenAnd(std::vector<std::string> more)
{
    std::vector<std::string> texts = Ten;
    texts.insert(texts.end(), more.begin(), more.end());
    return texts;
}

} // namespace

TEST(PortChoices, TheTenNumberedEntriesStandForCom1ToCom10)
{
    std::vector<PortChoice> choices = BuildPortChoices({});
    ASSERT_EQ(Texts(choices), Ten);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(choices[i].portName, "com" + std::to_string(i + 1));
}

struct MergeCase {
    const char* name;
    std::vector<std::string> present;
    std::vector<std::string> texts;
};
// Cases by their names in the test output.
void PrintTo(const MergeCase& c, std::ostream* out) { *out << c.name; }


class PortChoicesMerge : public testing::TestWithParam<MergeCase> {};

TEST_P(PortChoicesMerge, PresentPortsFollowTheTenOnceEachInOrder)
{
    EXPECT_EQ(Texts(BuildPortChoices(GetParam().present)), GetParam().texts);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PortChoicesMerge,
    testing::Values(MergeCase{"OneOfTheTen", {"COM3"}, Ten}, MergeCase{"TheTenInAnyCase", {"com1", "Com10", "COM1"}, Ten},
                    MergeCase{"AboveTenByNumber", {"COM12", "COM100", "COM11"}, TenAnd({"COM11", "COM12", "COM100"})},
                    MergeCase{"DuplicatesOnce", {"COM12", "com12", "COM12"}, TenAnd({"COM12"})},
                    MergeCase{"OtherNamesAfterInTheirOrder",
                              {"CNCB0", "COM15", "CNCA0", "cnca0", "COM4"},
                              TenAnd({"COM15", "CNCB0", "CNCA0"})},
                    MergeCase{"NoNumberOrBeyondAnyPort",
                              {"COM0", "COM", "COM99999999999", "COM3x", ""},
                              TenAnd({"COM0", "COM", "COM99999999999", "COM3x"})}),
    [](const testing::TestParamInfo<MergeCase>& info) { return std::string(info.param.name); });

TEST(PortChoices, EntriesBeyondTheTenStandForTheirPort)
{
    std::vector<PortChoice> choices = BuildPortChoices({"COM12", "CNCA0"});
    ASSERT_EQ(choices.size(), 12u);
    EXPECT_EQ(choices[10].portName, "com12");
    EXPECT_EQ(choices[11].portName, "CNCA0");
}

struct IndexCase {
    const char* name;
    const char* portName;
    int index;
};
// Cases by their names in the test output.
void PrintTo(const IndexCase& c, std::ostream* out) { *out << c.name; }


class PortChoicesIndex : public testing::TestWithParam<IndexCase> {};

TEST_P(PortChoicesIndex, OpensOnTheEntryOfTheName)
{
    std::vector<PortChoice> choices = BuildPortChoices({"COM12", "CNCA0"});
    EXPECT_EQ(PortChoiceIndex(choices, GetParam().portName), GetParam().index);
}

INSTANTIATE_TEST_SUITE_P(Cases, PortChoicesIndex,
                         testing::Values(IndexCase{"Com1", "com1", 0}, IndexCase{"Com10", "com10", 9},
                                         IndexCase{"UpperCase", "COM3", 2}, IndexCase{"LeadingZero", "com05", 4},
                                         IndexCase{"AnyFirstThree", "xyz7", 6}, IndexCase{"Com0", "com0", -1},
                                         IndexCase{"Com11NotPresent", "com11", -1},
                                         IndexCase{"Com12Present", "com12", 10}, IndexCase{"Com12Upper", "COM12", 10},
                                         IndexCase{"OtherPresent", "cnca0", 11}, IndexCase{"Short", "co", -1},
                                         IndexCase{"NoDigits", "com", -1}, IndexCase{"Empty", "", -1},
                                         IndexCase{"HugeNumber", "com99999999999999999999", -1},
                                         IndexCase{"TrailingText", "com3:", 2}),
                         [](const testing::TestParamInfo<IndexCase>& info) { return std::string(info.param.name); });

TEST(PortChoices, ComPortNumberReadsOnlyTheWholeComForm)
{
    EXPECT_EQ(ComPortNumber("COM3"), 3u);
    EXPECT_EQ(ComPortNumber("com256"), 256u);
    EXPECT_EQ(ComPortNumber("com257"), 0u);
    EXPECT_EQ(ComPortNumber("COM3x"), 0u);
    EXPECT_EQ(ComPortNumber("CNC3"), 0u);
    EXPECT_EQ(ComPortNumber("COM"), 0u);
}
