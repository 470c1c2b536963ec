// The driver's line handling and the dialogue, without a serial port: the scripted modem answers
// every command the driver writes, through OnReceive, cut into chunks as each test asks.
#include "modem/ModemDriver.h"

#include <cstring>
#include <gtest/gtest.h>

#include "ScriptedModem.h"
#include "model/ComPortName.h"
#include "model/JobMessages.h"
#include "model/ParameterTable.h"
#include "model/StringTable.h"
#include "support/TraceCapture.h"

namespace {

using Codes = std::vector<std::string>;

class ModemDriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DialogueTiming timing;
        timing.selectWaitMs = 1;
        timing.answerTimeoutMs = 40;
        timing.commandGapMs = 0; // the scripted modem takes a command at once
        timing.driverStopMs = 2000;
        SetDialogueTimingForTests(timing);
        job = ProgrammingJob{};
        job.reset(&window);
        job.mode = JobRead;
        std::strcpy(job.phoneNumber, "5550100");
        std::strcpy(job.programmingCode, "3958");
        job.unit = 1;
    }
    void TearDown() override { ResetDialogueTimingForTests(); }

    // Runs one job to its end against the scripted modem; returns the modem as it was left.
    ScriptedModem Run(const ScriptedModem& modem, Chunking chunking = Chunking::Whole)
    {
        CScriptedDriver driver(&job, chunking);
        driver.modem = modem;
        EXPECT_TRUE(driver.StartWithoutPort());
        EXPECT_TRUE(driver.RunToEnd(10000)) << "the dialogue did not end";
        return driver.modem;
    }

    static Codes ReadAllCodes(bool firmware2)
    {
        Codes codes = {"203958", "22000", "22021", "22042"};
        if (firmware2)
            codes.push_back("22255");
        codes.insert(codes.end(), {"22063", "22084", "22105"});
        if (firmware2)
            codes.push_back("22276");
        codes.insert(codes.end(), {"22126", "22147", "22168", "22189", "22227", "99"});
        return codes;
    }

    // Reads AlarmReceiver1 over a line the script spoils, checksToEnd spoilt answers in a row
    // ending the call: the codes sent and the modem reset last; then the message, or with none
    // the value and the firmware right.
    void ExpectCallOverTheLine(const ScriptedModem& script, int checksToEnd, const Codes& codes,
                               const std::string& message)
    {
        DialogueTiming timing = GetDialogueTiming();
        timing.failedChecksToEnd = checksToEnd;
        SetDialogueTimingForTests(timing);
        CRecordingWindow callWindow;
        CRecordingPresenter callPresenter;
        job.notifyWindow = &callWindow;
        job.selectionMask = 0x1;
        ScriptedModem modem = Run(script);
        EXPECT_EQ(modem.Codes(), codes);
        EXPECT_EQ(modem.commands.back(), "ATZ\r\n");
        if (message.empty()) {
            EXPECT_TRUE(callPresenter.Texts().empty());
            EXPECT_EQ(callWindow.Values()[1010].text, "012345678901");
            EXPECT_EQ(callWindow.Values()[IdFirmware].text, "2.0.7");
        } else {
            ASSERT_EQ(callPresenter.Texts().size(), 1u);
            EXPECT_EQ(callPresenter.Texts()[0], message);
        }
    }

    CRecordingWindow window;
    CRecordingPresenter presenter;
    ProgrammingJob job{};
};

TEST_F(ModemDriverTest, ReadAllOnFirmware2SendsTheWholeDialogueAndReportsEveryValue)
{
    job.selectionMask = AllParametersMask;
    ScriptedModem modem = Run(ScriptedModem{});

    const std::vector<std::string> prologue = {"ATZ\r\n", "ATE0\r\n", "AT#CLS=8\r\n", "AT#VBT=1\r\n",
                                               "ATD5550100\r\n", "AT#VTS=#,1\r\n"};
    ASSERT_GE(modem.commands.size(), prologue.size() + 1);
    EXPECT_EQ(std::vector<std::string>(modem.commands.begin(), modem.commands.begin() + 6), prologue);
    EXPECT_EQ(modem.commands[6], "AT#VTS=C,2,0,3,9,5,8,3,D\r\n");
    EXPECT_EQ(modem.commands.back(), "ATZ\r\n");
    EXPECT_EQ(modem.Codes(), ReadAllCodes(true));

    auto values = window.Values();
    EXPECT_EQ(values[IdFirmware].text, "2.0.7");
    EXPECT_TRUE(values[IdFirmware].sent);
    EXPECT_EQ(values[1010].text, "012345678901");
    EXPECT_FALSE(values[1010].sent);
    EXPECT_EQ(values[1011].text, "98765432109876543210");
    EXPECT_EQ(values[1039].text, "5551234");
    EXPECT_EQ(values[1070].text, "1004");
    EXPECT_EQ(values[1018].text, "");
    EXPECT_EQ(values[1019].text, "6666");
    // Status "010139580503..." decoded and sent.
    EXPECT_EQ(values[1043].number, 1);
    EXPECT_EQ(values[1038].text, "3958");
    EXPECT_EQ(values[1041].text, "5");
    EXPECT_TRUE(values[1041].sent);
    ASSERT_EQ(values.count(1036), 1u);
    EXPECT_EQ(values[1036].number, 1);

    EXPECT_EQ(window.CountProgress(ProgressDialing), 1);
    EXPECT_EQ(window.CountProgress(ProgressConnected), 1);
    EXPECT_EQ(window.CountProgress(ProgressTransfer), 1);
    EXPECT_EQ(window.CountProgress(ProgressLogoff), 1);
    EXPECT_EQ(window.CountProgress(ProgressBadCode), 0);
    for (const RecordedMessage& m : window.Messages())
        if (m.message == WM_SHOW_PROGRESS && m.wParam == ProgressDialing) {
            EXPECT_EQ(m.number, 60);
        }
    EXPECT_TRUE(presenter.Texts().empty());
}

TEST_F(ModemDriverTest, ReadAllOnFirmware1LeavesOutTheBatteryParametersAndTheLed)
{
    job.selectionMask = AllParametersMask;
    ScriptedModem script;
    script.firmware = "107";
    ScriptedModem modem = Run(script);
    EXPECT_EQ(modem.Codes(), ReadAllCodes(false));
    auto values = window.Values();
    EXPECT_EQ(values[IdFirmware].text, "1.0.7");
    EXPECT_EQ(values.count(1039), 0u);
    EXPECT_EQ(values.count(1036), 0u);
}

TEST_F(ModemDriverTest, ReadWithAnEmptySelectionReadsTheStatusOnly)
{
    job.selectionMask = 0;
    ScriptedModem modem = Run(ScriptedModem{});
    EXPECT_EQ(modem.Codes(), (Codes{"203958", "22227", "99"}));
    EXPECT_EQ(window.Values().count(1043), 1u);
}

TEST_F(ModemDriverTest, WriteCutsLongNumbersAndReportsOnlyTheRest)
{
    job.mode = JobWrite;
    job.selectionMask = 0x1 | 0x2 | 0x2000 | 0x4000 | 0x8;
    job.SetSlot(SlotAlarmReceiver1, "123456789012");
    job.SetSlot(SlotAlarmReceiver2, "12345678901234567890");
    job.SetSlot(SlotTestAlarmTime, "10");
    job.SetSlot(SlotAlarmButtonDelay, "4");
    job.SetSlot(SlotAlarmCode1, "");
    ScriptedModem modem = Run(ScriptedModem{});

    EXPECT_EQ(modem.commands[4], "ATDT5550100\r\n");
    EXPECT_EQ(modem.Codes(), (Codes{"203958", "21000123456789012", "21021123456789012", "2103334567890", "21063",
                                    "21251A", "2124804", "99"}));
    // The cut first code of receiver 2 is not reported; its rest is.
    int reports1011 = 0;
    for (const RecordedMessage& m : window.Messages())
        reports1011 += m.message == WM_SET_TEXT && m.wParam == 1011;
    EXPECT_EQ(reports1011, 1);
    auto values = window.Values();
    EXPECT_EQ(values[1010].text, "000");
    EXPECT_EQ(values[1011].text, "033");
    EXPECT_EQ(values[1040].text, "251");
    EXPECT_EQ(values[1041].text, "248");
    EXPECT_EQ(values.count(1043), 0u) << "a write reads no status";
}

TEST_F(ModemDriverTest, FailedDialsShowTheirTextAndResetTheModemWithoutLoggingIn)
{
    struct Case {
        ScriptedModem::Dial dial;
        std::string text;
    } cases[] = {{ScriptedModem::Dial::Busy, LoadString(IDS_BUSY)},
                 {ScriptedModem::Dial::NoAnswer, LoadString(IDS_NO_ANSWER)},
                 {ScriptedModem::Dial::Unknown, LoadString(IDS_UNKNOWN_DIAL_RESPONSE)},
                 {ScriptedModem::Dial::NoDialTone, FormatString(IDS_NO_DIAL_TONE, {GetComPortName()})},
                 {ScriptedModem::Dial::NoCarrier, LoadString(IDS_UNKNOWN_DIAL_RESPONSE)}};
    for (const Case& c : cases) {
        CRecordingPresenter presenter;
        ScriptedModem script;
        script.dial = c.dial;
        ScriptedModem modem = Run(script);
        EXPECT_TRUE(modem.Codes().empty());
        EXPECT_EQ(modem.commands.back(), "ATZ\r\n");
        ASSERT_EQ(presenter.Texts().size(), 1u);
        EXPECT_EQ(presenter.Texts()[0], c.text);
        EXPECT_EQ(presenter.Caption(), "Pravel");
    }
}

// Some Conexant firmware takes "AT#CLS=8" and still answers the dial "OK": under auto that is the
// voice connection.
TEST_F(ModemDriverTest, AnOkToTheDialIsTheVoiceConnectionUnderAuto)
{
    job.selectionMask = 0x1;
    ScriptedModem script;
    script.dial = ScriptedModem::Dial::Ok;
    ScriptedModem modem = Run(script);
    EXPECT_EQ(modem.Codes(), (Codes{"203958", "22000", "22227", "99"}));
    EXPECT_TRUE(presenter.Texts().empty());
}

TEST_F(ModemDriverTest, RefusedCodeReportsStageFiveAndLogsOff)
{
    job.selectionMask = AllParametersMask;
    std::strcpy(job.programmingCode, "1111");
    ScriptedModem modem = Run(ScriptedModem{});
    EXPECT_EQ(modem.Codes(), (Codes{"201111", "99"}));
    EXPECT_EQ(modem.commands.back(), "ATZ\r\n");
    EXPECT_EQ(window.CountProgress(ProgressBadCode), 1);
    EXPECT_EQ(window.CountProgress(ProgressTransfer), 0);
    EXPECT_EQ(window.CountProgress(ProgressLogoff), 0);
    EXPECT_EQ(window.Values().count(IdFirmware), 0u);
}

TEST_F(ModemDriverTest, GarbledAnswersAreAskedForAgainAndCountLikeTimeOuts)
{
    struct Case {
        int corrupt;
        int drop;
        int checksToEnd; // failed checks in a row that end the call
        int dropAfter;   // time-outs after the bad answers
        Codes codes;
        std::string message; // empty: the job completes
    } cases[] = {
        // Two bad answers, then a good one: the count starts again at every valid answer. After a
        // spoilt answer the login goes out once more, to hear the same answer twice.
        {2, 0, 3, 0, {"203958", "203958", "203958", "203958", "22000", "22227", "99"}, ""},
        // Three bad answers in a row end the job as three time-outs do, with a log-off.
        // The answers failed their check: the message names the line.
        {3, 0, 3, 0, {"203958", "203958", "203958", "99"},
         "The line is too noisy for DTMF: 3 of 3 answers failed their check."},
        // A time-out and two bad answers are three failures in a row as well.
        {2, 1, 3, 0, {"203958", "203958", "203958", "99"},
         "The line is too noisy for DTMF: 2 of 2 answers failed their check."},
        // With five failed checks allowed, four are ridden out and the fifth ends the call.
        {4, 0, 5, 0, {"203958", "203958", "203958", "203958", "203958", "203958", "22000", "22227", "99"}, ""},
        {5, 0, 5, 0, {"203958", "203958", "203958", "203958", "203958", "99"},
         "The line is too noisy for DTMF: 5 of 5 answers failed their check."},
        // A time-out still ends the call when it is the third failure in a row or later.
        {2, 0, 5, 1, {"203958", "203958", "203958", "99"},
         "The line is too noisy for DTMF: 2 of 2 answers failed their check."},
        {3, 0, 5, 1, {"203958", "203958", "203958", "203958", "99"},
         "The line is too noisy for DTMF: 3 of 3 answers failed their check."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "corrupt " << c.corrupt << ", drop " << c.drop << ", end at "
                                        << c.checksToEnd << ", drop after " << c.dropAfter);
        ScriptedModem script;
        script.dropNextAnswers = c.drop;
        script.corruptNextAnswers = c.corrupt;
        script.dropAfterCorrupt = c.dropAfter;
        ExpectCallOverTheLine(script, c.checksToEnd, c.codes, c.message);
    }
}

TEST_F(ModemDriverTest, AfterASpoiltAnswerTheSameAnswerMustComeTwiceBeforeItCounts)
{
    const Codes sent = {"203958", "22000", "22000", "22000", "22227", "99"};
    struct Case {
        const char* fates; // what the line does to each answer (ScriptedModem::fates)
        Codes codes;
        std::string message; // empty: the job completes with every value right
    } cases[] = {
        // A clean line: every code once.
        {"", {"203958", "22000", "22227", "99"}, ""},
        // A bad check digit, then the right answer twice.
        {"gc", sent, ""},
        // An answer cut before its end tone is spoilt as well (at the time-out), not a silence.
        {"gp", sent, ""},
        // After a spoilt answer, one that passes its check but differs from the next is not
        // taken: the right answer counts once it has come twice.
        {"gcw", {"203958", "22000", "22000", "22000", "22000", "22227", "99"}, ""},
        // The login the same way: a wrong firmware is not taken on one hearing, nor one too short
        // to be a login answer whatever its check digit.
        {"cwg", {"203958", "203958", "203958", "203958", "22000", "22227", "99"}, ""},
        {"s", {"203958", "203958", "203958", "22000", "22227", "99"}, ""},
        // Differing answers count as spoilt: five in a row end the call, naming the line.
        {"gcwpcp", {"203958", "22000", "22000", "22000", "22000", "22000", "22000", "99"},
         "The line is too noisy for DTMF: 5 of 7 answers failed their check."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fates);
        ScriptedModem script;
        script.fates = c.fates;
        ExpectCallOverTheLine(script, 5, c.codes, c.message);
    }
}

TEST_F(ModemDriverTest, ThreeTimeOutsAtTheLoginSayTheUnitDidNotAnswerAndLogOff)
{
    TraceCapture trace;
    job.selectionMask = 0x1;
    ScriptedModem script;
    script.dropNextAnswers = 3; // the unit does not answer the login, three times
    ScriptedModem modem = Run(script);
    EXPECT_EQ(modem.Codes(), (Codes{"203958", "203958", "203958", "99"}));
    ASSERT_EQ(presenter.Texts().size(), 1u);
    // Nothing at all came back: no unit 1 on the line, rather than a bad line.
    EXPECT_EQ(presenter.Texts()[0], FormatString(IDS_UNIT_SILENT, {"1"}));
    EXPECT_EQ(window.CountProgress(ProgressLogoff), 1);
    EXPECT_EQ(modem.commands.back(), "ATZ\r\n");
}

TEST_F(ModemDriverTest, BusyToneInTheCallEndsItAtOnceSayingSo)
{
    // The far end has hung up: no log-off into a dead line, the modem is reset at once.
    job.selectionMask = AllParametersMask;
    ScriptedModem script;
    script.busyToneAfterLogin = true;
    ScriptedModem modem = Run(script);
    EXPECT_EQ(modem.Codes(), (Codes{"203958"}));
    EXPECT_EQ(modem.commands.back(), "ATZ\r\n");
    ASSERT_EQ(presenter.Texts().size(), 1u);
    EXPECT_EQ(presenter.Texts()[0], LoadString(IDS_BUSY_TONE));
}

TEST_F(ModemDriverTest, MoreChunksThanTheSemaphoreCountsAreAllTaken)
{
    // Every reply arrives as over 300 one-byte chunks before the driver thread looks at any: the
    // semaphore stops at 200, and the chunks past it must still be read (the "OK" is the last).
    job.selectionMask = 0x1;
    ScriptedModem script;
    script.noiseBeforeReply = std::string(2 * CModemDriver::MaxQueuedChunks, '\n');
    CScriptedDriver driver(&job, Chunking::ByteAtATime);
    driver.modem = script;
    ASSERT_TRUE(driver.StartWithoutPort());
    ASSERT_TRUE(driver.RunToEnd(10000)) << "the dialogue did not end";
    EXPECT_EQ(driver.modem.Codes(), (Codes{"203958", "22000", "22227", "99"}));
    EXPECT_TRUE(presenter.Texts().empty());
}

// The same replies, cut differently: the outcome must not change.
class ModemDriverChunking : public ModemDriverTest, public ::testing::WithParamInterface<Chunking> {};

TEST_P(ModemDriverChunking, ReadAllGivesTheSameOutcome)
{
    job.selectionMask = AllParametersMask;
    ScriptedModem modem = Run(ScriptedModem{}, GetParam());
    EXPECT_EQ(modem.Codes(), ReadAllCodes(true));
    EXPECT_EQ(window.Values()[1011].text, "98765432109876543210");
    EXPECT_EQ(window.Values()[1048].text, ScriptedModem{}.status.substr(13, 2));
}

TEST_P(ModemDriverChunking, EmptyLinesNulBytesAndStrayDleCodesChangeNothing)
{
    job.selectionMask = AllParametersMask;
    ScriptedModem script;
    script.noiseBeforeReply = std::string("\r\n\n\0\r", 5) + "\x10" "5\x10" "/"; // DLE codes before the 'C'
    ScriptedModem modem = Run(script, GetParam());
    EXPECT_EQ(modem.Codes(), ReadAllCodes(true));
    EXPECT_EQ(window.Values()[1019].text, "6666");
}

INSTANTIATE_TEST_SUITE_P(Chunks, ModemDriverChunking,
                         ::testing::Values(Chunking::Whole, Chunking::ByteAtATime, Chunking::Pairs));

// Every way a modem reports the unit's tones, in every cut of the bytes: the same read.
class ModemDriverReporting
    : public ModemDriverTest,
      public ::testing::WithParamInterface<std::tuple<ScriptedModem::Reporting, bool, Chunking>> {};

TEST_P(ModemDriverReporting, ReadAllGivesTheSameOutcome)
{
    const auto [reporting, events, chunking] = GetParam();
    job.selectionMask = AllParametersMask;
    ScriptedModem script;
    script.reporting = reporting;
    script.events = events;
    ScriptedModem modem = Run(script, chunking);
    EXPECT_EQ(modem.Codes(), ReadAllCodes(true)) << "no answer may be asked for twice";
    auto values = window.Values();
    EXPECT_EQ(values[1010].text, "012345678901");
    EXPECT_EQ(values[1011].text, "98765432109876543210");
    EXPECT_EQ(values[1016].text, "3");
    EXPECT_EQ(values[1017].text, "44");
    EXPECT_EQ(values[1048].text, ScriptedModem{}.status.substr(13, 2));
    EXPECT_TRUE(presenter.Texts().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Modems, ModemDriverReporting,
    ::testing::Combine(::testing::Values(ScriptedModem::Reporting::Single, ScriptedModem::Reporting::Shielded,
                                         ScriptedModem::Reporting::Unmarked),
                       ::testing::Bool(),
                       ::testing::Values(Chunking::Whole, Chunking::ByteAtATime, Chunking::RandomCuts)));

TEST_F(ModemDriverTest, AStrayDleCodeInsideAFrameIsAskedForAgain)
{
    job.selectionMask = 0x1;
    ScriptedModem script;
    script.noiseInsideFrame = "\x10" "7";
    ScriptedModem modem = Run(script, Chunking::ByteAtATime);
    // The spoilt login answer is asked for again, and once more to hear it twice the same.
    EXPECT_EQ(modem.Codes(), (Codes{"203958", "203958", "203958", "22000", "22227", "99"}));
    EXPECT_EQ(window.Values()[IdFirmware].text, "2.0.7");
}

TEST_F(ModemDriverTest, UnsolicitedLinesAndGarbageEndTheJobCleanly)
{
    const std::string noises[] = {"RING\r\n", "\r\nNO CARRIER\r\n", "x#!\x7f\xff\r\n",
                                  std::string(5000, 'Z') + "\r\n", std::string(300, '\x10')};
    for (const std::string& noise : noises) {
        for (Chunking chunking : {Chunking::Whole, Chunking::Pairs}) {
            if (chunking == Chunking::Pairs && noise.size() > 100)
                continue; // more chunks than the queue holds at once
            CRecordingWindow window;
            job.notifyWindow = &window;
            job.selectionMask = AllParametersMask;
            ScriptedModem script;
            script.noiseBeforeReply = noise;
            ScriptedModem modem = Run(script, chunking);
            ASSERT_FALSE(modem.commands.empty());
            EXPECT_EQ(modem.commands.back(), "ATZ\r\n");
            // Logged in means logged off again.
            const Codes codes = modem.Codes();
            if (!codes.empty()) {
                EXPECT_EQ(codes.back(), "99");
            }
        }
    }
}

TEST_F(ModemDriverTest, StopEndsTheWaitBeforeTheUnitSelection)
{
    TraceCapture trace;
    DialogueTiming timing = GetDialogueTiming();
    timing.selectWaitMs = 600000;
    SetDialogueTimingForTests(timing);
    CScriptedDriver driver(&job, Chunking::Whole);
    ASSERT_TRUE(driver.StartWithoutPort());
    ASSERT_TRUE(window.WaitForProgress(ProgressConnected, 5000));
    driver.Stop();
    EXPECT_EQ(trace.Count("LU: Closing thread\n"), 1);
    EXPECT_EQ(trace.CountContaining("not ending"), 0);
    EXPECT_EQ(driver.modem.commands.back(), "ATD5550100\r\n");
}

TEST_F(ModemDriverTest, WithoutANotifyWindowTheRefusedCodeIsStillSeen)
{
    job.notifyWindow = nullptr;
    job.selectionMask = AllParametersMask;
    std::strcpy(job.programmingCode, "0000");
    ScriptedModem modem = Run(ScriptedModem{});
    EXPECT_EQ(modem.Codes(), (Codes{"200000", "99"}));
}

TEST_F(ModemDriverTest, StartRefusesAnUnsafeJobBeforeOpeningAnything)
{
    TraceCapture trace;
    SetComPortName("/nonexistent/pravel-port");
    std::strcpy(job.phoneNumber, "555;H0");
    CModemDriver driver(&job, GetComPortName());
    EXPECT_FALSE(driver.Start());
    ASSERT_EQ(presenter.Texts().size(), 1u);
    EXPECT_NE(presenter.Texts()[0].find("Telephone number"), std::string::npos);
    EXPECT_EQ(trace.CountContaining("Unable to open serial port"), 0);
}

TEST_F(ModemDriverTest, StartOnAMissingPortShowsWhyAndLeavesNothingRunning)
{
    TraceCapture trace;
    SetComPortName("/nonexistent/pravel-port");
    CModemDriver driver(&job, GetComPortName());
    EXPECT_FALSE(driver.Start());
    ASSERT_EQ(presenter.Texts().size(), 1u);
    EXPECT_EQ(presenter.Texts()[0], "Can't open serial port /nonexistent/pravel-port\nThe device does not exist.");
    EXPECT_EQ(trace.CountContaining("Modem: Unable to open serial port: "), 1);
    driver.Stop(); // nothing to stop
    EXPECT_EQ(trace.Count("LU: Closing thread\n"), 0);
}

} // namespace
