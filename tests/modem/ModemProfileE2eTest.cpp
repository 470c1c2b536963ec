// Jobs end to end against each simulated modem persona, over a pseudo-terminal in fast mode: the
// job worker, the driver with its modem profile and the serial port against pravel-sim's modem.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <gtest/gtest.h>

#include "ScriptedModem.h"
#include "model/ComPortName.h"
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
    int ended = 0;
    double seconds = 0;
};

// The commands out of the driver's dialogue trace ("Modem:    1.234 > ATZ\r\n").
std::vector<std::string> SentCommands(const std::vector<std::string>& trace)
{
    std::vector<std::string> sent;
    for (const std::string& line : trace) {
        if (line.rfind("Modem: ", 0) != 0)
            continue;
        const size_t mark = line.find(" > ");
        if (mark != std::string::npos && mark < 20)
            sent.push_back(line.substr(mark + 3, line.size() - mark - 4));
    }
    return sent;
}

std::vector<std::string> ReadLines(const std::string& path)
{
    std::ifstream file(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);)
        lines.push_back(line);
    return lines;
}

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

    void PrepareReadAll()
    {
        theJob.reset(nullptr);
        theJob.mode = JobRead;
        std::strcpy(theJob.phoneNumber, "5550100");
        std::strcpy(theJob.programmingCode, "3958");
        theJob.unit = 1;
        theJob.selectionMask = AllParametersMask;
    }
    // Five parameters, two of them numbers written in two parts or one.
    void PrepareWrite()
    {
        PrepareReadAll();
        theJob.mode = JobWrite;
        theJob.SetSlot(SlotAlarmReceiver1, "0612345678");
        theJob.SetSlot(SlotAlarmReceiver2, "98765432109876543210");
        theJob.SetSlot(SlotTestAlarmReceiver, "112");
        theJob.SetSlot(SlotTestAlarmTime, "10");
        theJob.SetSlot(SlotAlarmButtonDelay, "4");
        theJob.selectionMask = 0x1 | 0x2 | 0x4 | 0x2000 | 0x4000;
    }

    JobRun Run()
    {
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
        last = sim.UnitState("5550100", 1);
        sim.Stop();
        theJob.notifyWindow = nullptr;
        run.sent = SentCommands(trace.Lines());
        run.values = window.Values();
        run.shown = presenter.Texts();
        run.ended = window.CountProgress(ProgressEnded);
        if (::testing::Test::HasFailure())
            for (const std::string& line : trace.Lines())
                std::fprintf(stderr, "trace: %s", line.c_str());
        return run;
    }

    SimConfig config;
    SimUnit last;
};

TEST_F(ModemProfileE2eTest, AHashModemHearsTheConversationItAlwaysHeardUnderAutoAndHash)
{
    struct Case {
        const char* golden;
        bool write;
    } cases[] = {{"hash_read_all.txt", false}, {"hash_write.txt", true}};
    for (ModemProfile profile : {ModemProfile::Auto, ModemProfile::Hash}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.golden) + " " + ModemProfileName(profile));
            SetModemProfile(profile);
            if (c.write)
                PrepareWrite();
            else
                PrepareReadAll();
            JobRun run = Run();
            const std::vector<std::string> golden = ReadLines(std::string(PRAVEL_MODEM_TEST_DATA) + "/" + c.golden);
            ASSERT_GT(golden.size(), 10u);
            EXPECT_EQ(run.sent, golden);
            EXPECT_TRUE(run.shown.empty());
        }
    }
}

// Read all and write against every persona, with and without its faults, under the default
// profile and the one the modem speaks; the wall time of each read all goes to the test output.
TEST_F(ModemProfileE2eTest, ReadAllAndWriteSucceedAgainstEveryPersona)
{
    struct Case {
        SimModemPersona persona;
        ModemProfile profile;
        bool faults;
    } cases[] = {
        {SimModemPersona::Hash, ModemProfile::Auto, false},     {SimModemPersona::Hash, ModemProfile::Auto, true},
        {SimModemPersona::Conexant, ModemProfile::Auto, false}, {SimModemPersona::Conexant, ModemProfile::Auto, true},
        {SimModemPersona::Intel, ModemProfile::Auto, false},    {SimModemPersona::Intel, ModemProfile::Auto, true},
        {SimModemPersona::Conexant, ModemProfile::V253, true},  {SimModemPersona::Intel, ModemProfile::V253, true},
    };
    for (const Case& c : cases) {
        for (bool write : {false, true}) {
            const std::string name = std::string(SimModemPersonaName(c.persona)) + (c.faults ? " with faults" : "") +
                                     " under " + ModemProfileName(c.profile) + (write ? ", write" : ", read all");
            SCOPED_TRACE(name);
            config = DefaultSimConfig();
            config.fast = true;
            config.modem = c.persona;
            config.faults.interleaveEvents = c.faults;
            config.faults.splitDlePairs = c.faults;
            config.faults.ringLines = c.faults;
            SetModemProfile(c.profile);
            if (write)
                PrepareWrite();
            else
                PrepareReadAll();
            JobRun run = Run();
            EXPECT_EQ(run.ended, 1);
            EXPECT_TRUE(run.shown.empty()) << run.shown[0];
            ASSERT_FALSE(run.sent.empty());
            EXPECT_EQ(run.sent.back(), "ATZ\\r\\n");
            int toneCommands = 0;
            for (const std::string& s : run.sent)
                toneCommands += s.rfind(c.persona == SimModemPersona::Hash ? "AT#VTS=C" : "AT+VTS=C", 0) == 0;
            // Login, the codes, (the status,) log-off: nothing was asked for twice.
            EXPECT_EQ(toneCommands, write ? 1 + 6 + 1 : 1 + 12 + 1 + 1);
            if (write) {
                EXPECT_EQ(last.settings["AlarmReceiver1"], "0612345678");
                EXPECT_EQ(last.settings["AlarmReceiver2"], "98765432109876543210");
                EXPECT_EQ(last.settings["TestAlarmReceiver"], "112");
                EXPECT_EQ(last.settings["TestAlarmTime"], "10");
                EXPECT_EQ(last.settings["AlarmButtonDelay"], "4");
                EXPECT_EQ(run.values.count(1041), 1u);
            } else {
                const auto& settings = config.lines[0].units[0].settings;
                EXPECT_EQ(run.values[IdFirmware].text, "2.0.7");
                for (const char* p : {"AlarmReceiver1", "AlarmReceiver2", "SequenceReceiver6", "AlarmCode2"}) {
                    const ParameterDescriptor& d = ParameterTable[FindParameter(p)];
                    EXPECT_EQ(run.values[static_cast<uint32_t>(d.updateBoxId)].text, settings.at(p)) << p;
                }
                EXPECT_EQ(run.values.count(1036), 1u) << "the status was decoded";
                std::printf("read all, %s: %.2f s\n", name.c_str(), run.seconds);
            }
        }
    }
}

TEST_F(ModemProfileE2eTest, AutoSpeaksV253FromTheErrorToTheHashVoiceModeOn)
{
    config.modem = SimModemPersona::Conexant;
    SetModemProfile(ModemProfile::Auto);
    PrepareReadAll();
    theJob.selectionMask = 0x1;
    JobRun run = Run();
    EXPECT_TRUE(run.shown.empty());
    const std::vector<std::string> expected = {
        "ATZ\\r\\n",       "ATE0\\r\\n",      "AT#CLS=8\\r\\n",         "AT+FCLASS=8\\r\\n",
        "AT+VIT=0\\r\\n",  "AT+VTD=10\\r\\n", "ATD5550100\\r\\n",       "AT+VTS=#,1\\r\\n",
        "AT+VTS=C,2,0,3,9,5,8,3,D\\r\\n", "AT+VTS=C,2,B,0,B,0,9,D\\r\\n", "AT+VTS=C,2,B,2,B,7,0,D\\r\\n",
        "AT+VTS=C,9,B,0,D\\r\\n",         "ATZ\\r\\n"};
    EXPECT_EQ(run.sent, expected);
    EXPECT_EQ(run.values[1010].text, config.lines[0].units[0].settings.at("AlarmReceiver1"));
}

TEST_F(ModemProfileE2eTest, AModemWithoutTheVoiceModeAskedForIsNamedAndNotDialled)
{
    struct Case {
        SimModemPersona persona;
        ModemProfile profile;
        const char* refused;
    } cases[] = {{SimModemPersona::Conexant, ModemProfile::Hash, "AT#CLS=8"},
                 {SimModemPersona::Hash, ModemProfile::V253, "AT+FCLASS=8"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.refused);
        config.modem = c.persona;
        SetModemProfile(c.profile);
        PrepareReadAll();
        JobRun run = Run();
        ASSERT_EQ(run.shown.size(), 1u);
        EXPECT_EQ(run.shown[0], FormatString(IDS_NO_VOICE_MODE, {GetComPortName(), "ERROR", c.refused}));
        EXPECT_EQ(run.sent.back(), "ATZ\\r\\n");
        for (const std::string& s : run.sent)
            EXPECT_NE(s.rfind("ATD", 0), 0u) << "dialled: " << s;
        EXPECT_EQ(run.values.count(IdFirmware), 0u);
    }
}

} // namespace
