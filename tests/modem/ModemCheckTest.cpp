// The modem check against each simulated modem over a pseudo-terminal, a modem without a voice
// mode, a silent modem, a port that cannot be opened, and a check stopped half way.
#include <atomic>
#include <chrono>
#include <thread>
#include <gtest/gtest.h>

#include "modem/ModemCheck.h"
#include "sim/Simulator.h"
#include "support/PtyPair.h"
#include "support/TraceCapture.h"

namespace {

ModemCheckTiming ShortTiming()
{
    ModemCheckTiming timing;
    timing.resetWaitMs = 300;
    timing.commandWaitMs = 300;
    timing.finalResetWaitMs = 300;
    timing.commandGapMs = 1;
    return timing;
}

struct PersonaCase {
    SimModemPersona persona;
    ModemCheckReport::Outcome outcome;
    std::optional<ModemProfile> autoProfile;
    bool hashVoice;
    bool v253Voice;
    const char* maker;
    const char* classes;
};

class ModemCheckPersonaTest : public ::testing::TestWithParam<PersonaCase> {};

TEST_P(ModemCheckPersonaTest, NamesTheProfileAutoWouldUse)
{
    const PersonaCase& c = GetParam();
    SimConfig config = DefaultSimConfig();
    config.fast = true;
    config.modem = c.persona;
    CSimulator sim;
    std::string error;
    ASSERT_TRUE(sim.Start(config, &error)) << error;

    CModemCheck check(ShortTiming());
    const ModemCheckReport report = check.Run(sim.DevicePath());
    sim.Stop();

    EXPECT_EQ(report.outcome, c.outcome) << report.Verdict();
    EXPECT_EQ(report.autoProfile, c.autoProfile);
    EXPECT_EQ(report.hashVoice, c.hashVoice);
    EXPECT_EQ(report.v253Voice, c.v253Voice);
    EXPECT_EQ(report.maker, c.maker);
    EXPECT_EQ(report.classes, c.classes);
    EXPECT_FALSE(report.identity.empty());
    EXPECT_EQ(report.information.size(), 1u);
    EXPECT_TRUE(report.resetAtEnd);
}

INSTANTIATE_TEST_SUITE_P(
    Personas, ModemCheckPersonaTest,
    ::testing::Values(PersonaCase{SimModemPersona::Hash, ModemCheckReport::Outcome::Voice, ModemProfile::Hash, true,
                                  false, "", "0,1,2"},
                      PersonaCase{SimModemPersona::Conexant, ModemCheckReport::Outcome::Voice, ModemProfile::V253,
                                  false, true, "CONEXANT", "0,1,8"},
                      PersonaCase{SimModemPersona::Intel, ModemCheckReport::Outcome::Voice, ModemProfile::V253, false,
                                  true, "Intel Corporation", "0,1,8"},
                      PersonaCase{SimModemPersona::DataFax, ModemCheckReport::Outcome::NoVoice, std::nullopt, false,
                                  false, "Agere Systems", "0,1,2"}),
    [](const ::testing::TestParamInfo<PersonaCase>& info) { return std::string(SimModemPersonaName(info.param.persona)); });

TEST(ModemCheckTest, NoVoiceModeSaysDtmfCannotBeSent)
{
    ModemCheckReport report;
    report.outcome = ModemCheckReport::Outcome::NoVoice;
    EXPECT_NE(report.Verdict().find("has no voice mode: DTMF cannot be sent"), std::string::npos);
}

// A modem that answers with the old '#' set and ignores +FMI? lines: the prefixed forms are read too.
TEST(ModemCheckTest, ReadsPrefixedAnswersAndSkipsTheEcho)
{
    PtyPair pty;
    ASSERT_TRUE(pty.IsValid());
    std::atomic<bool> done{false};
    std::thread modem([&] {
        std::string pending;
        while (!done) {
            std::string got = pty.ReadMaster(1, 50);
            pending += got;
            size_t end;
            while ((end = pending.find('\r')) != std::string::npos) {
                const std::string command = pending.substr(0, end);
                pending.erase(0, end + 1);
                std::string answer = command + "\r"; // echo, as a modem does before ATE0
                if (command == "AT+FMI?")
                    answer += "\r\n+FMI: \"ACME\"\r\n\r\nOK\r\n";
                else if (command == "AT+FCLASS=?")
                    answer += "\r\n(0,1,2,8)\r\n\r\nOK\r\n";
                else if (command == "AT#CLS=8")
                    answer += "\r\nERROR\r\n";
                else
                    answer += "\r\nOK\r\n";
                pty.WriteMaster(answer);
            }
        }
    });
    CModemCheck check(ShortTiming());
    const ModemCheckReport report = check.Run(pty.SlavePath());
    done = true;
    modem.join();
    EXPECT_EQ(report.maker, "ACME");
    EXPECT_EQ(report.classes, "(0,1,2,8)");
    EXPECT_TRUE(report.identity.empty()); // only the echo and OK came
    EXPECT_EQ(report.autoProfile, ModemProfile::V253);
}

TEST(ModemCheckTest, SilentModemIsFoundOutWithinTheBound)
{
    PtyPair pty;
    ASSERT_TRUE(pty.IsValid());
    CModemCheck check(ShortTiming());
    const auto start = std::chrono::steady_clock::now();
    const ModemCheckReport report = check.Run(pty.SlavePath());
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(report.outcome, ModemCheckReport::Outcome::Silent);
    EXPECT_NE(report.Verdict().find("does not answer"), std::string::npos);
    EXPECT_FALSE(report.resetAtEnd);
    // Two resets and the final one, 300 ms each, and nothing more.
    EXPECT_LT(took, std::chrono::milliseconds(2000));
    // The modem was still sent the final reset.
    const std::string sent = pty.ReadMaster(12, 100);
    EXPECT_EQ(sent, "ATZ\rATZ\rATZ\r");
}

TEST(ModemCheckTest, PortThatCannotBeOpenedSaysSo)
{
    TraceCapture trace;
    CModemCheck check(ShortTiming());
    const ModemCheckReport report = check.Run("/dev/pravel-no-such-port");
    EXPECT_EQ(report.outcome, ModemCheckReport::Outcome::PortFailed);
    EXPECT_NE(report.Verdict().find("/dev/pravel-no-such-port"), std::string::npos);
}

// A stop asked for half way ends the check at once; the modem is still reset.
TEST(ModemCheckTest, StopEndsTheCheckWithTheModemReset)
{
    SimConfig config = DefaultSimConfig();
    config.fast = true;
    config.modem = SimModemPersona::Conexant;
    CSimulator sim;
    std::string error;
    ASSERT_TRUE(sim.Start(config, &error)) << error;
    TraceCapture trace;
    int asked = 0;
    CModemCheck check(ShortTiming());
    const ModemCheckReport report = check.Run(sim.DevicePath(), [&] { return ++asked > 3; });
    sim.Stop();
    EXPECT_EQ(report.outcome, ModemCheckReport::Outcome::Stopped);
    EXPECT_TRUE(report.resetAtEnd);
    EXPECT_EQ(trace.CountContaining("> AT#CLS=8"), 0); // never got that far
}

} // namespace

// What the port dialogs show under "Test modem": the modem's name before the verdict when it
// said one, from AT+FMI?/AT+FMM? or else the first ATI3 line; the bare verdict otherwise.
TEST(ModemCheckTest, SummaryNamesTheModemBeforeTheVerdict)
{
    struct Case {
        ModemCheckReport::Outcome outcome;
        std::string maker, model, information, prefix;
    };
    const Case cases[] = {
        {ModemCheckReport::Outcome::Voice, "CONEXANT", "SoftK56", "", "CONEXANT SoftK56: "},
        {ModemCheckReport::Outcome::Voice, "", "SoftK56", "", "SoftK56: "},
        {ModemCheckReport::Outcome::NoVoice, "", "", "Agere SoftModem 2.1", "Agere SoftModem 2.1: "},
        {ModemCheckReport::Outcome::Voice, "", "", "", ""},
        {ModemCheckReport::Outcome::Silent, "CONEXANT", "SoftK56", "x", ""},
    };
    for (const Case& c : cases) {
        ModemCheckReport report;
        report.outcome = c.outcome;
        report.port = "/dev/ttyACM0";
        report.maker = c.maker;
        report.model = c.model;
        if (!c.information.empty())
            report.information.push_back(c.information);
        EXPECT_EQ(report.Summary(), c.prefix + report.Verdict()) << c.maker << "|" << c.model;
    }
}
