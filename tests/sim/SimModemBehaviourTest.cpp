// What the V.253 personas do as real modems do, driven with made-up times: when the dial result
// comes under a ringback cadence, RINGING lines, no ringback, a command too soon after a result,
// the modem's own tones and the tones lost while the unit still rings.
#include <functional>
#include <gtest/gtest.h>

#include "TimedSimModem.h"
#include "sim/SimConfigFile.h"
#include "sim/SimModem.h"

namespace {

using Modem = TimedSimModem;

SimConfig Config(SimModemPersona persona, const std::function<void(SimModemBehaviour&)>& behaviour)
{
    SimConfig config = DefaultSimConfig();
    config.modem = persona;
    config.fast = true;
    behaviour(config.behaviour);
    return config;
}

size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// Nordic ringback, 1 s on and 5 s off, the unit answering in its third ring (at 13 s): the dial
// result comes once +VRA of silence follow a burst, even in fast mode.
TEST(SimModemBehaviour, TheDialResultFollowsTheRingbackTimers)
{
    struct Case {
        const char* timer; // "" for the default +VRA of 5.0 s
        int resultMs;      // when the dial result comes
        size_t ringing;    // RINGING lines before it
    } cases[] = {
        {"", 6000, 1},             // 5.0 s of silence after the first ring: while the unit still rings
        {"AT+VRA=70", 20000, 3},   // 7.0 s: only after the unit has answered (13 s)
        {"AT+VRA=0", 1000, 1},     // at the end of the first ring
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.timer);
        Modem m(Config(SimModemPersona::Conexant, [](SimModemBehaviour& b) {
            b.ringbackOnMs = 1000;
            b.ringbackOffMs = 5000;
            b.answerOnRing = 3;
            b.ringingLines = true;
        }));
        m.Say("ATE0", 0, 0);
        EXPECT_EQ(m.Say("AT+FCLASS=8", 0, 0), "\r\nOK\r\n");
        if (*c.timer != '\0') {
            EXPECT_EQ(m.Say(c.timer, 0, 0), "\r\nOK\r\n");
        }
        const std::string ringing = m.Say("ATD5550100", 0, c.resultMs - 1);
        EXPECT_EQ(Count(ringing, "\r\nRINGING\r\n"), c.ringing) << ringing;
        EXPECT_EQ(ringing.find("OK"), std::string::npos) << ringing;
        EXPECT_EQ(m.At(c.resultMs), "\r\nOK\r\n");
    }
}

// Tones that go out before the unit has answered are lost: the unit selection and the login get
// no answer; once it has answered they do.
TEST(SimModemBehaviour, TonesBeforeTheUnitAnswersAreLost)
{
    Modem m(Config(SimModemPersona::Conexant, [](SimModemBehaviour& b) {
        b.ringbackOnMs = 1000;
        b.ringbackOffMs = 5000;
        b.answerOnRing = 3;
    }));
    m.Say("ATE0", 0, 0);
    m.Say("AT+FCLASS=8", 0, 0);
    EXPECT_EQ(m.Say("ATD5550100", 0, 6000), "\r\nOK\r\n");
    const std::string login = "AT+VTS=C,2,0,3,9,5,8,3,D";
    m.Say("AT+VTS=#,1", 6100, 6100);
    EXPECT_EQ(m.Say(login, 6200, 12000), "\r\nOK\r\n") << "no unit heard it";
    m.Say("AT+VTS=#,1", 13100, 13100);
    const std::string answer = m.Say(login, 13200, 14000);
    EXPECT_NE(answer.find("\x10" "D"), std::string::npos) << answer;
}

// No ringback at all: intel answers the dial ERROR once +VRN (seconds) has run, conexant takes
// the line as answered.
TEST(SimModemBehaviour, WithoutRingbackIntelSaysErrorAfterTheWaitTimer)
{
    for (SimModemPersona persona : {SimModemPersona::Intel, SimModemPersona::Conexant}) {
        SimConfig config = Config(persona, [](SimModemBehaviour&) {});
        config.lines[0].answer = SimLine::Answer::NoRingback;
        Modem m(config);
        m.Say("ATE0", 0, 0);
        m.Say("AT+FCLASS=8", 0, 0);
        EXPECT_EQ(m.Say("AT+VRN=3", 0, 0), "\r\nOK\r\n");
        EXPECT_EQ(m.Say("ATD5550100", 0, 2999), "");
        EXPECT_EQ(m.At(3000), persona == SimModemPersona::Intel ? "\r\nERROR\r\n" : "\r\nOK\r\n");
    }
}

TEST(SimModemBehaviour, ACommandWithin100MsOfAResultIsRefused)
{
    Modem m(Config(SimModemPersona::Intel, [](SimModemBehaviour& b) { b.errorOnQuickCommand = true; }));
    EXPECT_EQ(m.Say("ATE0", 0, 0), "ATE0\r\r\nOK\r\n");
    EXPECT_EQ(m.Say("AT+FCLASS=8", 99, 99), "\r\nERROR\r\n");
    EXPECT_EQ(m.Say("AT+FCLASS=8", 150, 150), "\r\nERROR\r\n") << "51 ms after the ERROR";
    EXPECT_EQ(m.Say("AT+FCLASS=8", 250, 250), "\r\nOK\r\n");
    EXPECT_EQ(m.Say("AT+FCLASS?", 350, 350), "\r\n8\r\n\r\nOK\r\n");
}

// The modem's detector hears the tones it plays: reported as it reports the unit's, before the OK.
TEST(SimModemBehaviour, OwnTonesComeBeforeTheOkOfTheToneCommand)
{
    const std::pair<SimModemPersona, std::string> cases[] = {
        {SimModemPersona::Conexant, "\x10/\x10" "1\x10~\x10/\x10" "2\x10~\r\nOK\r\n"},
        {SimModemPersona::Intel, "\x10" "1\x10\x7f\x10" "2\x10\x7f\r\nOK\r\n"}};
    for (const auto& [persona, expected] : cases) {
        Modem m(Config(persona, [](SimModemBehaviour& b) { b.ownTones = true; }));
        m.Say("ATE0", 0, 0);
        m.Say("AT+FCLASS=8", 0, 0);
        EXPECT_EQ(m.Say("AT+VTS=1,2", 0, 0), expected);
    }
}

TEST(SimModemBehaviour, TheConfigurationFileSetsEachBehaviour)
{
    SimConfig config;
    std::string error;
    ASSERT_TRUE(ParseSimConfig(R"({"modem": "conexant", "behaviour": {"ringbackOnMs": 1000, "ringbackOffMs": 5000,
        "answerOnRing": 2, "ownTones": true, "hangUpAfterLogin": "l", "errorOnQuickCommand": true,
        "ringingLines": true, "unmarkedTones": true, "hashClass": true}, "lines": [{"answer": "no-ringback"}]})",
                               &config, &error))
        << error;
    const SimModemBehaviour& b = config.behaviour;
    EXPECT_EQ(b.ringbackOnMs, 1000);
    EXPECT_EQ(b.ringbackOffMs, 5000);
    EXPECT_EQ(b.answerOnRing, 2);
    EXPECT_EQ(b.hangUpAfterLogin, 'l');
    EXPECT_TRUE(b.ownTones && b.errorOnQuickCommand && b.ringingLines && b.unmarkedTones && b.hashClass);
    EXPECT_EQ(config.lines[0].answer, SimLine::Answer::NoRingback);
    const std::pair<const char*, const char*> bad[] = {
        {R"({"behaviour": {"hangUpAfterLogin": "x"}})", "behaviour.hangUpAfterLogin"},
        {R"({"behaviour": {"ringbackOnMs": 1000}})", "both its on and its off time"},
        {R"({"behaviour": {"answerOnRing": 0}})", "ring 1 to 20"},
        {R"({"behaviour": {"ringing": true}})", "unknown key"}};
    for (const auto& [text, why] : bad) {
        EXPECT_FALSE(ParseSimConfig(text, &config, &error)) << text;
        EXPECT_NE(error.find(why), std::string::npos) << error;
    }
}

} // namespace
