// The simulator over its pseudo-terminal, driven as Pravel drives it.
#include <atomic>
#include <cctype>
#include <chrono>
#include <gtest/gtest.h>
#include <mutex>
#include <termios.h>

#include "ScriptedClient.h"
#include "sim/Simulator.h"

namespace {

SimConfig Fast()
{
    SimConfig config = DefaultSimConfig();
    config.fast = true;
    return config;
}

class SimulatorTest : public ::testing::Test {
protected:
    void Run(const SimConfig& config)
    {
        std::string error;
        ASSERT_TRUE(m_sim.Start(config, &error)) << error;
        m_client = std::make_unique<ScriptedClient>(m_sim.DevicePath());
        ASSERT_TRUE(m_client->IsOpen());
    }
    // Connected and logged in to unit 1 of the default line.
    void LoggedIn(const SimConfig& config = Fast())
    {
        Run(config);
        ASSERT_TRUE(m_client->Connect());
        ASSERT_EQ(m_client->Ask("203958"), "207");
    }
    ScriptedClient& Client() { return *m_client; }

    CSimulator m_sim;
    std::unique_ptr<ScriptedClient> m_client;
};

} // namespace

TEST_F(SimulatorTest, FullReadConversation)
{
    Run(Fast());
    ScriptedClient& c = Client();
    ASSERT_TRUE(c.Connect());
    ASSERT_EQ(c.Ask("203958"), "207");
    EXPECT_EQ(c.Ask("22000"), "0612345678");
    EXPECT_EQ(c.Ask("22021"), "0201234567");
    EXPECT_EQ(c.Ask("22042"), "0307654321");
    EXPECT_EQ(c.Ask("22255"), "0401112233");
    EXPECT_EQ(c.Ask("22063"), "1234");
    EXPECT_EQ(c.Ask("22084"), "5678");
    EXPECT_EQ(c.Ask("22105"), "9012");
    EXPECT_EQ(c.Ask("22276"), "3456");
    for (const char* code : {"22126", "22147", "22168", "22189"})
        EXPECT_EQ(c.Ask(code), "") << code;
    EXPECT_EQ(c.Ask("22227"), "0101395805030011101");
    EXPECT_EQ(c.Ask("99"), "99");
    EXPECT_TRUE(c.Command("ATZ"));
}

TEST_F(SimulatorTest, TheModemSaysOkBeforeTheUnitAnswers)
{
    Run(Fast());
    ScriptedClient& c = Client();
    ASSERT_TRUE(c.Connect());
    // The tone command exactly as the driver builds it for the code "22000".
    ASSERT_TRUE(c.SendCode("203958"));
    std::string tones;
    ASSERT_TRUE(c.ReadAnswer(&tones));
    ASSERT_TRUE(c.Send("AT#VTS=C,2,B,0,B,0,9,D\r\n"));
    std::string got = c.ReadUntil("\x10"
                                  "D");
    EXPECT_EQ(got, "\r\nOK\r\n\x10"
                   "C\x10"
                   "0\x10"
                   "6\x10"
                   "1\x10"
                   "2\x10"
                   "3\x10"
                   "4\x10"
                   "5\x10"
                   "6\x10"
                   "7\x10"
                   "8\x10"
                   "2\x10"
                   "D");
}

TEST_F(SimulatorTest, FullWriteConversation)
{
    Run(Fast());
    ScriptedClient& c = Client();
    ASSERT_TRUE(c.Connect("5550100"));
    ASSERT_EQ(c.Ask("203958"), "207");
    // A 20-digit number goes in two codes; the first answer is of its first twelve digits.
    EXPECT_EQ(c.Ask("21000061234567890"), "061234567890");
    EXPECT_EQ(c.Ask("2101212345678"), "12345678");
    EXPECT_EQ(c.Ask("21021555"), "555");
    EXPECT_EQ(c.Ask("21063"), "");
    EXPECT_EQ(c.Ask("21276777"), "777");
    EXPECT_EQ(c.Ask("2123507"), "07");
    EXPECT_EQ(c.Ask("212420"), "0");
    EXPECT_EQ(c.Ask("212300"), "0");
    EXPECT_EQ(c.Ask("212370"), "0");
    EXPECT_EQ(c.Ask("212381"), "1");
    EXPECT_EQ(c.Ask("212311234"), "1234");
    EXPECT_EQ(c.Ask("212392"), "2");
    EXPECT_EQ(c.Ask("21251A"), "A");
    EXPECT_EQ(c.Ask("2124804"), "04");
    EXPECT_EQ(c.Ask("99"), "99");
    EXPECT_TRUE(c.Command("ATZ"));

    const SimUnit unit = m_sim.UnitState("5550100", 1);
    ASSERT_EQ(unit.unit, 1);
    EXPECT_EQ(unit.settings.at("AlarmReceiver1"), "06123456789012345678");
    EXPECT_EQ(unit.settings.at("AlarmReceiver2"), "555");
    EXPECT_EQ(unit.settings.at("AlarmCode1"), "");
    EXPECT_EQ(unit.settings.at("BatteryAlarmCode"), "777");
    EXPECT_EQ(unit.settings.at("AlarmType"), "07");
    EXPECT_EQ(unit.settings.at("LedSequence"), "0");
    EXPECT_EQ(unit.settings.at("DialToneDetection"), "0");
    EXPECT_EQ(unit.settings.at("IdBeep"), "0");
    EXPECT_EQ(unit.settings.at("InfoAlarm"), "1");
    EXPECT_EQ(unit.settings.at("PhoneAcknowledge"), "2");
    EXPECT_EQ(unit.settings.at("TestAlarmTime"), "10");
    EXPECT_EQ(unit.settings.at("AlarmButtonDelay"), "4");
    EXPECT_EQ(unit.programmingCode, "3958");
    EXPECT_EQ(unit.settings.at("NewProgrammingCode"), "1234");

    // The next call: the new code is in force, and a read gives back what was written.
    ASSERT_TRUE(c.Connect("5550100"));
    EXPECT_EQ(c.Ask("203958"), "011");
    EXPECT_EQ(c.Ask("22000", 300), "<no answer>");
    EXPECT_EQ(c.Ask("201234"), "207");
    EXPECT_EQ(c.Ask("22000"), "06123456789012345678");
    EXPECT_EQ(c.Ask("22012"), "12345678");
    EXPECT_EQ(c.Ask("22227"), "01001234040A0070210");
    EXPECT_EQ(m_sim.UnitState("5550100", 1).programmingCode, "1234");
}

TEST_F(SimulatorTest, StatusRecordForBothFirmwareMajors)
{
    SimConfig config = Fast();
    SimUnit old;
    old.unit = 2;
    old.firmware = "118";
    old.power = '0';
    config.lines[0].units.push_back(old);
    Run(config);
    ScriptedClient& c = Client();
    ASSERT_TRUE(c.Connect("5550100", 2));
    ASSERT_EQ(c.Ask("203958"), "118");
    EXPECT_EQ(c.Ask("22227"), "000139580503001110"); // eighteen characters: no LED position
    // A firmware 1 unit knows no battery or LED locations and keeps silent, as an old unit does.
    EXPECT_EQ(c.Ask("22255", 300), "<no answer>");
    EXPECT_EQ(c.Ask("212420", 300), "<no answer>");
    ASSERT_TRUE(c.Command("AT#VTS=#,1"));
    ASSERT_EQ(c.Ask("203958"), "207");
    EXPECT_EQ(c.Ask("22227"), "0101395805030011101"); // nineteen, the last the LED sequence
}

TEST_F(SimulatorTest, WrongCheckDigitIsIgnored)
{
    Run(Fast());
    ScriptedClient& c = Client();
    ASSERT_TRUE(c.Connect());
    // "203958" has check digit 3; with 4 the unit hears noise and stays silent.
    ASSERT_TRUE(c.Command("AT#VTS=C,2,0,3,9,5,8,4,D"));
    EXPECT_EQ(c.ExpectSilence(), "");
    ASSERT_TRUE(c.Command("AT#VTS=C,2,0,3,9,5,8,3,D"));
    std::string tones;
    ASSERT_TRUE(c.ReadAnswer(&tones));
    EXPECT_EQ(tones, "C2072D");
}

TEST_F(SimulatorTest, FramesReachOnlyTheSelectedUnit)
{
    SimConfig config = Fast();
    SimUnit second;
    second.unit = 3;
    second.programmingCode = "1111";
    second.firmware = "209";
    config.lines[0].units.push_back(second);
    Run(config);
    ScriptedClient& c = Client();
    ASSERT_TRUE(c.Connect("5550100", 3));
    EXPECT_EQ(c.Ask("203958"), "011");
    EXPECT_EQ(c.Ask("201111"), "209");
    // A unit that is not on the line: nobody answers.
    ASSERT_TRUE(c.Command("AT#VTS=#,5"));
    EXPECT_EQ(c.Ask("201111", 300), "<no answer>");
    // Before any selection of the new call nobody hears the frames.
    ASSERT_TRUE(c.Command("ATZ"));
    ASSERT_TRUE(c.Command("AT#CLS=8") && c.Command("ATD5550100", "VCON"));
    EXPECT_EQ(c.Ask("203958", 300), "<no answer>");
    ASSERT_TRUE(c.Command("AT#VTS=#,1"));
    EXPECT_EQ(c.Ask("203958"), "207");
}

TEST_F(SimulatorTest, UnknownCommandsAnswerError)
{
    Run(Fast());
    ScriptedClient& c = Client();
    ASSERT_TRUE(c.Command("ATZ"));
    ASSERT_TRUE(c.Command("ATE0"));
    EXPECT_TRUE(c.Command("ATX9", "ERROR"));
    EXPECT_TRUE(c.Command("AT#VTS=1,2", "ERROR")); // not in voice mode yet
    EXPECT_TRUE(c.Command("AT#CLS=8"));
    EXPECT_TRUE(c.Command("AT#CLS=5", "ERROR"));
    EXPECT_TRUE(c.Command("AT#VBT=99", "ERROR"));
    EXPECT_TRUE(c.Command("AT#VTS=1,22", "ERROR"));
    EXPECT_TRUE(c.Command("AT#VTS=1,,2", "ERROR"));
    EXPECT_TRUE(c.Command("AT#VTS=E", "ERROR"));
    EXPECT_TRUE(c.Command("ATD", "ERROR"));
    EXPECT_TRUE(c.Command("AT" + std::string(300, '1'), "ERROR"));
    // What does not begin with "AT" is not a command at all.
    ASSERT_TRUE(c.Send("hello\r\nOK\r\n"));
    EXPECT_EQ(c.ExpectSilence(), "");
    EXPECT_TRUE(c.Command("at"));
    EXPECT_TRUE(c.Command("ati", "pravel-sim voice modem"));
}

TEST_F(SimulatorTest, EchoAndLineEnds)
{
    Run(Fast());
    ScriptedClient& c = Client();
    ASSERT_TRUE(c.Send("ATZ\r\n"));
    EXPECT_EQ(c.ReadUntil("OK\r\n"), "ATZ\r\r\nOK\r\n");
    ASSERT_TRUE(c.Send("AT\r"));
    EXPECT_EQ(c.ReadUntil("OK\r\n"), "AT\r\r\nOK\r\n");
    ASSERT_TRUE(c.Send("ATE0\n\n\r\n"));
    EXPECT_EQ(c.ReadUntil("OK\r\n"), "ATE0\r\r\nOK\r\n");
    // Empty lines are nothing; CR, LF and CR LF each end a command.
    ASSERT_TRUE(c.Send("AT\rAT\nAT\r\n"));
    EXPECT_EQ(c.ReadUntil("OK\r\n\r\nOK\r\n\r\nOK\r\n"), "\r\nOK\r\n\r\nOK\r\n\r\nOK\r\n");
    EXPECT_EQ(c.ExpectSilence(), "");
    ASSERT_TRUE(c.Send("ATE1\r"));
    EXPECT_EQ(c.ReadUntil("OK\r\n"), "\r\nOK\r\n");
    ASSERT_TRUE(c.Send("AT\r"));
    EXPECT_EQ(c.ReadUntil("OK\r\n"), "AT\r\r\nOK\r\n");
}

TEST_F(SimulatorTest, DialResultsAsEachLineSays)
{
    SimConfig config = Fast();
    config.lines.push_back(SimLine{"5550101", SimLine::Answer::Busy, {}});
    config.lines.push_back(SimLine{"5550102", SimLine::Answer::NoAnswer, {}});
    Run(config);
    ScriptedClient& c = Client();
    ASSERT_TRUE(c.Command("ATZ") && c.Command("AT#CLS=8"));
    EXPECT_TRUE(c.Command("ATDT5550101", "BUSY"));
    EXPECT_TRUE(c.Command("ATD5550102", "NO ANSWER"));
    EXPECT_TRUE(c.Command("ATD5559999", "NO ANSWER"));
    EXPECT_TRUE(c.Command("ATDT555-0100", "VCON"));
    // Without voice mode a call finds no modem at the far end.
    ASSERT_TRUE(c.Command("ATZ"));
    EXPECT_TRUE(c.Command("ATD5550100", "NO CARRIER"));
}

TEST_F(SimulatorTest, SilentLineKillsTheModem)
{
    SimConfig config = Fast();
    config.lines[0].answer = SimLine::Answer::Silent;
    Run(config);
    ScriptedClient& c = Client();
    ASSERT_TRUE(c.Command("ATZ") && c.Command("ATE0") && c.Command("AT#CLS=8"));
    ASSERT_TRUE(c.Send("ATD5550100\r\n"));
    EXPECT_EQ(c.ExpectSilence(), "");
    ASSERT_TRUE(c.Send("ATZ\r\nAT\r\n"));
    EXPECT_EQ(c.ExpectSilence(), "");
}

TEST_F(SimulatorTest, CorruptedAnswersFailTheirCheckThenRecover)
{
    LoggedIn();
    ScriptedClient& c = Client();
    m_sim.InjectFaults(SimFaults{2, 0, false, 0, {}, false});
    std::string answer = c.Ask("22063");
    EXPECT_EQ(answer, "<bad frame C12345D>");
    EXPECT_EQ(m_sim.Faults().corruptNextAnswers, 1);
    EXPECT_EQ(c.Ask("22063").rfind("<bad frame", 0), 0u);
    EXPECT_EQ(m_sim.Faults().corruptNextAnswers, 0);
    EXPECT_EQ(c.Ask("22063"), "1234");
}

TEST_F(SimulatorTest, DroppedAnswersAreNotPlayed)
{
    SimConfig config = Fast();
    config.faults.dropNextAnswers = 1;
    Run(config);
    ScriptedClient& c = Client();
    ASSERT_TRUE(c.Connect());
    EXPECT_EQ(c.Ask("203958", 300), "<no answer>");
    // The driver sends the code again after its time-out; this time the unit is heard.
    EXPECT_EQ(c.Ask("203958"), "207");
    EXPECT_EQ(m_sim.Faults().dropNextAnswers, 0);
}

TEST_F(SimulatorTest, BusyToneAfterLoginEndsTheCall)
{
    SimConfig config = Fast();
    config.faults.busyToneAfterLogin = true;
    Run(config);
    ScriptedClient& c = Client();
    ASSERT_TRUE(c.Connect());
    ASSERT_TRUE(c.SendCode("203958"));
    std::string tones;
    ASSERT_TRUE(c.ReadAnswer(&tones));
    EXPECT_EQ(tones, "C2072D");
    // Even in fast mode the tone comes apart from the answer, so a reader does not get both at once.
    const auto answered = std::chrono::steady_clock::now();
    EXPECT_EQ(c.ReadUntil("\x10"
                          "b"),
              "\x10"
              "b");
    EXPECT_GE(std::chrono::steady_clock::now() - answered, std::chrono::milliseconds(80));
    // The far end has hung up: the modem still plays tones, nobody answers.
    EXPECT_EQ(c.Ask("22000", 300), "<no answer>");
    EXPECT_TRUE(c.Command("ATZ"));
}

TEST_F(SimulatorTest, LateAnswersComeLate)
{
    LoggedIn();
    ScriptedClient& c = Client();
    m_sim.InjectFaults(SimFaults{0, 0, false, 400, {}, false});
    ASSERT_TRUE(c.SendCode("22063"));
    const auto sent = std::chrono::steady_clock::now();
    std::string tones;
    ASSERT_TRUE(c.ReadAnswer(&tones));
    EXPECT_GE(std::chrono::steady_clock::now() - sent, std::chrono::milliseconds(390));
    EXPECT_EQ(tones, EncodeToneFrame("1234"));
}

TEST_F(SimulatorTest, AbsentUnitAndDeadModem)
{
    SimConfig config = Fast();
    config.faults.absentUnits = {1};
    Run(config);
    ScriptedClient& c = Client();
    ASSERT_TRUE(c.Connect());
    EXPECT_EQ(c.Ask("203958", 300), "<no answer>");
    m_sim.InjectFaults(SimFaults{});
    EXPECT_EQ(c.Ask("203958"), "207");

    SimFaults dead;
    dead.deadModem = true;
    m_sim.InjectFaults(dead);
    ASSERT_TRUE(c.Send("AT\r\n"));
    EXPECT_EQ(c.ExpectSilence(), "");
    m_sim.InjectFaults(SimFaults{});
    EXPECT_TRUE(c.Command("AT"));
}

TEST_F(SimulatorTest, RealisticTimingRunsOnTheClock)
{
    SimConfig config = DefaultSimConfig();
    config.timing = SimTiming{150, 150, 50, 10, 0};
    Run(config);
    ScriptedClient& c = Client();
    ASSERT_TRUE(c.Command("ATZ") && c.Command("ATE0") && c.Command("AT#CLS=8") && c.Command("AT#VBT=1"));
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(c.Command("ATD5550100", "VCON"));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(145));
    start = std::chrono::steady_clock::now();
    ASSERT_TRUE(c.Command("AT#VTS=#,1"));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(195));
    EXPECT_EQ(c.Ask("203958"), "207");
}

TEST_F(SimulatorTest, PortIsLeftCookedAndSurvivesClientsComingAndGoing)
{
    std::string error;
    ASSERT_TRUE(m_sim.Start(Fast(), &error)) << error;
    EXPECT_EQ(m_sim.DevicePath().rfind("/dev/pts/", 0), 0u);
    {
        ScriptedClient cooked(m_sim.DevicePath(), false);
        termios t{};
        ASSERT_EQ(::tcgetattr(cooked.Fd(), &t), 0);
        EXPECT_NE(t.c_lflag & ICANON, 0u);
        EXPECT_NE(t.c_lflag & ECHO, 0u);
    }
    for (int round = 0; round < 3; ++round) {
        ScriptedClient c(m_sim.DevicePath());
        ASSERT_TRUE(c.IsOpen());
        EXPECT_TRUE(c.Command("ATZ")) << round;
    }
}

TEST_F(SimulatorTest, ACookedClientDoesNotMakeTheModemHearItself)
{
    std::mutex lock;
    std::vector<std::string> lines;
    SimConfig config = Fast();
    config.transcript = true;
    config.transcriptSink = [&](std::string_view text) {
        std::lock_guard<std::mutex> guard(lock);
        lines.emplace_back(text);
    };
    std::string error;
    ASSERT_TRUE(m_sim.Start(config, &error)) << error;
    ScriptedClient cooked(m_sim.DevicePath(), false);
    ASSERT_TRUE(cooked.Send("ATZ\n"));
    EXPECT_TRUE(cooked.Expect("OK"));
    cooked.ExpectSilence(200);
    m_sim.Stop();
    int commands = 0;
    for (const auto& line : lines)
        commands += line.find(" <- ATZ\n") != std::string::npos;
    EXPECT_EQ(commands, 1);
}

TEST_F(SimulatorTest, TranscriptHasBothDirectionsWithTimestamps)
{
    std::mutex lock;
    std::vector<std::string> lines;
    SimConfig config = Fast();
    config.transcript = true;
    config.transcriptSink = [&](std::string_view text) {
        std::lock_guard<std::mutex> guard(lock);
        lines.emplace_back(text);
    };
    LoggedIn(config);
    m_sim.Stop();
    // "hh:mm:ss.mmm <dir> text\n"
    auto stamped = [](const std::string& line) {
        const std::string shape = "dd:dd:dd.ddd ";
        if (line.size() < shape.size() + 4 || line.back() != '\n')
            return false;
        for (size_t i = 0; i < shape.size(); ++i)
            if (shape[i] == 'd' ? !std::isdigit(static_cast<unsigned char>(line[i])) : line[i] != shape[i])
                return false;
        const std::string direction = line.substr(shape.size(), 3);
        return direction == "<- " || direction == "-> " || direction == "-- ";
    };
    for (const auto& line : lines)
        EXPECT_TRUE(stamped(line)) << line;
    auto has = [&](const std::string& part) {
        for (const auto& line : lines)
            if (line.find(part) != std::string::npos)
                return true;
        return false;
    };
    EXPECT_TRUE(has(" <- ATD5550100\n"));
    EXPECT_TRUE(has(" -> VCON\n"));
    EXPECT_TRUE(has(" <- AT#VTS=C,2,0,3,9,5,8,3,D\n"));
    EXPECT_TRUE(has(" -> <DLE>C<DLE>2<DLE>0<DLE>7<DLE>2<DLE>D (\"207\")\n"));
    EXPECT_TRUE(has(" -- unit 1 heard \"203958\": login accepted\n"));
}

TEST(Simulator, StartRefusesBadConfigurationAndASecondStart)
{
    CSimulator sim;
    std::string error;
    SimConfig bad = DefaultSimConfig();
    bad.lines[0].units[0].programmingCode = "39";
    EXPECT_FALSE(sim.Start(bad, &error));
    EXPECT_EQ(error,
              "invalid simulator configuration: line \"5550100\", unit 1: the programming code must be four digits");
    EXPECT_FALSE(sim.IsRunning());
    ASSERT_TRUE(sim.Start(DefaultSimConfig(), &error)) << error;
    EXPECT_TRUE(sim.IsRunning());
    EXPECT_FALSE(sim.Start(DefaultSimConfig(), &error));
    EXPECT_EQ(error, "the simulator is already running on " + sim.DevicePath());
    EXPECT_EQ(sim.UnitState("5550100", 2).unit, 0);
    EXPECT_EQ(sim.UnitState("5550199", 1).unit, 0);
    EXPECT_EQ(sim.UnitState("5550100", 1).unit, 1);
    sim.Stop();
    EXPECT_FALSE(sim.IsRunning());
    sim.Stop(); // twice is harmless
    // Started again after a stop.
    ASSERT_TRUE(sim.Start(DefaultSimConfig(), &error)) << error;
    ScriptedClient c(sim.DevicePath());
    EXPECT_TRUE(c.Command("ATZ"));
}
