// The V.253 personas of the simulated modem, driven with made-up times: what they answer to
// each command, and how they report the tones the unit plays.
#include <gtest/gtest.h>

#include "TimedSimModem.h"
#include "sim/SimConfigFile.h"
#include "sim/SimModem.h"
#include "sim/ToneFrame.h"

namespace {

// A modem of a persona that can place the call and log in.
class PersonaModem : public TimedSimModem {
public:
    PersonaModem(SimModemPersona persona, bool fast, SimFaults faults = {})
        : TimedSimModem(Config(persona, fast, faults)), m_hash(persona == SimModemPersona::Hash)
    {
    }
    // Voice mode, no echo, a call to the default line and unit 1 selected; then the login code's
    // tones. Returns what the modem sent for the login, at once.
    std::string CallAndLogIn()
    {
        std::string login = "AT+VTS=";
        const std::string tones = EncodeToneFrame("203958");
        for (size_t i = 0; i < tones.size(); ++i)
            login += (i ? "," : "") + std::string(1, tones[i]);
        for (const char* line : {"AT+FCLASS=8", "ATE0", "ATD5550100", "AT+VTS=#,1"}) {
            std::string command = line;
            if (m_hash && command.rfind("AT+", 0) == 0)
                command = command.rfind("AT+F", 0) == 0 ? "AT#CLS=8" : "AT#VTS" + command.substr(6);
            Say(command, 0, 0);
        }
        return Say(login.replace(2, 4, m_hash ? "#VTS" : "+VTS"), 0, 0);
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
    bool m_hash;
};

const std::string OK = "\r\nOK\r\n";
const std::string ERROR = "\r\nERROR\r\n";

} // namespace

TEST(SimModemPersona, CommandsOfTheV253Set)
{
    for (SimModemPersona persona : {SimModemPersona::Conexant, SimModemPersona::Intel}) {
        SCOPED_TRACE(SimModemPersonaName(persona));
        PersonaModem m(persona, true);
        const std::pair<const char*, std::string> steps[] = {
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
        for (const auto& [line, answer] : steps) {
            EXPECT_EQ(m.Say(line, t, t), answer) << line;
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
    std::string shielded, unmarked;
    for (char tone : frame) {
        shielded += std::string("/") + tone + tone + "~";
        unmarked += std::string(1, tone) + tone + '\x7f';
    }
    const std::pair<SimModemPersona, std::string> cases[] = {
        {SimModemPersona::Hash, frame}, {SimModemPersona::Conexant, shielded}, {SimModemPersona::Intel, unmarked}};
    for (const auto& [persona, expected] : cases) {
        SCOPED_TRACE(SimModemPersonaName(persona));
        const std::string out = PersonaModem(persona, true).CallAndLogIn();
        EXPECT_EQ(out.compare(0, OK.size(), OK), 0) << out;
        EXPECT_EQ(Codes(out), expected);
    }
}

TEST(SimModemPersona, FaultsAroundTheReportedTones)
{
    SimFaults faults;
    faults.interleaveEvents = faults.splitDlePairs = faults.ringLines = faults.busyToneAfterLogin = true;
    PersonaModem m(SimModemPersona::Conexant, true, faults);
    // The first tone's DLE alone; its code and all after it 60 ms later.
    EXPECT_EQ(m.CallAndLogIn(), OK + "\x10/\x10");
    std::string out = m.At(60);
    const std::string codes = Codes("\x10" + out);
    for (char event : {'s', 'o', '\x10'})
        EXPECT_NE(codes.find(event), std::string::npos) << codes;
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
    ASSERT_TRUE(ParseSimConfig(R"({"modem": "intel", "faults": {"splitDlePairs": true}})", &config, &error)) << error;
    EXPECT_EQ(config.modem, SimModemPersona::Intel);
    EXPECT_TRUE(config.faults.splitDlePairs);
    EXPECT_FALSE(ParseSimConfig(R"({"modem": "usr"})", &config, &error));
    EXPECT_NE(error.find("configuration.modem"), std::string::npos) << error;
}
