// The simulated modem with the line as sound: the unit acts on what its detector hears, and the
// modem reports what its own detector heard of the unit's answer, each persona in its own way.
#include <gtest/gtest.h>

#include "sim/LineModel.h"
#include "TimedSimModem.h"
#include "sim/SimModem.h"
#include "sim/Simulator.h"
#include "sim/ToneFrame.h"

namespace {

const std::string OK = "\r\nOK\r\n";

class SoundModem {
public:
    explicit SoundModem(SimConfig config) : m_modem(config, nullptr), m_hash(config.modem == SimModemPersona::Hash) {}

    // Voice mode, a call, unit 1 selected, then the login code's tones at toneTenMs (in 10 ms).
    // Returns everything the modem sent for the login within ten seconds.
    std::string CallAndLogIn(int toneTenMs)
    {
        const std::string tones = EncodeToneFrame("203958");
        std::string login = m_hash ? "AT#VTS=" : "AT+VTS=";
        for (size_t i = 0; i < tones.size(); ++i)
            login += (i ? "," : "") + (m_hash ? std::string(1, tones[i])
                                              : "{" + std::string(1, tones[i]) + "," + std::to_string(toneTenMs) + "}");
        const char* setup[] = {m_hash ? "AT#CLS=8" : "AT+FCLASS=8", "ATE0", "ATD5550100",
                               m_hash ? "AT#VTS=#,1" : "AT+VTS=#,1"};
        int ms = 0;
        for (const char* line : setup) {
            m_modem.Receive(std::string(line) + "\r", At(ms));
            ms += 5000;
            Collect(ms);
        }
        m_modem.Receive(login + "\r", At(ms));
        return Collect(ms + 10000);
    }

private:
    CSimModem::TimePoint At(int ms) const { return m_t0 + std::chrono::milliseconds(ms); }
    std::string Collect(int ms)
    {
        std::string out;
        m_modem.Advance(At(ms), &out);
        return out;
    }

    CSimModem::TimePoint m_t0 = CSimModem::Clock::now();
    CSimModem m_modem;
    bool m_hash;
};

SimConfig SoundConfig(SimModemPersona persona)
{
    SimConfig config = DefaultSimConfig();
    config.modem = persona;
    config.sound.on = true;
    config.sound.unitToneMs = 180; // long enough for three reports of a V.253 burst, 70 ms apart
    config.makeToneLine = CLineModel::Make;
    return config;
}

struct PersonaCase {
    const char* name;
    SimModemPersona persona;
    bool unmarked;
    const char* codes; // the DLE codes of the login answer "207" (frame C2072D)
};

class SoundPersona : public testing::TestWithParam<PersonaCase> {};

TEST_P(SoundPersona, ReportsTheUnitsAnswerAsItsDetectorHeardIt)
{
    const PersonaCase& c = GetParam();
    SimConfig config = SoundConfig(c.persona);
    config.behaviour.unmarkedTones = c.unmarked;
    SoundModem modem(config);
    const std::string out = modem.CallAndLogIn(10);
    EXPECT_EQ(out.substr(0, OK.size()), OK);
    EXPECT_EQ(Codes(out), c.codes);
}

INSTANTIATE_TEST_SUITE_P(
    Personas, SoundPersona,
    testing::Values(PersonaCase{"Hash", SimModemPersona::Hash, false, "C2072D"},
                    PersonaCase{"Conexant", SimModemPersona::Conexant, false, "/CCC~/222~/000~/777~/222~/DDD~"},
                    PersonaCase{"Intel", SimModemPersona::Intel, false,
                                "CCC\x7F"
                                "222\x7F"
                                "000\x7F"
                                "777\x7F"
                                "222\x7F"
                                "DDD\x7F"},
                    PersonaCase{"Unmarked", SimModemPersona::Conexant, true, "CCC222000777222DDD"}),
    [](const testing::TestParamInfo<PersonaCase>& info) { return info.param.name; });

struct LengthCase {
    const char* name;
    int toneTenMs;
    bool answered;
};

class SoundToneLength : public testing::TestWithParam<LengthCase> {};

TEST_P(SoundToneLength, TheUnitAnswersOnlyTonesItsDetectorHears)
{
    // Tones too short for the unit's detector leave it a broken frame: it stays silent.
    const LengthCase& c = GetParam();
    SoundModem modem(SoundConfig(SimModemPersona::Conexant));
    const std::string out = modem.CallAndLogIn(c.toneTenMs);
    EXPECT_EQ(out.substr(0, OK.size()), OK);
    EXPECT_EQ(!Codes(out).empty(), c.answered) << Codes(out);
}

INSTANTIATE_TEST_SUITE_P(Lengths, SoundToneLength,
                         testing::Values(LengthCase{"Of100msAnswered", 10, true}, LengthCase{"Of20msUnanswered", 2, false}),
                         [](const testing::TestParamInfo<LengthCase>& info) { return info.param.name; });

TEST(SoundModem, TheSimulatorRefusesSoundWithoutALineModel)
{
    SimConfig config = DefaultSimConfig();
    config.sound.on = true;
    CSimulator sim;
    std::string error;
    EXPECT_FALSE(sim.Start(config, &error, SimLink::Memory));
    EXPECT_EQ(error, "this simulator has no line model: the line can only be clean");
    config.makeToneLine = CLineModel::Make;
    EXPECT_TRUE(sim.Start(config, &error, SimLink::Memory)) << error;
    sim.Stop();
}

} // namespace
