#include "unit/DtmfFraming.h"

#include <gtest/gtest.h>
#include <string>

TEST(BuildDtmfCommand, ExamplesOfTheUnitsVocabulary)
{
    EXPECT_EQ(BuildDtmfCommand("22000"), "AT#VTS=C,2,B,0,B,0,9,D\r\n");
    EXPECT_EQ(BuildDtmfCommand("99"), "AT#VTS=C,9,B,0,D\r\n");
    EXPECT_EQ(BuildDtmfCommand("22227"), "AT#VTS=C,2,B,2,B,7,0,D\r\n");
}

TEST(BuildDtmfCommand, RepeatRuleComparesWithWhatWasEmitted)
{
    // "111": the third 1 follows an emitted B, so it goes out as itself.
    EXPECT_EQ(BuildDtmfCommand("111").substr(0, 14), "AT#VTS=C,1,B,1");
    EXPECT_EQ(BuildDtmfCommand("11").substr(0, 12), "AT#VTS=C,1,B");
    // "1111": 1,B,1,B
    EXPECT_EQ(BuildDtmfCommand("1111").substr(0, 16), "AT#VTS=C,1,B,1,B");
}

TEST(BuildDtmfCommand, CheckDigitEqualToThePreviousEmittedCharacterIsARepeatMark)
{
    // Code "81": 2 + 9 = 11 -> check '1' equals the emitted '1' before it -> B.
    EXPECT_EQ(BuildDtmfCommand("81"), "AT#VTS=C,8,1,B,D\r\n");
    // Code "11": emitted 1,B; check 2 + 2 = 4.
    EXPECT_EQ(BuildDtmfCommand("11"), "AT#VTS=C,1,B,4,D\r\n");
    // Code "4": 1 + 4 = 5.
    EXPECT_EQ(BuildDtmfCommand("4"), "AT#VTS=C,4,5,D\r\n");
}

TEST(BuildDtmfCommand, WeightsOfNonDigits)
{
    // '*' weighs 4, 'A' 0, '#' 0: "*" -> 1 + 4 = 5; "A" -> 1; "#" -> 1.
    EXPECT_EQ(DtmfCheckDigit("*"), '5');
    EXPECT_EQ(DtmfCheckDigit("A"), '1');
    EXPECT_EQ(DtmfCheckDigit("#"), '1');
    EXPECT_EQ(DtmfCheckDigit("2125110"), '9'); // 7 + 12 = 19
    EXPECT_EQ(DtmfCheckDigit("21251A"), '7');  // 6 + 11 = 17
    EXPECT_EQ(DtmfCheckDigit(""), '0');
}

TEST(BuildDtmfCommand, LongestCodeFitsAHundredBytesAndLongerCodesAreCut)
{
    std::string code(17, '5');
    std::string command = BuildDtmfCommand(code);
    EXPECT_LT(command.size(), 100u);
    EXPECT_EQ(BuildDtmfCommand(code + "99"), command);
}

TEST(CheckDtmfFrame, ValidFrameGivesTheAnswerWithRepeatsResolved)
{
    DtmfFrameResult r = CheckDtmfFrame("C2B0B09D");
    EXPECT_EQ(r.status, DtmfFrameStatus::Valid);
    EXPECT_EQ(r.answer, "22000");
}

TEST(CheckDtmfFrame, WhatWeSendTheUnitWouldAccept)
{
    // Frames built by our own encoder (without the AT prefix and commas) pass the check.
    for (std::string code : {"22000", "99", "2039580", "1111", "21251A", "2123512", "0", "", "12#3", "#", "2102112#3*",
                             "##"}) {
        std::string command = BuildDtmfCommand(code);
        std::string frame;
        for (char c : command.substr(7)) // from the 'C'
            if (c != ',' && c != '\r' && c != '\n')
                frame += c;
        DtmfFrameResult r = CheckDtmfFrame(frame);
        EXPECT_EQ(r.status, DtmfFrameStatus::Valid) << frame;
        EXPECT_EQ(r.answer, code) << frame;
    }
}

TEST(CheckDtmfFrame, WrongCheckDigitIsInvalid)
{
    EXPECT_EQ(CheckDtmfFrame("C2B0B08D").status, DtmfFrameStatus::Invalid);
    EXPECT_EQ(CheckDtmfFrame("C2B0B0BD").status, DtmfFrameStatus::Invalid);
}

TEST(CheckDtmfFrame, NoRoomForACheckDigitIsInvalid)
{
    EXPECT_EQ(CheckDtmfFrame("D").status, DtmfFrameStatus::Invalid);
    EXPECT_EQ(CheckDtmfFrame("CD").status, DtmfFrameStatus::Invalid);
    // j == 2: an empty answer whose check digit is 0.
    EXPECT_EQ(CheckDtmfFrame("C0D").status, DtmfFrameStatus::Valid);
    EXPECT_EQ(CheckDtmfFrame("C0D").answer, "");
}

TEST(CheckDtmfFrame, NoEndYetIsNoFrame)
{
    EXPECT_EQ(CheckDtmfFrame("C2B0B09").status, DtmfFrameStatus::NoFrame);
    EXPECT_EQ(CheckDtmfFrame("").status, DtmfFrameStatus::NoFrame);
}

TEST(CheckDtmfFrame, OnlyTheFirstEndCounts)
{
    DtmfFrameResult r = CheckDtmfFrame("C2B0B09DC11D");
    EXPECT_EQ(r.status, DtmfFrameStatus::Valid);
    EXPECT_EQ(r.answer, "22000");
}

TEST(CheckDtmfFrame, LengthBoundsTheSearch)
{
    const char buffer[] = "C2B0B09D";
    EXPECT_EQ(CheckDtmfFrame(buffer, 7).status, DtmfFrameStatus::NoFrame);
}

TEST(CheckDtmfFrame, StarAndHashCountAsSignedCharacters)
{
    // '*' counts -6: "C*" + check: j = 3, sum = 3 + 6 + 2 - 6 = 5 -> '5'.
    EXPECT_EQ(CheckDtmfFrame("C*5D").status, DtmfFrameStatus::Valid);
    // '#' counts -13: j = 3, sum = 3 + 6 + 2 - 13 = -2, remainder -2: no digit matches that sum, so
    // a frame holding '#' is also taken with the check digit the unit computes ('#' weighs 0).
    EXPECT_EQ(CheckDtmfFrame("C#8D").status, DtmfFrameStatus::Invalid);
    EXPECT_EQ(CheckDtmfFrame("C#1D").status, DtmfFrameStatus::Valid);
    // "12#3": the unit's digit is (4 + 1 + 2 + 0 + 3) mod 10 = 0; a digit that fits neither sum is refused.
    EXPECT_EQ(CheckDtmfFrame("C12#30D").answer, "12#3");
    EXPECT_EQ(CheckDtmfFrame("C12#37D").status, DtmfFrameStatus::Valid); // the received sum gives 7 here
    EXPECT_EQ(CheckDtmfFrame("C12#38D").status, DtmfFrameStatus::Invalid);
    // Without a '#' only the received sum counts: "C12" + the unit's digit 5 passes, 7 does not.
    EXPECT_EQ(CheckDtmfFrame("C125D").status, DtmfFrameStatus::Valid);
    EXPECT_EQ(CheckDtmfFrame("C127D").status, DtmfFrameStatus::Invalid);
    // High bytes are negative too and never crash the check.
    EXPECT_EQ(CheckDtmfFrame("C\xF0" "1D").status, DtmfFrameStatus::Invalid);
}

TEST(CheckDtmfFrame, RepeatMarkRightAfterTheStartRepeatsTheStart)
{
    // "CB..." resolves to "CC...": the answer begins with 'C'. j = 3: sum = 3 + 6 + 2 + 2 = 13.
    DtmfFrameResult r = CheckDtmfFrame("CB3D");
    EXPECT_EQ(r.status, DtmfFrameStatus::Valid);
    EXPECT_EQ(r.answer, "C");
}
