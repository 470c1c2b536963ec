// The modem's timing, driven with made-up times so that realistic durations cost no waiting.
#include <gtest/gtest.h>

#include "sim/SimModem.h"
#include "sim/ToneFrame.h"

namespace {

using namespace std::chrono_literals;

class ModemClock {
public:
    explicit ModemClock(const SimConfig& config) : m_modem(config, nullptr) {}

    void Send(const std::string& text, int atMs) { m_modem.Receive(text, m_t0 + std::chrono::milliseconds(atMs)); }
    // What the modem has sent by then.
    std::string At(int ms)
    {
        std::string out;
        m_modem.Advance(m_t0 + std::chrono::milliseconds(ms), &out);
        return out;
    }
    // Milliseconds from the start to the next scheduled event, -1 for none.
    long long NextMs() const
    {
        auto next = m_modem.NextWake();
        return next ? std::chrono::duration_cast<std::chrono::milliseconds>(*next - m_t0).count() : -1;
    }
    CSimModem& Modem() { return m_modem; }

private:
    CSimModem m_modem;
    CSimModem::TimePoint m_t0 = CSimModem::Clock::now();
};

std::string Tones(const std::string& code)
{
    std::string command = "AT#VTS=";
    const std::string tones = EncodeToneFrame(code);
    for (size_t i = 0; i < tones.size(); ++i)
        command += (i ? "," : "") + std::string(1, tones[i]);
    return command + "\r";
}

// Realistic timing with round numbers.
SimConfig Realistic()
{
    SimConfig config = DefaultSimConfig();
    config.timing = SimTiming{2000, 8000, 300, 100, 500};
    return config;
}

// Set-up and a call, all sent at time 0; returns what came by then. The call is up at ringMs.
std::string Connect(ModemClock& m)
{
    m.Send("ATZ\rATE0\rAT#CLS=8\rAT#VBT=1\rATD5550100\r", 0);
    return m.At(0);
}

} // namespace

TEST(SimModemTiming, DialResultAfterTheRingTime)
{
    ModemClock m(Realistic());
    EXPECT_EQ(Connect(m), "ATZ\r\r\nOK\r\nATE0\r\r\nOK\r\n\r\nOK\r\n\r\nOK\r\n");
    EXPECT_EQ(m.NextMs(), 2000);
    EXPECT_EQ(m.At(1999), "");
    EXPECT_EQ(m.At(2000), "\r\nVCON\r\n");
    EXPECT_EQ(m.NextMs(), -1);
}

TEST(SimModemTiming, NoAnswerTakesLongerThanBusy)
{
    SimConfig config = Realistic();
    config.lines.push_back(SimLine{"5550199", SimLine::Answer::Busy, {}});
    ModemClock m(config);
    m.Send("AT#CLS=8\rATDT5550199\r", 0);
    EXPECT_EQ(m.At(0), "AT#CLS=8\r\r\nOK\r\nATDT5550199\r");
    EXPECT_EQ(m.At(1999), "");
    EXPECT_EQ(m.At(2000), "\r\nBUSY\r\n");
    m.Send("ATD5550177\r", 2000);
    EXPECT_EQ(m.At(2000), "ATD5550177\r");
    EXPECT_EQ(m.At(9999), "");
    EXPECT_EQ(m.At(10000), "\r\nNO ANSWER\r\n");
}

TEST(SimModemTiming, CommandsWaitWhileTheModemIsBusy)
{
    ModemClock m(Realistic());
    m.Send("ATE0\rAT#CLS=8\rATD5550100\rAT\r", 0);
    m.At(0);
    // The "AT" sent during the dial is taken only after the dial result.
    EXPECT_EQ(m.At(1000), "");
    EXPECT_EQ(m.At(2000), "\r\nVCON\r\n\r\nOK\r\n");
}

TEST(SimModemTiming, TonesTakeTheirTimeThenTheUnitAnswers)
{
    ModemClock m(Realistic());
    Connect(m);
    m.At(2000);
    // '#' and '1': two tones of 100 ms.
    m.Send("AT#VTS=#,1\r", 2000);
    EXPECT_EQ(m.At(2199), "");
    EXPECT_EQ(m.At(2200), "\r\nOK\r\n");
    // Login: "C2039583D" is nine tones of 100 ms; the answer "C2072D" starts 300 ms after the OK
    // and its tones come 100 ms apart.
    m.Send(Tones("203958"), 2200);
    EXPECT_EQ(m.At(3099), "");
    EXPECT_EQ(m.At(3100), "\r\nOK\r\n");
    EXPECT_EQ(m.At(3399), "");
    EXPECT_EQ(m.At(3400), "\x10"
                          "C");
    EXPECT_EQ(m.At(3500), "\x10"
                          "2");
    EXPECT_EQ(m.At(3799), "\x10"
                          "0\x10"
                          "7");
    EXPECT_EQ(m.At(3899), "\x10"
                          "2");
    EXPECT_EQ(m.At(3900), "\x10"
                          "D");
    EXPECT_EQ(m.NextMs(), -1);
}

TEST(SimModemTiming, ToneLengthFollowsVbt)
{
    ModemClock m(Realistic());
    m.Send("AT#CLS=8\rAT#VBT=3\rAT#VTS=1,2,3\r", 0);
    m.At(0);
    EXPECT_EQ(m.At(899), "");
    EXPECT_EQ(m.At(900), "\r\nOK\r\n");
    // A reset puts the tone length back to one tenth.
    m.Send("ATZ\rAT#CLS=8\rAT#VTS=1,2,3\r", 900);
    m.At(900);
    EXPECT_EQ(m.At(1199), "");
    EXPECT_EQ(m.At(1200), "\r\nOK\r\n");
}

TEST(SimModemTiming, AnswerDelayAddsToEveryAnswer)
{
    SimConfig config = Realistic();
    config.faults.answerDelayMs = 4000;
    ModemClock m(config);
    Connect(m);
    m.At(2000);
    m.Send("AT#VTS=#,1\r", 2000);
    m.Send(Tones("203958"), 2000);
    EXPECT_EQ(m.At(3100), "\r\nOK\r\n\r\nOK\r\n");
    EXPECT_EQ(m.At(7399), "");
    EXPECT_EQ(m.At(7400), "\x10"
                          "C");
}

TEST(SimModemTiming, HangingUpSilencesAnAnswerStillToCome)
{
    ModemClock m(Realistic());
    Connect(m);
    m.At(2000);
    m.Send("AT#VTS=#,1\r", 2000);
    m.Send(Tones("203958"), 2000);
    EXPECT_EQ(m.At(3100), "\r\nOK\r\n\r\nOK\r\n");
    m.Send("ATZ\r", 3100);
    EXPECT_EQ(m.At(3100), "\r\nOK\r\n");
    EXPECT_EQ(m.NextMs(), -1);
    EXPECT_EQ(m.At(10000), "");
}

TEST(SimModemTiming, FastModeHasNoDelays)
{
    SimConfig config = Realistic();
    config.fast = true;
    ModemClock m(config);
    m.Send("ATZ\rATE0\rAT#CLS=8\rAT#VBT=1\rATD5550100\r", 0);
    m.Send("AT#VTS=#,1\r", 0);
    m.Send(Tones("203958"), 0);
    EXPECT_EQ(m.At(0), "ATZ\r\r\nOK\r\nATE0\r\r\nOK\r\n\r\nOK\r\n\r\nOK\r\n\r\nVCON\r\n\r\nOK\r\n\r\nOK\r\n\x10"
                       "C\x10"
                       "2\x10"
                       "0\x10"
                       "7\x10"
                       "2\x10"
                       "D");
}

TEST(SimModemTiming, EchoHeldBackWhileTheClientEchoes)
{
    ModemClock m(Realistic());
    m.Modem().SetClientEchoes(true);
    m.Send("AT\r", 0);
    EXPECT_EQ(m.At(0), "\r\nOK\r\n");
    m.Modem().SetClientEchoes(false);
    m.Send("AT\r", 0);
    EXPECT_EQ(m.At(0), "AT\r\r\nOK\r\n");
}
