// Jobs end to end against simulated modems that behave as today's USB voice modems do: a ringback
// cadence with its dial result timers, the modem's own tones reported, a far-end hang-up, commands
// refused when they follow a result too soon, RINGING lines, no ringback, tone reports without
// marks, and a Conexant that takes the '#' voice class. Over a pseudo-terminal against
// pravel-sim's modem; fast mode where the behaviour allows.
#include <functional>
#include <gtest/gtest.h>

#include "SimModemJobTest.h"
#include "model/ParameterTable.h"
#include "model/StringTable.h"
#include "worker/JobWorker.h"

namespace {

class ModemBehaviourE2eTest : public SimModemJobTest {
protected:
    void SetUp() override
    {
        DialogueTiming timing = ShortTiming(400);
        timing.watchdogTicks = 100;     // 2 s without a step
        timing.dialWatchdogTicks = 600; // 12 s for the dial: the ringback takes its time
        SetDialogueTimingForTests(timing);
        config.fast = true;
        config.modem = SimModemPersona::Conexant;
    }
};

// A Nordic ringback (1 s on, 5 s off) scaled down ten times, and the dial result timer scaled
// with it: +VRA longer than the silence between rings lets the unit answer in its third ring
// before the first tone goes out.
void NordicRingback(SimConfig& config, ModemCallSettings& settings)
{
    config.behaviour.ringbackOnMs = 100;
    config.behaviour.ringbackOffMs = 500;
    config.behaviour.answerOnRing = 3;
    settings.ringbackGapTenths = 7;
}

TEST_F(ModemBehaviourE2eTest, ReadAllAndWriteHoldTheCallAgainstEachBehaviourAndAllAtOnce)
{
    using Setup = std::function<void(SimConfig&, ModemCallSettings&)>;
    const std::pair<const char*, Setup> cases[] = {
        {"ringback cadence, answer in ring 3", NordicRingback},
        {"own tones before the OK", [](SimConfig& c, ModemCallSettings&) { c.behaviour.ownTones = true; }},
        {"ERROR within 100 ms of a result",
         [](SimConfig& c, ModemCallSettings&) { c.behaviour.errorOnQuickCommand = true; }},
        {"RINGING lines (intel)",
         [](SimConfig& c, ModemCallSettings& s) {
             NordicRingback(c, s);
             c.modem = SimModemPersona::Intel;
             c.behaviour.ringingLines = true;
         }},
        {"tones without marks, repeated", [](SimConfig& c, ModemCallSettings&) { c.behaviour.unmarkedTones = true; }},
        {"conexant taking the '#' class", [](SimConfig& c, ModemCallSettings&) { c.behaviour.hashClass = true; }},
        {"all at once",
         [](SimConfig& c, ModemCallSettings& s) {
             NordicRingback(c, s);
             c.behaviour.ownTones = c.behaviour.errorOnQuickCommand = c.behaviour.ringingLines = true;
             c.behaviour.unmarkedTones = true;
             s.country = "3C";
         }},
    };
    for (const auto& [name, setup] : cases) {
        config = DefaultSimConfig();
        config.fast = true;
        config.modem = SimModemPersona::Conexant;
        ModemCallSettings settings;
        setup(config, settings);
        SetModemCallSettings(settings);
        ExpectReadAllAndWrite(name);
    }
}

// Tones without marks at their real pace: each tone reported every 70 ms while it lasts.
TEST_F(ModemBehaviourE2eTest, RepeatedReportsWithoutMarksAtTheirRealPaceAreOneToneEach)
{
    DialogueTiming timing = GetDialogueTiming();
    timing.answerTimeoutMs = 3000; // the tones take their time: 100 ms each, the status 2.3 s
    timing.watchdogTicks = 450;
    SetDialogueTimingForTests(timing);
    config.fast = false;
    config.timing = SimTiming{100, 1000, 100, 100, 100};
    config.behaviour.unmarkedTones = true;
    Prepare(false);
    theJob.selectionMask = 0x1;
    JobRun run = Run();
    if (!run.shown.empty())
        for (const std::string& line : run.trace)
            std::printf("%s", line.c_str());
    ASSERT_TRUE(run.shown.empty()) << run.shown[0];
    EXPECT_EQ(run.values[1010].text, config.lines[0].units[0].settings.at("AlarmReceiver1"));
    EXPECT_EQ(run.values[IdFirmware].text, "2.0.7");
    EXPECT_EQ(std::count_if(run.sent.begin(), run.sent.end(), [](auto& s) { return s.rfind("AT+VTS=C", 0) == 0; }),
              4) << "no answer was asked for twice";
    std::printf("read of one value, tones without marks at 70 ms: %.2f s\n", run.seconds);
}

// The V.253 set-up asks for the dial result timers and, when one is set, the country.
TEST_F(ModemBehaviourE2eTest, TheSetUpSendsTheRingbackTimersAndTheCountry)
{
    for (const char* country : {"", "B5"}) {
        ModemCallSettings settings;
        settings.country = country;
        SetModemCallSettings(settings);
        Prepare(false);
        theJob.selectionMask = 0;
        JobRun run = Run(ModemProfile::V253);
        ASSERT_TRUE(run.shown.empty()) << run.shown[0];
        std::vector<std::string> expected = {"ATZ\\r\\n", "ATE0\\r\\n", "AT+FCLASS=8\\r\\n", "AT+VIT=0\\r\\n",
                                             "AT+VRA=70\\r\\n", "AT+VRN=10\\r\\n", "AT+VTD=10\\r\\n"};
        if (*country != '\0')
            expected.insert(expected.begin() + 2, "AT+GCI=B5\\r\\n");
        ASSERT_GE(run.sent.size(), expected.size());
        EXPECT_EQ(std::vector<std::string>(run.sent.begin(), run.sent.begin() + static_cast<long>(expected.size())),
                  expected);
    }
}

// The far end hangs up after the login: the job ends at once with our text, no log-off.
TEST_F(ModemBehaviourE2eTest, AFarEndHangUpEndsTheJobWithinASecondOfItsReport)
{
    for (char code : {'d', 'l'}) {
        SCOPED_TRACE(std::string("DLE ") + code);
        config.behaviour.hangUpAfterLogin = code;
        Prepare(false);
        JobRun run = Run();
        ASSERT_EQ(run.shown.size(), 1u);
        EXPECT_EQ(run.shown[0], LoadString(IDS_UNIT_HUNG_UP));
        EXPECT_EQ(run.outcome, JobOutcome::UnitHungUp);
        EXPECT_EQ(run.sent.back(), "ATZ\\r\\n");
        EXPECT_EQ(std::count_if(run.sent.begin(), run.sent.end(), [](auto& s) { return s.rfind("AT+VTS=C,9,B", 0) == 0; }),
                  0) << "no log-off on a dead line";
        double reported = -1;
        for (const std::string& line : run.trace)
            if (reported < 0 && line.find(std::string("< DLE ") + code) != std::string::npos)
                reported = TraceSeconds(line);
        ASSERT_GE(reported, 0) << "the hang-up was not reported";
        const double reset = TraceSeconds(run.trace.back());
        EXPECT_LT(reset - reported, 1.0);
        EXPECT_LT(run.seconds, 3.0);
        std::printf("far-end hang-up (DLE %c): job over %.3f s after the report, %.2f s in all\n", code,
                    reset - reported, run.seconds);
    }
}

// No ringback at all: an Intel-type modem answers the dial "ERROR" once +VRN has run.
TEST_F(ModemBehaviourE2eTest, NoRingbackIsNamedAfterTheDial)
{
    config.modem = SimModemPersona::Intel;
    config.lines[0].answer = SimLine::Answer::NoRingback;
    ModemCallSettings settings;
    settings.ringbackWaitSeconds = 1;
    SetModemCallSettings(settings);
    Prepare(false);
    JobRun run = Run();
    ASSERT_EQ(run.shown.size(), 1u);
    EXPECT_EQ(run.shown[0], LoadString(IDS_NO_RINGBACK));
    EXPECT_EQ(run.outcome, JobOutcome::NoRingback);
    EXPECT_EQ(run.sent.back(), "ATZ\\r\\n");
}

// Tones sent while the unit still rings are lost: with +VRA shorter than the silence between two
// rings the modem gives its dial result too early; the login goes unanswered, the unit is
// selected again once, and the call holds.
TEST_F(ModemBehaviourE2eTest, AnEarlyDialResultCostsOneSelectionNotTheJob)
{
    DialogueTiming timing = GetDialogueTiming();
    timing.answerTimeoutMs = 1500; // the unit answers 1.3 s after the dial
    SetDialogueTimingForTests(timing);
    ModemCallSettings settings;
    NordicRingback(config, settings);
    settings.ringbackGapTenths = 3;
    SetModemCallSettings(settings);
    Prepare(false);
    theJob.selectionMask = 0x1;
    JobRun run = Run();
    ASSERT_TRUE(run.shown.empty()) << run.shown[0];
    EXPECT_EQ(std::count(run.sent.begin(), run.sent.end(), "AT+VTS=#,1\\r\\n"), 2);
    EXPECT_EQ(run.values[1010].text, config.lines[0].units[0].settings.at("AlarmReceiver1"));
}

} // namespace
