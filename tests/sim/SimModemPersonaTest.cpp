// The V.253 personas of the simulated modem, driven with made-up times: what they answer to
// each command, and how they report the tones the unit plays.
#include <gtest/gtest.h>

#include "sim/SimConfigFile.h"
#include "sim/SimModem.h"
#include "sim/ToneFrame.h"

namespace {

class PersonaModem {
public:
    PersonaModem(SimModemPersona persona, bool fast, SimFaults faults = {}) : m_modem(Config(persona, fast, faults), nullptr) {}

    // Sends one line at atMs and returns everything the modem has sent by thenMs.
    std::string Say(const std::string& line, int atMs, int thenMs)
    {
        m_modem.Receive(line + "\r", m_t0 + std::chrono::milliseconds(atMs));
        return At(thenMs);
    }
    std::string At(int ms)
    {
        std::string out;
        m_modem.Advance(m_t0 + std::chrono::milliseconds(ms), &out);
        return out;
    }

private:
    static SimConfig Config(SimModemPersona persona, bool fast, const SimFaults& faults)
    {
        SimConfig config = DefaultSimConfig();
        config.modem = persona;
        config.fast = fast;
        config.faults = faults;
        config.timing = SimTiming{2000, 8000, 300, 100, 500};
        return config;
    }
    CSimModem m_modem;
    CSimModem::TimePoint m_t0 = CSimModem::Clock::now();
};

const std::string OK = "\r\nOK\r\n";
const std::string ERROR = "\r\nERROR\r\n";

// "AT+VTS=C,2,0,..." for a login with the default code.
std::string LoginTones()
{
    std::string command = "AT+VTS=";
    const std::string tones = EncodeToneFrame("203958");
    for (size_t i = 0; i < tones.size(); ++i)
        command += (i ? "," : "") + std::string(1, tones[i]);
    return command;
}

// The DLE codes among the output, without the DLEs ("/CC~/22~").
std::string Codes(const std::string& out)
{
    std::string codes;
    for (size_t i = 0; i + 1 < out.size(); ++i)
        if (out[i] == 0x10)
            codes += out[++i];
    return codes;
}

} // namespace

TEST(SimModemPersona, CommandsOfTheV253Set)
{
    for (SimModemPersona persona : {SimModemPersona::Conexant, SimModemPersona::Intel}) {
        SCOPED_TRACE(SimModemPersonaName(persona));
        PersonaModem m(persona, true);
        struct Step {
            const char* line;
            std::string answer;
        } steps[] = {
            {"ATE0", "ATE0\r" + OK}, // the echo is on until then
            {"ATI", "\r\n56000\r\n" + OK},
            {"AT#CLS=8", ERROR},
            {"AT#VBT=1", ERROR},
            {"AT+VTD=10", ERROR}, // voice commands before voice mode
            {"AT+FCLASS=8", OK},
            {"AT+FCLASS?", "\r\n8\r\n" + OK},
            {"AT+VIT=0", OK},
            {"AT+VTD=10", OK},
            {"AT+VTD=0", ERROR},
            {"AT+VTD=501", ERROR},
            {"AT#VTS=1", ERROR},
            {"AT+VTS=1,{2,5},[697,1209,10],*,#,A", OK},
            {"AT+VTS=", ERROR},
            {"AT+VTS=1,", ERROR},
            {"AT+VTS=12", ERROR},
            {"AT+VTS={2}", ERROR},
            {"AT+VTS={E,10}", ERROR},
            {"AT+VTS=[697,1209]", ERROR},
            {"AT+VTS=[697,1209,10", ERROR},
            {"AT+VTS={1,5}x", ERROR},
            {"ATD5550100", persona == SimModemPersona::Conexant ? OK : "\r\nVCON\r\n"},
        };
        int t = 0;
        for (const Step& s : steps) {
            EXPECT_EQ(m.Say(s.line, t, t), s.answer) << s.line;
            t += 10;
        }
    }
}

TEST(SimModemPersona, ToneCommandAnswersOnceTheTonesHavePlayed)
{
    PersonaModem m(SimModemPersona::Conexant, false);
    m.Say("ATE0", 0, 0);
    m.Say("AT+FCLASS=8", 0, 0);
    m.Say("AT+VTD=20", 0, 0);
    // Two bare tones of 200 ms, one of 50 ms and a frequency pair of 300 ms: 750 ms.
    EXPECT_EQ(m.Say("AT+VTS=1,2,{3,5},[1000,0,30]", 0, 749), "");
    EXPECT_EQ(m.At(750), OK);
}

TEST(SimModemPersona, ReportsTheUnitsTonesInBursts)
{
    const std::string frame = EncodeToneFrame("207"); // the login answer: firmware 207
    struct Case {
        SimModemPersona persona;
        std::string expected;
    } cases[] = {
        {SimModemPersona::Hash, frame},
        {SimModemPersona::Conexant, ""},
        {SimModemPersona::Intel, ""},
    };
    for (char tone : frame) {
        cases[1].expected += std::string("/") + tone + tone + "~";
        cases[2].expected += std::string(1, tone) + tone + '\x7f';
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(SimModemPersonaName(c.persona));
        PersonaModem m(c.persona, true);
        const bool hash = c.persona == SimModemPersona::Hash;
        m.Say(hash ? "AT#CLS=8" : "AT+FCLASS=8", 0, 0);
        m.Say("ATE0", 0, 0);
        m.Say("ATD5550100", 0, 0);
        m.Say(hash ? "AT#VTS=#,1" : "AT+VTS=#,1", 0, 0);
        std::string login = LoginTones();
        if (hash)
            login.replace(2, 4, "#VTS");
        std::string out = m.Say(login, 0, 0);
        ASSERT_EQ(out.compare(0, OK.size(), OK), 0) << out;
        EXPECT_EQ(Codes(out), c.expected);
    }
}

TEST(SimModemPersona, FaultsAroundTheReportedTones)
{
    SimFaults faults;
    faults.interleaveEvents = true;
    faults.splitDlePairs = true;
    faults.ringLines = true;
    faults.busyToneAfterLogin = true;
    PersonaModem m(SimModemPersona::Conexant, true, faults);
    m.Say("AT+FCLASS=8", 0, 0);
    m.Say("ATE0", 0, 0);
    m.Say("ATD5550100", 0, 0);
    m.Say("AT+VTS=#,1", 0, 0);
    std::string out = m.Say(LoginTones(), 0, 0);
    // The first tone's DLE alone; its code and all after it 60 ms later.
    ASSERT_GE(out.size(), OK.size() + 3);
    EXPECT_EQ(out.substr(OK.size()), "\x10/\x10");
    out = m.At(60);
    const std::string codes = Codes("\x10" + out);
    EXPECT_NE(codes.find('s'), std::string::npos) << codes;
    EXPECT_NE(codes.find('d'), std::string::npos) << codes;
    EXPECT_NE(codes.find('\x10'), std::string::npos) << "a DLE DLE";
    EXPECT_EQ(out.find("RING"), std::string::npos) << "after the last tone, 60 ms later still";
    out = m.At(120);
    EXPECT_NE(out.find("\r\nRING\r\n"), std::string::npos) << out;
    EXPECT_NE(out.find("NMBR = "), std::string::npos) << out;
    // The busy tone: a V.253 modem repeats it while it lasts (in fast mode every 100 ms).
    EXPECT_EQ(Codes(m.At(10000)), "bbb");
}

TEST(SimModemPersona, TheConfigurationFileChoosesThePersonaAndTheFaults)
{
    SimConfig config;
    std::string error;
    ASSERT_TRUE(ParseSimConfig(R"({"modem": "intel", "faults": {"interleaveEvents": true, "splitDlePairs": true,
                                   "ringLines": true}})",
                               &config, &error))
        << error;
    EXPECT_EQ(config.modem, SimModemPersona::Intel);
    EXPECT_TRUE(config.faults.interleaveEvents && config.faults.splitDlePairs && config.faults.ringLines);
    EXPECT_FALSE(ParseSimConfig(R"({"modem": "usr"})", &config, &error));
    EXPECT_NE(error.find("configuration.modem"), std::string::npos) << error;
    ASSERT_TRUE(ParseSimConfig("{}", &config, &error));
    EXPECT_EQ(config.modem, SimModemPersona::Hash);
}
