// Jobs end to end against each simulated modem persona, over a pseudo-terminal in fast mode: the
// job worker, the driver with its modem profile and the serial port against pravel-sim's modem.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>

#include "ScriptedModem.h"
#include "model/JobMessages.h"
#include "model/ModemProfile.h"
#include "model/ParameterTable.h"
#include "model/StringTable.h"
#include "sim/Simulator.h"
#include "support/TraceCapture.h"
#include "worker/JobWorker.h"

namespace {

struct JobRun {
    std::vector<std::string> sent; // every command the driver wrote, as the trace shows it
    std::map<uint32_t, RecordedMessage> values;
    std::vector<std::string> shown;
    double seconds = 0;
};

class ModemProfileE2eTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DialogueTiming timing;
        timing.selectWaitMs = 1;
        timing.answerTimeoutMs = 300;
        timing.workerTickMs = 20;
        timing.modemAnswerMs = 300;
        timing.logoffWaitMs = 300;
        timing.commandGapMs = 0; // the simulated modems here take a command at once
        SetDialogueTimingForTests(timing);
        config = DefaultSimConfig();
        config.fast = true;
    }
    void TearDown() override
    {
        ResetDialogueTimingForTests();
        SetModemProfile(ModemProfile::Auto);
        theJob.reset(nullptr);
    }

    // A read of every parameter, or a write of five (one number in two parts).
    static void Prepare(bool write)
    {
        theJob.reset(nullptr);
        theJob.mode = write ? JobWrite : JobRead;
        std::strcpy(theJob.phoneNumber, "5550100");
        std::strcpy(theJob.programmingCode, "3958");
        theJob.unit = 1;
        theJob.selectionMask = write ? 0x1 | 0x2 | 0x4 | 0x2000 | 0x4000 : AllParametersMask;
        theJob.SetSlot(SlotAlarmReceiver1, "0612345678");
        theJob.SetSlot(SlotAlarmReceiver2, "98765432109876543210");
        theJob.SetSlot(SlotTestAlarmReceiver, "112");
        theJob.SetSlot(SlotTestAlarmTime, "10");
        theJob.SetSlot(SlotAlarmButtonDelay, "4");
    }

    JobRun Run(ModemProfile profile)
    {
        SetModemProfile(profile);
        JobRun run;
        TraceCapture trace;
        CRecordingWindow window;
        CRecordingPresenter presenter;
        theJob.notifyWindow = &window;
        CSimulator sim;
        std::string error;
        EXPECT_TRUE(sim.Start(config, &error)) << error;
        SetComPortName(sim.DevicePath());
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(StartJob());
        EXPECT_TRUE(window.WaitForProgress(ProgressEnded, 60000)) << "the job did not end";
        WaitForJobEnd();
        run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        unit = sim.UnitState("5550100", 1);
        sim.Stop();
        theJob.notifyWindow = nullptr;
        // The commands out of the dialogue trace ("Modem:    1.234 > ATZ\r\n").
        for (const std::string& line : trace.Lines())
            if (size_t mark = line.find(" > "); line.rfind("Modem: ", 0) == 0 && mark < 20)
                run.sent.push_back(line.substr(mark + 3, line.size() - mark - 4));
        run.values = window.Values();
        run.shown = presenter.Texts();
        EXPECT_EQ(window.CountProgress(ProgressEnded), 1);
        return run;
    }

    SimConfig config;
    SimUnit unit; // as the last job left it
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
        for (bool write : {false, true}) {
            const std::string name = std::string(SimModemPersonaName(persona)) + (faults ? " with faults" : "") +
                                     " under " + ModemProfileName(profile) + (write ? ", write" : ", read all");
            SCOPED_TRACE(name);
            config.modem = persona;
            config.faults.interleaveEvents = config.faults.splitDlePairs = config.faults.ringLines = faults;
            Prepare(write);
            JobRun run = Run(profile);
            EXPECT_TRUE(run.shown.empty()) << run.shown[0];
            ASSERT_FALSE(run.sent.empty());
            EXPECT_EQ(run.sent.back(), "ATZ\\r\\n");
            // Login, the codes (and the status), log-off: nothing was asked for twice.
            const char* tones = persona == P::Hash ? "AT#VTS=C" : "AT+VTS=C";
            EXPECT_EQ(std::count_if(run.sent.begin(), run.sent.end(), [&](auto& s) { return s.rfind(tones, 0) == 0; }),
                      write ? 8 : 15);
            if (write) {
                EXPECT_EQ(unit.settings["AlarmReceiver2"], "98765432109876543210");
                EXPECT_EQ(unit.settings["TestAlarmReceiver"], "112");
                EXPECT_EQ(unit.settings["AlarmButtonDelay"], "4");
                continue;
            }
            const auto& settings = config.lines[0].units[0].settings;
            EXPECT_EQ(run.values[IdFirmware].text, "2.0.7");
            EXPECT_EQ(run.values[1011].text, settings.at("AlarmReceiver2"));
            EXPECT_EQ(run.values[1019].text, settings.at("SequenceReceiver6"));
            EXPECT_EQ(run.values.count(1036), 1u) << "the status was decoded";
            std::printf("read all, %s: %.2f s\n", name.c_str(), run.seconds);
        }
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
