// The line as sound: what the far detector makes of tones through level, codec, noise and echo.
#include <gtest/gtest.h>

#include <string>

#include "sim/LineModel.h"

namespace {

using Direction = ISimToneLine::Direction;

std::vector<SimTone> Tones(const std::string& digits, int ms)
{
    std::vector<SimTone> tones;
    for (char d : digits)
        tones.push_back(SimTone{d, ms});
    return tones;
}

std::string Digits(const std::vector<SimHeardTone>& heard)
{
    std::string digits;
    for (const SimHeardTone& h : heard)
        digits += h.digit;
    return digits;
}

SimSound Sound(SimCodec codec = SimCodec::None)
{
    SimSound sound;
    sound.on = true;
    sound.codec = codec;
    return sound;
}

struct CleanCase {
    const char* name;
    SimCodec codec;
    Direction direction;
    int toneMs;
    int gapMs;
    const char* digits;
};

class CleanLine : public testing::TestWithParam<CleanCase> {};

TEST_P(CleanLine, TheDetectorReportsExactlyTheDigitsSent)
{
    const CleanCase& c = GetParam();
    CLineModel line(Sound(c.codec));
    const std::vector<SimHeardTone> heard = line.Carry(c.direction, Tones(c.digits, c.toneMs), c.gapMs);
    ASSERT_EQ(Digits(heard), c.digits);
    // Each tone is heard in its own slot of the sequence, for most of its length.
    const long slot = static_cast<long>(c.toneMs + c.gapMs) * SimSampleRate / 1000;
    for (size_t i = 0; i < heard.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_GE(heard[i].startSample, static_cast<long>(i) * slot);
        EXPECT_LT(heard[i].startSample, static_cast<long>(i) * slot + 40 * SimSampleRate / 1000);
        const long lengthMs = (heard[i].endSample - heard[i].startSample) * 1000 / SimSampleRate;
        EXPECT_NEAR(lengthMs, c.toneMs, 30);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Tones, CleanLine,
    testing::Values(CleanCase{"AllSixteenToTheUnit", SimCodec::None, Direction::ToUnit, 100, 50, "0123456789*#ABCD"},
                    CleanCase{"AnswerFrameToTheModem", SimCodec::None, Direction::ToModem, 70, 70, "C2072B5D"},
                    CleanCase{"ALaw", SimCodec::ALaw, Direction::ToModem, 70, 70, "C2072B5D"},
                    CleanCase{"ULaw", SimCodec::ULaw, Direction::ToUnit, 100, 50, "C22012B7D"},
                    CleanCase{"GsmAnswerFrame", SimCodec::Gsm, Direction::ToModem, 100, 70, "C2072B5D"}),
    [](const testing::TestParamInfo<CleanCase>& info) { return info.param.name; });

struct LengthCase {
    const char* name;
    SimCodec codec;
    int toneMs;
    bool heard;
};

class ToneLength : public testing::TestWithParam<LengthCase> {};

TEST_P(ToneLength, AToneShorterThanTheDetectorNeedsIsLost)
{
    const LengthCase& c = GetParam();
    CLineModel line(Sound(c.codec));
    const std::string heard = Digits(line.Carry(Direction::ToUnit, Tones("5", c.toneMs), 70));
    EXPECT_EQ(heard, c.heard ? "5" : "");
}

INSTANTIATE_TEST_SUITE_P(Lengths, ToneLength,
                         testing::Values(LengthCase{"Of15msLost", SimCodec::None, 15, false},
                                         LengthCase{"Of20msLost", SimCodec::None, 20, false},
                                         LengthCase{"Of50msHeard", SimCodec::None, 50, true},
                                         LengthCase{"GsmOf100msHeard", SimCodec::Gsm, 100, true},
                                         LengthCase{"GsmOf15msLost", SimCodec::Gsm, 15, false}),
                         [](const testing::TestParamInfo<LengthCase>& info) { return info.param.name; });

TEST(LineModel, GsmCarriesEveryDigitOfA100msTone)
{
    CLineModel line(Sound(SimCodec::Gsm));
    for (char d : std::string("0123456789*#ABCD")) {
        SCOPED_TRACE(d);
        EXPECT_EQ(Digits(line.Carry(Direction::ToModem, Tones(std::string(1, d), 100), 100)), std::string(1, d));
    }
}

TEST(LineModel, HeavyNoiseSpoilsDigitsTheSameWayForTheSameSeed)
{
    SimSound sound = Sound();
    sound.noise = true;
    sound.snrDb = 0;
    sound.seed = 7;
    const std::string sent = "C2201234567890B5D";
    CLineModel first(sound), second(sound);
    const std::vector<SimHeardTone> a = first.Carry(Direction::ToUnit, Tones(sent, 70), 70);
    const std::vector<SimHeardTone> b = second.Carry(Direction::ToUnit, Tones(sent, 70), 70);
    EXPECT_NE(Digits(a), sent);
    ASSERT_EQ(Digits(a), Digits(b));
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].startSample, b[i].startSample);
        EXPECT_EQ(a[i].endSample, b[i].endSample);
    }
}

TEST(LineModel, ModerateNoiseLeavesTheDigitsWhole)
{
    SimSound sound = Sound();
    sound.noise = true;
    sound.snrDb = 30;
    CLineModel line(sound);
    EXPECT_EQ(Digits(line.Carry(Direction::ToModem, Tones("C2072B5D", 70), 70)), "C2072B5D");
}

struct EchoCase {
    const char* name;
    int echoDb;
    int delayMs;
    const char* heard;
};

class Echo : public testing::TestWithParam<EchoCase> {};

TEST_P(Echo, ALoudEchoSmearsTwoEqualTones)
{
    // A loud echo, delayed by about the gap, overlaps the tones it follows: where they beat the
    // detector drops out and hears the tones split. A faint one changes nothing.
    const EchoCase& c = GetParam();
    SimSound sound = Sound();
    sound.echo = true;
    sound.echoDb = c.echoDb;
    sound.echoDelayMs = c.delayMs;
    CLineModel line(sound);
    EXPECT_EQ(Digits(line.Carry(Direction::ToModem, Tones("55", 70), 40)), c.heard);
}

INSTANTIATE_TEST_SUITE_P(Echoes, Echo,
                         testing::Values(EchoCase{"Faint", -40, 45, "55"}, EchoCase{"Loud", -3, 45, "555"}),
                         [](const testing::TestParamInfo<EchoCase>& info) { return info.param.name; });

} // namespace
