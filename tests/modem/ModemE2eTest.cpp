// Real jobs, end to end: the job worker, the driver and the serial port over a pseudo-terminal,
// against the simulated modem and unit in fast mode, with the protocol waits scaled down.
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>

#include "ScriptedModem.h"
#include "job/ComPortName.h"
#include "job/JobMessages.h"
#include "job/JobWorker.h"
#include "job/ParameterTable.h"
#include "job/StringTable.h"
#include "sim/Simulator.h"
#include "support/TraceCapture.h"

namespace {

class ModemE2eTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DialogueTiming timing;
        timing.selectWaitMs = 1;
        timing.answerTimeoutMs = 100; // a third of the watchdog, as shipped (5 s against 15 ticks of 1 s)
        timing.workerTickMs = 20;
        SetDialogueTimingForTests(timing);
        config = DefaultSimConfig();
        config.fast = true;
        theJob.reset(&window);
        theJob.mode = JobRead;
        std::strcpy(theJob.phoneNumber, "5550100");
        std::strcpy(theJob.programmingCode, "3958");
        theJob.unit = 1;
    }
    void TearDown() override
    {
        if (HasFailure())
            for (const std::string& line : trace.Lines())
                std::fprintf(stderr, "trace: %s", line.c_str());
        StopJob();
        sim.Stop();
        theJob.reset(nullptr);
        ResetDialogueTimingForTests();
    }

    void RunJob()
    {
        std::string error;
        ASSERT_TRUE(sim.Start(config, &error)) << error;
        SetComPortName(sim.DevicePath());
        ASSERT_TRUE(StartJob());
        ASSERT_TRUE(window.WaitForProgress(ProgressEnded, 30000)) << "the job did not end";
        WaitForJobEnd();
        EXPECT_EQ(window.CountProgress(ProgressEnded), 1);
    }
    SimUnit Unit() const { return sim.UnitState("5550100", 1); }

    TraceCapture trace; // keeps the trace off the test output; some tests look at it
    SimConfig config;
    CSimulator sim;
    CRecordingWindow window;
    CRecordingPresenter presenter;
};

TEST_F(ModemE2eTest, ReadAllOnBothFirmwareVersionsReportsWhatTheUnitHolds)
{
    for (const char* firmware : {"207", "107"}) {
        CRecordingWindow window;
        theJob.notifyWindow = &window;
        config.lines[0].units[0].firmware = firmware;
        config.lines[0].units[0].settings["SequenceReceiver5"] = "12345678901234567890";
        theJob.selectionMask = AllParametersMask;
        std::string error;
        ASSERT_TRUE(sim.Start(config, &error)) << error;
        SetComPortName(sim.DevicePath());
        ASSERT_TRUE(StartJob());
        ASSERT_TRUE(window.WaitForProgress(ProgressEnded, 30000));
        WaitForJobEnd();
        sim.Stop();

        const bool two = firmware[0] == '2';
        auto values = window.Values();
        const auto& settings = config.lines[0].units[0].settings;
        EXPECT_EQ(values[IdFirmware].text, two ? "2.0.7" : "1.0.7");
        EXPECT_EQ(values[1010].text, settings.at("AlarmReceiver1"));
        EXPECT_EQ(values[1012].text, settings.at("TestAlarmReceiver"));
        EXPECT_EQ(values[1015].text, settings.at("TestAlarmCode"));
        EXPECT_EQ(values[1018].text, "12345678901234567890");
        EXPECT_EQ(values[1048].text, settings.at("AlarmType"));
        EXPECT_EQ(values[1038].text, "3958");
        EXPECT_EQ(values[1040].number, std::stol(settings.at("TestAlarmTime")));
        EXPECT_EQ(values.count(1039), two ? 1u : 0u);
        EXPECT_EQ(values.count(1070), two ? 1u : 0u);
        EXPECT_EQ(values.count(1036), two ? 1u : 0u);
        EXPECT_EQ(window.CountProgress(ProgressLogoff), 1);
        EXPECT_EQ(window.CountProgress(ProgressEnded), 1);
        EXPECT_TRUE(presenter.Texts().empty());
    }
}

TEST_F(ModemE2eTest, ReadWithAnEmptySelectionReadsTheStatusOnly)
{
    theJob.selectionMask = 0;
    RunJob();
    auto values = window.Values();
    EXPECT_EQ(values.count(1010), 0u);
    EXPECT_EQ(values.count(1043), 1u);
    EXPECT_EQ(values.count(1041), 1u);
    EXPECT_EQ(window.CountProgress(ProgressLogoff), 1);
}

TEST_F(ModemE2eTest, WriteReachesTheUnit)
{
    theJob.mode = JobWrite;
    theJob.selectionMask = 0x1 | 0x2 | 0x2000 | 0x4000;
    theJob.SetSlot(SlotAlarmReceiver1, "123456789012");
    theJob.SetSlot(SlotAlarmReceiver2, "98765432109876543210");
    theJob.SetSlot(SlotTestAlarmTime, "10");
    theJob.SetSlot(SlotAlarmButtonDelay, "4");
    RunJob();
    SimUnit unit = Unit();
    EXPECT_EQ(unit.settings["AlarmReceiver1"], "123456789012");
    EXPECT_EQ(unit.settings["AlarmReceiver2"], "98765432109876543210");
    EXPECT_EQ(unit.settings["TestAlarmTime"], "10");
    EXPECT_EQ(unit.settings["AlarmButtonDelay"], "4");
    int reports1011 = 0;
    for (const RecordedMessage& m : window.Messages())
        reports1011 += m.message == WM_SET_TEXT && m.wParam == 1011;
    EXPECT_EQ(reports1011, 1) << "the cut first code is not reported";
    for (uint32_t id : {1010u, 1040u, 1041u})
        EXPECT_EQ(window.Values().count(id), 1u) << id;
    EXPECT_TRUE(presenter.Texts().empty());
}

TEST_F(ModemE2eTest, BusyAndNoAnswerShowTheirText)
{
    struct Case {
        SimLine::Answer answer;
        int stringId;
    } cases[] = {{SimLine::Answer::Busy, IDS_BUSY}, {SimLine::Answer::NoAnswer, IDS_NO_ANSWER}};
    for (const Case& c : cases) {
        CRecordingWindow window;
        CRecordingPresenter presenter;
        theJob.notifyWindow = &window;
        config.lines[0].answer = c.answer;
        std::string error;
        ASSERT_TRUE(sim.Start(config, &error)) << error;
        SetComPortName(sim.DevicePath());
        ASSERT_TRUE(StartJob());
        ASSERT_TRUE(window.WaitForProgress(ProgressEnded, 30000));
        WaitForJobEnd();
        sim.Stop();
        ASSERT_EQ(presenter.Texts().size(), 1u);
        EXPECT_EQ(presenter.Texts()[0], LoadString(c.stringId));
        EXPECT_EQ(window.CountProgress(ProgressConnected), 0);
        EXPECT_EQ(window.CountProgress(ProgressEnded), 1);
    }
}

TEST_F(ModemE2eTest, ARefusedCodeEndsWithStageFiveAndALogOff)
{
    theJob.selectionMask = AllParametersMask;
    std::strcpy(theJob.programmingCode, "1111");
    RunJob();
    EXPECT_EQ(window.CountProgress(ProgressBadCode), 1);
    EXPECT_EQ(window.CountProgress(ProgressTransfer), 0);
    EXPECT_EQ(window.Values().count(1010), 0u);
    EXPECT_TRUE(presenter.Texts().empty());
}

TEST_F(ModemE2eTest, CorruptedFramesAreAskedForAgain)
{
    theJob.selectionMask = 0x1 | 0x2;
    config.faults.corruptNextAnswers = 2;
    RunJob();
    EXPECT_GE(trace.Count("Modem: Bad DTMF frame, sending the command again\n"), 2);
    EXPECT_EQ(window.Values()[1011].text, config.lines[0].units[0].settings.at("AlarmReceiver2"));
    EXPECT_TRUE(presenter.Texts().empty());
}

TEST_F(ModemE2eTest, ThreeTimeOutsEndWithString108AndALogOff)
{
    theJob.selectionMask = 0x1;
    config.faults.dropNextAnswers = 3;
    RunJob();
    ASSERT_EQ(presenter.Texts().size(), 1u);
    EXPECT_EQ(presenter.Texts()[0], LoadString(IDS_TOO_MANY_RETRIES));
    EXPECT_EQ(window.CountProgress(ProgressLogoff), 1);
}

TEST_F(ModemE2eTest, ABusyToneInTheCallEndsTheJobAfterALogOff)
{
    theJob.selectionMask = AllParametersMask;
    config.faults.busyToneAfterLogin = true;
    RunJob();
    EXPECT_EQ(window.CountProgress(ProgressLogoff), 1);
    EXPECT_LT(window.Values().size(), 5u);
}

TEST_F(ModemE2eTest, ASilentModemIsEndedByTheWatchdog)
{
    config.lines[0].answer = SimLine::Answer::Silent;
    RunJob();
    EXPECT_TRUE(presenter.Texts().empty());
    EXPECT_EQ(trace.Count("Job: no step for too long, ending the job\n"), 1);
    // While it dialled the count went down a tick at a time.
    std::vector<long> counts;
    for (const RecordedMessage& m : window.Messages())
        if (m.message == WM_SHOW_PROGRESS && m.wParam == ProgressDialing)
            counts.push_back(m.number);
    ASSERT_GE(counts.size(), 3u);
    EXPECT_EQ(counts[0], 60);
    EXPECT_EQ(counts[1], 59);
    EXPECT_EQ(counts[2], 58);
}

TEST_F(ModemE2eTest, StartingTwiceOnOneDriverIsRefused)
{
    std::string error;
    ASSERT_TRUE(sim.Start(config, &error)) << error;
    SetComPortName(sim.DevicePath());
    theJob.notifyWindow = nullptr;
    CModemDriver driver(&theJob);
    ASSERT_TRUE(driver.Start());
    EXPECT_FALSE(driver.Start());
    EXPECT_EQ(trace.Count("CModemDriver::Start: Already have a comm file open\n"), 1);
    driver.Stop();
}

} // namespace
