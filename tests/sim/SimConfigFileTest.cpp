#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

#include "sim/SimConfigFile.h"

namespace {

std::string Error(const std::string& text)
{
    SimConfig config;
    std::string error;
    EXPECT_FALSE(ParseSimConfig(text, &config, &error)) << text;
    return error;
}

} // namespace

TEST(SimConfigFile, ReadsLinesUnitsTimingAndFaults)
{
    const char* text = R"({
        "fast": true,
        "timing": {"ringMs": 10, "unitToneMs": 5},
        "faults": {"corruptNextAnswers": 2, "absentUnits": [3], "busyToneAfterLogin": true},
        "lines": [
            {"number": "5550111", "answer": "voice",
             "units": [{"unit": 2, "code": "1111", "firmware": "107", "power": 0,
                        "settings": {"AlarmReceiver1": "0123", "IdBeep": false, "AlarmButtonDelay": 9}}]},
            {"number": "5550199", "answer": "busy"},
            {"number": "5550198", "answer": "no-answer", "units": []},
            {"number": "5550197", "answer": "silent"}
        ]})";
    SimConfig config;
    std::string error;
    ASSERT_TRUE(ParseSimConfig(text, &config, &error)) << error;
    EXPECT_TRUE(config.fast);
    EXPECT_FALSE(config.transcript);
    EXPECT_EQ(config.timing.ringMs, 10);
    EXPECT_EQ(config.timing.unitToneMs, 5);
    EXPECT_EQ(config.timing.noAnswerMs, SimTiming{}.noAnswerMs);
    EXPECT_EQ(config.faults.corruptNextAnswers, 2);
    EXPECT_EQ(config.faults.absentUnits, std::vector<int>{3});
    EXPECT_TRUE(config.faults.busyToneAfterLogin);
    ASSERT_EQ(config.lines.size(), 4u);
    const SimUnit& unit = config.lines[0].units.at(0);
    EXPECT_EQ(unit.unit, 2);
    EXPECT_EQ(unit.programmingCode, "1111");
    EXPECT_EQ(unit.firmware, "107");
    EXPECT_EQ(unit.power, '0');
    EXPECT_EQ(unit.settings.at("AlarmReceiver1"), "0123");
    EXPECT_EQ(unit.settings.at("IdBeep"), "0");
    EXPECT_EQ(unit.settings.at("AlarmButtonDelay"), "9");
    EXPECT_EQ(unit.settings.at("AlarmCode1"), "1234"); // left out: the default
    EXPECT_EQ(config.lines[1].answer, SimLine::Answer::Busy);
    EXPECT_EQ(config.lines[1].units.size(), 1u);
    EXPECT_EQ(config.lines[2].answer, SimLine::Answer::NoAnswer);
    EXPECT_TRUE(config.lines[2].units.empty());
    EXPECT_EQ(config.lines[3].answer, SimLine::Answer::Silent);
}

TEST(SimConfigFile, EmptyObjectIsTheDefault)
{
    SimConfig config;
    std::string error;
    ASSERT_TRUE(ParseSimConfig("{}", &config, &error)) << error;
    ASSERT_EQ(config.lines.size(), 1u);
    EXPECT_EQ(config.lines[0].number, "5550100");
    EXPECT_EQ(config.lines[0].units.at(0).programmingCode, "3958");
    EXPECT_FALSE(config.fast);
}

TEST(SimConfigFile, ErrorsSayWhatAndWhere)
{
    EXPECT_NE(Error("{").find("not valid JSON"), std::string::npos);
    EXPECT_EQ(Error(R"({"faults": {"dropAnswers": 1}})"), "faults: unknown key \"dropAnswers\"");
    EXPECT_EQ(Error(R"({"lines": [{"answer": "maybe"}]})"),
              "lines[0].answer: must be \"voice\", \"busy\", \"no-answer\", \"silent\" or \"no-ringback\"");
    EXPECT_EQ(Error(R"({"lines": [{"units": [{"code": "12"}]}]})"),
              "line \"5550100\", unit 1: the programming code must be four digits");
    EXPECT_EQ(Error(R"({"lines": [{"units": [{"unit": 7}]}]})"),
              "line \"5550100\", unit 7: the unit number must be 1 to 6");
    EXPECT_EQ(Error(R"({"lines": [{"units": [{"unit": 1}, {"unit": 1}]}]})"),
              "line \"5550100\", unit 1: the unit is listed twice");
    EXPECT_EQ(Error(R"({"lines": [{"units": [{"settings": {"Colour": "1"}}]}]})"),
              "line \"5550100\", unit 1: unknown setting \"Colour\"");
    EXPECT_EQ(Error(R"({"lines": [{"units": [{"settings": {"TestAlarmTime": "11"}}]}]})"),
              "line \"5550100\", unit 1: TestAlarmTime \"11\" must be a number from 0 to 10");
    EXPECT_EQ(Error(R"({"lines": [{"units": [{"settings": {"AlarmReceiver1": "0612-34"}}]}]})"),
              "line \"5550100\", unit 1: AlarmReceiver1 \"0612-34\" may hold only the digits 0-9, '*', '#' and 'A'");
    EXPECT_EQ(Error(R"({"lines": [{"number": "1"}, {"number": "1"}]})"), "line \"1\" is listed twice");
    EXPECT_EQ(Error(R"({"timing": {"ringMs": -1}})"), "timing.ringMs: must be a whole number from 0 to 3600000");
    EXPECT_EQ(Error(R"({"fast": "yes"})"), "configuration.fast: must be true or false");
}

TEST(SimConfigFile, LoadsAFileAndNamesItInErrors)
{
    char path[] = "/tmp/pravel-sim-config-XXXXXX";
    int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    ::close(fd);
    {
        std::ofstream(path) << R"({"lines": [{"number": "123"}]})";
    }
    SimConfig config;
    std::string error;
    EXPECT_TRUE(LoadSimConfigFile(path, &config, &error)) << error;
    EXPECT_EQ(config.lines.at(0).number, "123");
    {
        std::ofstream(path) << R"({"lines": 5})";
    }
    EXPECT_FALSE(LoadSimConfigFile(path, &config, &error));
    EXPECT_EQ(error, std::string(path) + ": lines: must be a list");
    EXPECT_EQ(config.lines.at(0).number, "123"); // unchanged on failure
    ::unlink(path);
    EXPECT_FALSE(LoadSimConfigFile(path, &config, &error));
    EXPECT_EQ(error, std::string("cannot read ") + path + ": No such file or directory");
}

TEST(SimConfigFile, ReadsTheLineAndModemFaults)
{
    const char* text = R"({"faults": {"corruptAllAnswers": true, "loneXoff": true,
        "staleAtOpen": "\r\nRING\r\n", "garbageStatus": "ZZZZ", "unplugWhileDialling": true,
        "storeWrong": "AlarmCode1"}})";
    SimConfig config;
    std::string error;
    ASSERT_TRUE(ParseSimConfig(text, &config, &error)) << error;
    EXPECT_TRUE(config.faults.corruptAllAnswers);
    EXPECT_TRUE(config.faults.loneXoff);
    EXPECT_EQ(config.faults.staleAtOpen, "\r\nRING\r\n");
    EXPECT_EQ(config.faults.garbageStatus, "ZZZZ");
    EXPECT_TRUE(config.faults.unplugWhileDialling);
    EXPECT_EQ(config.faults.storeWrong, "AlarmCode1");
    ASSERT_TRUE(ParseSimConfig("{}", &config, &error)) << error;
    EXPECT_FALSE(config.faults.corruptAllAnswers || config.faults.loneXoff || config.faults.unplugWhileDialling);
    EXPECT_EQ(config.faults.staleAtOpen + config.faults.garbageStatus + config.faults.storeWrong, "");

    EXPECT_EQ(Error(R"({"faults": {"garbageStatus": 9999999999999999999}})"),
              "faults.garbageStatus: must be a text in double quotes");
    EXPECT_EQ(Error(R"({"faults": {"loneXoff": 1}})"), "faults.loneXoff: must be true or false");
    EXPECT_EQ(Error(R"({"faults": {"garbageStatus": "12b4"}})"),
              "garbageStatus \"12b4\" may hold only printable characters other than 'B', 'C', 'D' and small letters");
    EXPECT_EQ(Error(R"({"faults": {"storeWrong": "AlarmCode9"}})"), "storeWrong \"AlarmCode9\" is no parameter name");
}

TEST(SimConfigFile, ErrorsShowNoRawControlCharactersNorTheParsersTag)
{
    EXPECT_EQ(Error(R"({"faults": {"drop\u001b[2J": 1}})"), "faults: unknown key \"drop\\x1B[2J\"");
    const std::string json = Error("{x");
    EXPECT_EQ(json.rfind("not valid JSON: line 1, column 2: ", 0), 0u) << json;
    EXPECT_EQ(json.find("json.exception"), std::string::npos) << json;
}

struct SoundCase {
    const char* text;
    bool on;
    bool noise;
    double snrDb;
    SimCodec codec;
    bool echo;
};

class SimConfigFileSound : public testing::TestWithParam<SoundCase> {};

TEST_P(SimConfigFileSound, ReadsTheLineAsSound)
{
    const SoundCase& c = GetParam();
    SimConfig config;
    std::string error;
    ASSERT_TRUE(ParseSimConfig(c.text, &config, &error)) << error;
    EXPECT_EQ(config.sound.on, c.on);
    EXPECT_EQ(config.sound.noise, c.noise);
    EXPECT_DOUBLE_EQ(config.sound.snrDb, c.snrDb);
    EXPECT_EQ(config.sound.codec, c.codec);
    EXPECT_EQ(config.sound.echo, c.echo);
}

INSTANTIATE_TEST_SUITE_P(
    Sound, SimConfigFileSound,
    testing::Values(SoundCase{R"({})", false, false, 30, SimCodec::None, false},
                    SoundCase{R"({"sound": {"preset": "clean", "seed": 4}})", false, false, 30, SimCodec::None, false},
                    SoundCase{R"({"sound": {"preset": "noisy"}})", true, true, 15, SimCodec::None, false},
                    SoundCase{R"({"sound": {"preset": "gsm", "snrDb": 20}})", true, true, 20, SimCodec::Gsm, false},
                    SoundCase{R"({"sound": {"codec": "alaw"}})", true, false, 30, SimCodec::ALaw, false},
                    SoundCase{R"({"sound": {"echoDb": -10}})", true, false, 30, SimCodec::None, true}));

TEST(SimConfigFile, SoundErrorsSayWhatAndWhere)
{
    EXPECT_EQ(Error(R"({"sound": {"preset": "loud"}})"), "sound.preset: must be \"clean\", \"noisy\" or \"gsm\"");
    EXPECT_EQ(Error(R"({"sound": {"codec": "g729"}})"), "sound.codec: must be \"none\", \"alaw\", \"ulaw\" or \"gsm\"");
    EXPECT_EQ(Error(R"({"sound": {"snrDb": "20"}})"), "sound.snrDb: must be a number");
    EXPECT_EQ(Error(R"({"sound": {"echoDb": 5}})"), "the echo must be -60 to 0 dB");
    EXPECT_EQ(Error(R"({"sound": {"unitToneMs": 5}})"),
              "the unit's tones and gaps must be 10 to 1000 ms, the modem's gap 0 to 1000 ms");
}
