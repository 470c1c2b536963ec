#include "SimModemJobTest.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "model/JobMessages.h"
#include "model/ParameterTable.h"
#include "support/TraceCapture.h"
#include "worker/JobWorker.h"

double TraceSeconds(const std::string& line)
{
    double seconds = -1;
    if (line.rfind("Modem: ", 0) != 0 || std::sscanf(line.c_str() + 7, "%lf", &seconds) != 1)
        return -1;
    return seconds;
}

DialogueTiming SimModemJobTest::ShortTiming(uint32_t answerTimeoutMs)
{
    DialogueTiming timing;
    timing.selectWaitMs = 1;
    timing.answerTimeoutMs = answerTimeoutMs;
    timing.workerTickMs = 20;
    timing.modemAnswerMs = 300;
    timing.logoffWaitMs = 300;
    return timing;
}

void SimModemJobTest::TearDown()
{
    ResetDialogueTimingForTests();
    SetModemProfile(ModemProfile::Auto);
    SetModemCallSettings(ModemCallSettings{});
    theJob.reset(nullptr);
}

void SimModemJobTest::Prepare(bool write)
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

JobRun SimModemJobTest::Run(ModemProfile profile)
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
    // The dialogue lines, and the commands among them ("Modem:    1.234 > ATZ\r\n").
    for (const std::string& line : trace.Lines()) {
        if (TraceSeconds(line) < 0)
            continue;
        run.trace.push_back(line);
        if (size_t mark = line.find(" > "); mark < 20)
            run.sent.push_back(line.substr(mark + 3, line.size() - mark - 4));
    }
    run.values = window.Values();
    run.shown = presenter.Texts();
    for (const RecordedMessage& m : window.Messages())
        if (m.message == WM_SHOW_PROGRESS && m.wParam == ProgressEnded)
            run.outcome = static_cast<JobOutcome>(m.number);
    EXPECT_EQ(window.CountProgress(ProgressEnded), 1);
    return run;
}

void SimModemJobTest::ExpectReadAllAndWrite(const std::string& name, ModemProfile profile)
{
    for (bool write : {false, true}) {
        SCOPED_TRACE(name + (write ? ", write" : ", read all"));
        Prepare(write);
        JobRun run = Run(profile);
        if (!run.shown.empty())
            for (const std::string& line : run.trace)
                std::printf("%s", line.c_str());
        ASSERT_TRUE(run.shown.empty()) << run.shown[0];
        EXPECT_EQ(run.outcome, JobOutcome::Completed);
        ASSERT_FALSE(run.sent.empty());
        EXPECT_EQ(run.sent.back(), "ATZ\\r\\n");
        // Login, the codes (and the status), log-off: nothing was asked for twice.
        const auto tones = std::count_if(run.sent.begin(), run.sent.end(), [](const std::string& s) {
            return s.rfind("AT+VTS=C", 0) == 0 || s.rfind("AT#VTS=C", 0) == 0;
        });
        EXPECT_EQ(tones, write ? 8 : 15);
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
