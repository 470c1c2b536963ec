// Jobs end to end against each simulated modem persona, over a pseudo-terminal in fast mode: the
// job worker, the driver with its modem profile and the serial port against pravel-sim's modem.
#include <fstream>
#include <gtest/gtest.h>

#include "SimModemJobTest.h"
#include "model/StringTable.h"
#include "worker/JobWorker.h"

namespace {

class ModemProfileE2eTest : public SimModemJobTest {
protected:
    void SetUp() override
    {
        DialogueTiming timing = ShortTiming(300);
        timing.commandGapMs = 0; // the simulated modems here take a command at once
        SetDialogueTimingForTests(timing);
        config.fast = true;
    }
};

TEST_F(ModemProfileE2eTest, AHashModemHearsTheConversationItAlwaysHeardUnderAutoAndHash)
{
    for (ModemProfile profile : {ModemProfile::Auto, ModemProfile::Hash}) {
        for (const char* golden : {"hash_read_all.txt", "hash_write.txt"}) {
            SCOPED_TRACE(std::string(golden) + " " + ModemProfileName(profile));
            Prepare(golden[5] == 'w');
            JobRun run = Run(profile);
            std::ifstream file(std::string(PRAVEL_MODEM_TEST_DATA) + "/" + golden);
            std::vector<std::string> expected;
            for (std::string line; std::getline(file, line);)
                expected.push_back(line);
            ASSERT_GT(expected.size(), 10u);
            EXPECT_EQ(run.sent, expected);
            EXPECT_TRUE(run.shown.empty());
        }
    }
}

// Read all and write against every persona, with and without all its faults, under the default
// profile and the one the modem speaks; the wall time of each read all goes to the test output.
TEST_F(ModemProfileE2eTest, ReadAllAndWriteSucceedAgainstEveryPersona)
{
    using P = SimModemPersona;
    const std::tuple<P, ModemProfile, bool> cases[] = {
        {P::Hash, ModemProfile::Auto, false},     {P::Hash, ModemProfile::Auto, true},
        {P::Conexant, ModemProfile::Auto, false}, {P::Conexant, ModemProfile::Auto, true},
        {P::Intel, ModemProfile::Auto, false},    {P::Intel, ModemProfile::Auto, true},
        {P::Conexant, ModemProfile::V253, true},  {P::Intel, ModemProfile::V253, true}};
    for (const auto& [persona, profile, faults] : cases) {
        config.modem = persona;
        config.faults.interleaveEvents = config.faults.splitDlePairs = config.faults.ringLines = faults;
        ExpectReadAllAndWrite(std::string(SimModemPersonaName(persona)) + (faults ? " with faults" : "") + " under " +
                                  ModemProfileName(profile),
                              profile);
    }
}

TEST_F(ModemProfileE2eTest, AutoSpeaksV253FromTheErrorToTheHashVoiceModeOn)
{
    config.modem = SimModemPersona::Conexant;
    Prepare(false);
    theJob.selectionMask = 0x1;
    JobRun run = Run(ModemProfile::Auto);
    EXPECT_TRUE(run.shown.empty());
    const std::vector<std::string> expected = {
        "ATZ\\r\\n",      "ATE0\\r\\n",      "AT#CLS=8\\r\\n",   "AT+FCLASS=8\\r\\n",
        "AT+VIT=0\\r\\n", "AT+VRA=70\\r\\n", "AT+VRN=10\\r\\n", "AT+VTD=10\\r\\n", "ATD5550100\\r\\n", "AT+VTS=#,1\\r\\n",
        "AT+VTS=C,2,0,3,9,5,8,3,D\\r\\n",    "AT+VTS=C,2,B,0,B,0,9,D\\r\\n",
        "AT+VTS=C,2,B,2,B,7,0,D\\r\\n",      "AT+VTS=C,9,B,0,D\\r\\n",          "ATZ\\r\\n"};
    EXPECT_EQ(run.sent, expected);
    EXPECT_EQ(run.values[1010].text, config.lines[0].units[0].settings.at("AlarmReceiver1"));
}

TEST_F(ModemProfileE2eTest, AModemWithoutTheVoiceModeAskedForIsNamedAndNotDialled)
{
    const std::tuple<SimModemPersona, ModemProfile, const char*> cases[] = {
        {SimModemPersona::Conexant, ModemProfile::Hash, "AT#CLS=8"},
        {SimModemPersona::Hash, ModemProfile::V253, "AT+FCLASS=8"}};
    for (const auto& [persona, profile, refused] : cases) {
        SCOPED_TRACE(refused);
        config.modem = persona;
        Prepare(false);
        JobRun run = Run(profile);
        ASSERT_EQ(run.shown.size(), 1u);
        EXPECT_EQ(run.shown[0], FormatString(IDS_NO_VOICE_MODE, {GetComPortName(), "ERROR", refused}));
        EXPECT_EQ(run.sent.back(), "ATZ\\r\\n");
        for (const std::string& s : run.sent)
            EXPECT_NE(s.rfind("ATD", 0), 0u) << "dialled: " << s;
    }
}

} // namespace
