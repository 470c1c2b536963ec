// Real jobs, end to end: the job worker, the driver and the serial port over a pseudo-terminal,
// against the simulated modem and unit in fast mode, with the protocol waits scaled down.
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <gtest/gtest.h>

#include "ScriptedModem.h"
#include "model/ComPortName.h"
#include "model/JobMessages.h"
#include "worker/JobWorker.h"
#include "model/ParameterTable.h"
#include "model/StringTable.h"
#include "unit/DtmfFraming.h"
#include "unit/UnitCommands.h"
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
        timing.commandGapMs = 0; // the pause after a result code is the behaviour tests' concern
        timing.workerTickMs = 20;
        timing.modemAnswerMs = 300;
        timing.logoffWaitMs = 300;
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

TEST_F(ModemE2eTest, ThreeTimeOutsAtTheLoginEndWithTheUnitSilentAndALogOff)
{
    theJob.selectionMask = 0x1;
    config.faults.dropNextAnswers = 3;
    RunJob();
    ASSERT_EQ(presenter.Texts().size(), 1u);
    EXPECT_EQ(presenter.Texts()[0], FormatString(IDS_UNIT_SILENT, {"1"}));
    EXPECT_EQ(window.CountProgress(ProgressLogoff), 1);
}

// A line or modem that misbehaves: every job ends by itself, says what was seen, and a job that
// met a fault it can ride out still completes.
TEST_F(ModemE2eTest, FaultsEndTheJobSayingWhatWasSeen)
{
    const std::string port = "%PORT%";
    struct Case {
        const char* name;
        std::function<void(SimConfig&)> fault;
        std::string message; // empty: the job completes, with no message
        bool loggedOff;      // the log-off went out
    } cases[] = {
        {"every answer garbled", [](SimConfig& c) { c.faults.corruptAllAnswers = true; },
         "The line is too noisy for DTMF: 5 of 5 answers failed their check.", true},
        {"a lone XOFF from the modem", [](SimConfig& c) { c.faults.loneXoff = true; }, "", true},
        {"stale lines waiting at open",
         [](SimConfig& c) { c.faults.staleAtOpen = "\r\nRING\r\n\r\nNO CARRIER\r\n"; }, "", true},
        // A letter is no DTMF tone: the frame lacks its characters and is asked for again.
        {"a status record of letters", [](SimConfig& c) { c.faults.garbageStatus = std::string(19, 'Z'); },
         "The line is too noisy for DTMF: 5 of 18 answers failed their check.", true},
        {"a status record of nines", [](SimConfig& c) { c.faults.garbageStatus = std::string(19, '9'); },
         FormatString(IDS_INVALID_STATUS_VALUE,
                      {"power source \"9\", DialToneDetection \"9\", AlarmButtonDelay \"99\", IdBeep \"9\", "
                       "PhoneAcknowledge \"9\", InfoAlarm \"9\", LedSequence \"9\""}),
         true},
        {"the modem unplugged while dialling", [](SimConfig& c) { c.faults.unplugWhileDialling = true; },
         FormatString(IDS_MODEM_GONE, {port}), false},
        {"a busy tone after the login", [](SimConfig& c) { c.faults.busyToneAfterLogin = true; },
         LoadString(IDS_BUSY_TONE), false},
        {"a modem that says nothing", [](SimConfig& c) { c.faults.deadModem = true; },
         FormatString(IDS_MODEM_SILENT, {port}), false},
        {"a modem that dies as it dials", [](SimConfig& c) { c.lines[0].answer = SimLine::Answer::Silent; },
         FormatString(IDS_NO_DIAL_RESULT, {port, "60"}), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CRecordingWindow window;
        CRecordingPresenter presenter;
        theJob.notifyWindow = &window;
        theJob.selectionMask = AllParametersMask;
        SimConfig faulty = config;
        c.fault(faulty);
        std::string error;
        ASSERT_TRUE(sim.Start(faulty, &error)) << error;
        SetComPortName(sim.DevicePath());
        ASSERT_TRUE(StartJob());
        ASSERT_TRUE(window.WaitForProgress(ProgressEnded, 30000)) << "the job did not end";
        WaitForJobEnd();
        sim.Stop();
        EXPECT_EQ(window.CountProgress(ProgressEnded), 1);
        EXPECT_EQ(window.CountProgress(ProgressLogoff), c.loggedOff ? 1 : 0);
        std::string expected = c.message;
        if (size_t at = expected.find(port); at != std::string::npos)
            expected.replace(at, port.size(), GetComPortName());
        if (expected.empty()) {
            EXPECT_TRUE(presenter.Texts().empty()) << presenter.Texts()[0];
            EXPECT_EQ(window.Values()[1010].text, config.lines[0].units[0].settings.at("AlarmReceiver1"));
            EXPECT_EQ(window.Values().count(1036), 1u) << "the status was decoded";
        } else {
            ASSERT_EQ(presenter.Texts().size(), 1u);
            EXPECT_EQ(presenter.Texts()[0], expected);
        }
        // A value that failed its check is never shown.
        if (!faulty.faults.garbageStatus.empty()) {
            EXPECT_EQ(window.Values().count(1043), 0u);
        }
    }
}

TEST_F(ModemE2eTest, ANumberHoldingHashIsWrittenAndReadBack)
{
    theJob.mode = JobWrite;
    theJob.selectionMask = 0x2 | 0x4;
    theJob.SetSlot(SlotAlarmReceiver2, "12#3");
    theJob.SetSlot(SlotTestAlarmReceiver, "*#0#*12345678#9");
    RunJob();
    EXPECT_TRUE(presenter.Texts().empty());
    EXPECT_EQ(Unit().settings["AlarmReceiver2"], "12#3");
    EXPECT_EQ(Unit().settings["TestAlarmReceiver"], "*#0#*12345678#9");
    EXPECT_EQ(window.Values().count(1011), 1u) << "acknowledged";

    CRecordingWindow readWindow;
    theJob.notifyWindow = &readWindow;
    theJob.mode = JobRead;
    config.lines[0].units[0].settings = Unit().settings;
    sim.Stop();
    std::string error;
    ASSERT_TRUE(sim.Start(config, &error)) << error;
    SetComPortName(sim.DevicePath());
    ASSERT_TRUE(StartJob());
    ASSERT_TRUE(readWindow.WaitForProgress(ProgressEnded, 30000));
    WaitForJobEnd();
    EXPECT_EQ(readWindow.Values()[1011].text, "12#3");
    EXPECT_EQ(readWindow.Values()[1012].text, "*#0#*12345678#9");
    EXPECT_TRUE(presenter.Texts().empty());
}

TEST_F(ModemE2eTest, AStopWhileLoggedInLogsOffThenResetsTheModem)
{
    std::mutex lock;
    std::vector<std::string> transcript;
    config.transcriptSink = [&](std::string_view text) {
        std::lock_guard<std::mutex> guard(lock);
        transcript.emplace_back(text);
    };
    config.transcript = true;
    config.faults.answerDelayMs = 50; // long enough to stop in the middle
    // A late answer (the delay plus the 50 ms read interval) must not meet a time-out and a
    // second sending of its code.
    DialogueTiming timing = GetDialogueTiming();
    timing.answerTimeoutMs = 2000;
    SetDialogueTimingForTests(timing);
    theJob.selectionMask = AllParametersMask;
    std::string error;
    ASSERT_TRUE(sim.Start(config, &error)) << error;
    SetComPortName(sim.DevicePath());
    ASSERT_TRUE(StartJob());
    ASSERT_TRUE(window.WaitForProgress(ProgressTransfer, 30000));
    RequestStopJob();
    ASSERT_TRUE(window.WaitForProgress(ProgressEnded, 30000));
    WaitForJobEnd();
    sim.Stop();
    EXPECT_TRUE(presenter.Texts().empty()) << "a stop asked for is no failure to report";
    std::lock_guard<std::mutex> guard(lock);
    auto find = [&](const std::string& text, size_t from) {
        for (size_t i = from; i < transcript.size(); ++i)
            if (transcript[i].find(text) != std::string::npos)
                return i;
        return transcript.size();
    };
    const size_t logoff = find("<- AT#VTS=C,9,B,0,D", 0);
    ASSERT_LT(logoff, transcript.size()) << "no log-off";
    EXPECT_LT(find("<- ATZ", logoff), transcript.size()) << "no modem reset after the log-off";
    const std::string statusRead = BuildDtmfCommand(StatusReadCode);
    EXPECT_EQ(find("<- " + statusRead.substr(0, statusRead.size() - 2), 0), transcript.size())
        << "the status was still read";
}

TEST_F(ModemE2eTest, StartingTwiceOnOneDriverIsRefused)
{
    std::string error;
    ASSERT_TRUE(sim.Start(config, &error)) << error;
    SetComPortName(sim.DevicePath());
    theJob.notifyWindow = nullptr;
    CModemDriver driver(&theJob, GetComPortName());
    ASSERT_TRUE(driver.Start());
    EXPECT_FALSE(driver.Start());
    EXPECT_EQ(trace.Count("CModemDriver::Start: Already have a comm file open\n"), 1);
    driver.Stop();
}

} // namespace
