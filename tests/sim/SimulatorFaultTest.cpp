// The fault options of the simulator as a program over the port sees them.
#include <cerrno>
#include <functional>
#include <memory>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>

#include "ScriptedClient.h"
#include "unit/DtmfFraming.h"
#include "sim/Simulator.h"

namespace {

constexpr char Dle = 0x10;

SimConfig WithFaults(const SimFaults& faults)
{
    SimConfig config = DefaultSimConfig();
    config.fast = true;
    config.faults = faults;
    return config;
}

// Tones as the modem reports them: DLE before each.
std::string Reported(const std::string& tones)
{
    std::string bytes;
    for (char t : tones) {
        bytes += Dle;
        bytes += t;
    }
    return bytes;
}

// The tones of the next answer frame as the client reads them.
std::string NextFrame(ScriptedClient& c, const std::string& code)
{
    std::string tones;
    if (!c.SendCode(code) || !c.ReadAnswer(&tones))
        return "<no answer>";
    return tones;
}

struct FaultCase {
    const char* name;
    std::function<void(SimFaults&)> set;
    // Before the probe: nothing, the modem reset, or a call logged in to unit 1.
    enum { Nothing, Reset, LoggedIn } before;
    std::string send;     // written to the port
    std::string expected; // exactly what the port then gives, up to its last character
};

class FaultOnTheLine : public ::testing::TestWithParam<FaultCase> {};

const std::string Zs(19, 'Z');
const std::string Nines(19, '9');

// 19 'Z': the receive rule sums 19 + 10 + 19 * 25 = 504, check digit 4 (the send rule would say 9).
// 19 '9': both rules say (19 + 171) mod 10 = 0.
const FaultCase FaultCases[] = {
    {"StaleAtOpen", [](SimFaults& f) { f.staleAtOpen = "\r\nRING\r\n\r\nNO CARRIER\r\n"; }, FaultCase::Nothing, "",
     "\r\nRING\r\n\r\nNO CARRIER\r\n"},
    {"LoneXoff", [](SimFaults& f) { f.loneXoff = true; }, FaultCase::Reset, "ATE0\r", "ATE0\r\r\nOK\r\n\x13"},
    {"LoneXoffOnlyAfterAte0", [](SimFaults& f) { f.loneXoff = true; }, FaultCase::Reset, "ATE1\rAT\r",
     "ATE1\r\r\nOK\r\nAT\r\r\nOK\r\n"},
    {"CorruptAllAnswers", [](SimFaults& f) { f.corruptAllAnswers = true; }, FaultCase::Reset,
     "ATE0\rAT#CLS=8\rATD5550100\rAT#VTS=#,1\r" + ScriptedClient::ToneCommand(EncodeToneFrame("203958")) + "\r",
     "ATE0\r\r\nOK\r\n\r\nOK\r\n\r\nVCON\r\n\r\nOK\r\n\r\nOK\r\n" + Reported("C2073D")},
    {"GarbageStatusLetters", [](SimFaults& f) { f.garbageStatus = Zs; }, FaultCase::LoggedIn,
     ScriptedClient::ToneCommand(EncodeToneFrame("22227")) + "\r",
     "\r\nOK\r\n" + Reported("CZBZBZBZBZBZBZBZBZBZ4D")},
    {"GarbageStatusDigits", [](SimFaults& f) { f.garbageStatus = Nines; }, FaultCase::LoggedIn,
     ScriptedClient::ToneCommand(EncodeToneFrame("22227")) + "\r",
     "\r\nOK\r\n" + Reported("C9B9B9B9B9B9B9B9B9B90D")},
    {"GarbageStatusOnlyForTheStatus", [](SimFaults& f) { f.garbageStatus = Zs; }, FaultCase::LoggedIn,
     ScriptedClient::ToneCommand(EncodeToneFrame("22063")) + "\r", "\r\nOK\r\n" + Reported(EncodeToneFrame("1234"))},
};

TEST_P(FaultOnTheLine, ShowsExactlyAsItShould)
{
    const FaultCase& test = GetParam();
    SimFaults faults;
    test.set(faults);
    CSimulator sim;
    std::string error;
    ASSERT_TRUE(sim.Start(WithFaults(faults), &error)) << error;
    ScriptedClient c(sim.DevicePath());
    ASSERT_TRUE(c.IsOpen());
    if (test.before == FaultCase::Reset) {
        ASSERT_TRUE(c.Command("ATZ"));
    } else if (test.before == FaultCase::LoggedIn) {
        ASSERT_TRUE(c.Connect());
        ASSERT_EQ(c.Ask("203958"), "207");
    }
    ASSERT_TRUE(test.send.empty() || c.Send(test.send));
    bool timedOut = true;
    EXPECT_EQ(c.ReadUntil(test.expected, 3000, &timedOut), test.expected);
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(c.ExpectSilence(100), "");
    // The rest of the conversation goes on as usual.
    EXPECT_TRUE(c.Command("AT"));
}

INSTANTIATE_TEST_SUITE_P(Simulator, FaultOnTheLine, ::testing::ValuesIn(FaultCases),
                         [](const ::testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

} // namespace

TEST(SimulatorFaults, EveryAnswerIsCorruptWhileSetAndTheCounterIsLeftAlone)
{
    SimFaults faults;
    faults.corruptAllAnswers = true;
    CSimulator sim;
    std::string error;
    ASSERT_TRUE(sim.Start(WithFaults(faults), &error)) << error;
    ScriptedClient c(sim.DevicePath());
    for (int call = 0; call < 2; ++call) {
        ASSERT_TRUE(c.Connect()) << call;
        // The unit hears the code and answers every time, always with the wrong digit.
        for (int attempt = 0; attempt < 4; ++attempt)
            EXPECT_EQ(c.Ask("203958"), "<bad frame C2073D>") << call << "/" << attempt;
        EXPECT_EQ(c.Ask("22063"), "<bad frame C12345D>");
        ASSERT_TRUE(c.Command("ATZ"));
    }
    EXPECT_TRUE(sim.Faults().corruptAllAnswers);
    EXPECT_EQ(sim.Faults().corruptNextAnswers, 0);
    sim.InjectFaults(SimFaults{});
    ASSERT_TRUE(c.Connect());
    EXPECT_EQ(c.Ask("203958"), "207");
}

TEST(SimulatorFaults, GarbageStatusPassesTheProgramsReceiveCheck)
{
    for (const std::string& garbage : {Zs, Nines, std::string("9#9*9"), std::string("A9Z?")}) {
        SimFaults faults;
        faults.garbageStatus = garbage;
        CSimulator sim;
        std::string error;
        ASSERT_TRUE(sim.Start(WithFaults(faults), &error)) << error;
        ScriptedClient c(sim.DevicePath());
        ASSERT_TRUE(c.Connect());
        ASSERT_EQ(c.Ask("203958"), "207");
        const std::string tones = NextFrame(c, "22227");
        const DtmfFrameResult result = CheckDtmfFrame(tones);
        EXPECT_EQ(result.status, DtmfFrameStatus::Valid) << garbage << " as " << tones;
        EXPECT_EQ(result.answer, garbage);
    }
}

TEST(SimulatorFaults, GarbageThatNoCheckDigitCanCarryIsRefused)
{
    SimFaults faults;
    faults.garbageStatus = "#####"; // each '#' counts -13 in the receive rule: the sum stays below zero
    CSimulator sim;
    std::string error;
    EXPECT_FALSE(sim.Start(WithFaults(faults), &error));
    EXPECT_NE(error.find("cannot be framed"), std::string::npos) << error;
    faults.garbageStatus = "12C4";
    EXPECT_FALSE(sim.Start(WithFaults(faults), &error));
    EXPECT_NE(error.find("other than 'B', 'C', 'D'"), std::string::npos) << error;
}

TEST(SimulatorFaults, LoneXoffFreezesAClientThatKeepsSoftwareFlowControl)
{
    SimFaults faults;
    faults.loneXoff = true;
    CSimulator sim;
    std::string error;
    ASSERT_TRUE(sim.Start(WithFaults(faults), &error)) << error;
    ScriptedClient c(sim.DevicePath());
    termios t{};
    ASSERT_EQ(::tcgetattr(c.Fd(), &t), 0);
    t.c_iflag |= IXON;
    ASSERT_EQ(::tcsetattr(c.Fd(), TCSANOW, &t), 0);
    ASSERT_TRUE(c.Command("ATZ"));
    // The terminal takes the XOFF for itself: the reader never sees it, and output stops.
    ASSERT_TRUE(c.Send("ATE0\r"));
    EXPECT_TRUE(c.Expect("\r\nOK\r\n"));
    EXPECT_EQ(c.ExpectSilence(100), "");
    EXPECT_FALSE(c.Send("AT\r")); // a non-blocking write finds the output stopped
    EXPECT_EQ(errno, EAGAIN);
    // Without flow control the line works again.
    t.c_iflag &= ~IXON;
    ASSERT_EQ(::tcsetattr(c.Fd(), TCSANOW, &t), 0);
    EXPECT_TRUE(c.Command("AT"));
}

TEST(SimulatorFaults, StaleBytesWaitInACookedPort)
{
    SimFaults faults;
    faults.staleAtOpen = "\r\nRING\r\n";
    CSimulator sim;
    std::string error;
    ASSERT_TRUE(sim.Start(WithFaults(faults), &error)) << error;
    {
        // The settings stay as the system made them; the bytes are queued all the same.
        ScriptedClient cooked(sim.DevicePath(), false);
        termios t{};
        ASSERT_EQ(::tcgetattr(cooked.Fd(), &t), 0);
        EXPECT_NE(t.c_lflag & ICANON, 0u);
        int queued = 0;
        ASSERT_EQ(::ioctl(cooked.Fd(), FIONREAD, &queued), 0);
        EXPECT_EQ(queued, 8);
    }
    // A program that opens the port raw reads them as sent, CRs and all.
    ScriptedClient c(sim.DevicePath());
    EXPECT_EQ(c.ReadUntil("RING\r\n"), "\r\nRING\r\n");
    EXPECT_TRUE(c.Command("ATZ"));
}

TEST(SimulatorFaults, UnplugWhileDiallingHangsUpThePortAtOnce)
{
    SimFaults faults;
    faults.unplugWhileDialling = true;
    CSimulator sim;
    std::string error;
    ASSERT_TRUE(sim.Start(WithFaults(faults), &error)) << error;
    const std::string path = sim.DevicePath();
    auto client = std::make_unique<ScriptedClient>(path);
    ScriptedClient& c = *client;
    ASSERT_TRUE(c.Command("ATZ") && c.Command("ATE0") && c.Command("AT#CLS=8"));
    EXPECT_FALSE(sim.WaitUnplugged(0));
    ASSERT_TRUE(c.Send("ATD5550100\r"));
    ASSERT_TRUE(sim.WaitUnplugged(3000));
    pollfd p{c.Fd(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 3000), 1);
    EXPECT_NE(p.revents & POLLHUP, 0) << p.revents;
    // The terminal is hung up: reads find its end, writes fail.
    char byte = 0;
    const ssize_t got = ::read(c.Fd(), &byte, 1);
    EXPECT_TRUE(got == 0 || (got < 0 && errno == EIO)) << got << " " << errno;
    EXPECT_EQ(::write(c.Fd(), "AT\r", 3), -1);
    EXPECT_EQ(errno, EIO);
    // The device is gone as a pulled-out modem's is, once the last descriptor on it closes.
    client.reset();
    EXPECT_FALSE(ScriptedClient(path).IsOpen());
    EXPECT_FALSE(sim.IsRunning());
    sim.Stop();
    sim.Stop();
    EXPECT_TRUE(sim.WaitUnplugged(0));
    // The simulator starts again afresh.
    ASSERT_TRUE(sim.Start(WithFaults(SimFaults{}), &error)) << error;
    EXPECT_FALSE(sim.WaitUnplugged(0));
    ScriptedClient again(sim.DevicePath());
    EXPECT_TRUE(again.Command("ATZ"));
}
