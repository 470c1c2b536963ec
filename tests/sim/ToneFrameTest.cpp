#include <gtest/gtest.h>

#include "sim/ToneFrame.h"

TEST(ToneFrame, EncodesWithRepeatMarksAndCheckDigit)
{
    EXPECT_EQ(EncodeToneFrame("22000"), "C2B0B09D");
    EXPECT_EQ(EncodeToneFrame("99"), "C9B0D");
    // The comparison is with what was emitted: the third '1' follows a 'B'.
    EXPECT_EQ(EncodeToneFrame("111"), "C1B16D");
    // A check digit equal to the tone before it goes out as 'B'.
    EXPECT_EQ(EncodeToneFrame("80"), "C80BD");
    // The first character is compared with nothing, not with the start tone.
    EXPECT_EQ(EncodeToneFrame(""), "C0D");
    EXPECT_EQ(EncodeToneFrame("*"), "C*5D");
    EXPECT_EQ(EncodeToneFrame("A"), "CA1D");
    EXPECT_EQ(EncodeToneFrame("#"), "C#1D");
}

TEST(ToneFrame, CorruptedCheckDigitDiffers)
{
    for (const char* text : {"22000", "80", "", "0123456789"}) {
        const std::string good = EncodeToneFrame(text);
        const std::string bad = EncodeToneFrame(text, 1);
        EXPECT_NE(good, bad) << text;
        EXPECT_FALSE(DecodeToneFrame(bad).has_value()) << bad;
    }
}

TEST(ToneFrame, DecodesValidFrames)
{
    EXPECT_EQ(DecodeToneFrame("C2B0B09D").value_or("?"), "22000");
    EXPECT_EQ(DecodeToneFrame("C1B16D").value_or("?"), "111");
    EXPECT_EQ(DecodeToneFrame("C80BD").value_or("?"), "80");
    EXPECT_EQ(DecodeToneFrame("C0D").value_or("?"), "");
    // Login with "3958": 2+0+3+9+5+8 = 27, six characters: 33, check digit 3.
    EXPECT_EQ(DecodeToneFrame("C2039583D").value_or("?"), "203958");
    // Runs of repeat marks resolve left to right.
    EXPECT_EQ(DecodeToneFrame("C5BBB4D").value_or("?"), "5555");
}

TEST(ToneFrame, RefusesBadFrames)
{
    EXPECT_FALSE(DecodeToneFrame("C2B0B08D")); // wrong check digit
    EXPECT_FALSE(DecodeToneFrame("C2B0B0*D")); // check is not a digit
    EXPECT_FALSE(DecodeToneFrame("CD"));       // no room for a check digit
    EXPECT_FALSE(DecodeToneFrame("2B0B09D"));  // no start
    EXPECT_FALSE(DecodeToneFrame("C2B0B09"));  // no end
    EXPECT_FALSE(DecodeToneFrame(""));
}

TEST(ToneFrame, RoundTripsEveryCarriableText)
{
    for (const char* text : {"0", "00", "000000000000", "0612345678", "12*#A", "9999999999", "207", "011"})
        EXPECT_EQ(DecodeToneFrame(EncodeToneFrame(text)).value_or("?"), text);
}

TEST(ToneFrame, ReceiverRuleAgreesOnDigitsOnly)
{
    for (const char* digits : {"0", "207", "22000", "9999999999999999999", "0612345678"})
        EXPECT_EQ(ReceiverCheckDigit(digits), ToneCheckDigit(digits)) << digits;
    EXPECT_EQ(ReceiverCheckDigit(std::string(19, 'Z')), '4'); // 19 + 10 + 19 * 25 = 504
    EXPECT_EQ(ToneCheckDigit(std::string(19, 'Z')), '9');
    EXPECT_EQ(ReceiverCheckDigit("12#3"), '7'); // 4 + 10 + 1 + 2 - 13 + 3 = 7; the units send '0'
    EXPECT_EQ(ToneCheckDigit("12#3"), '0');
    EXPECT_EQ(ReceiverCheckDigit("#####"), std::nullopt); // 15 - 65: no digit can match
    EXPECT_EQ(EncodeToneFrameWithCheck("ZZZ", '4'), "CZBZ4D");
    EXPECT_EQ(EncodeToneFrameWithCheck("11", '1'), "C1B1D");
}
