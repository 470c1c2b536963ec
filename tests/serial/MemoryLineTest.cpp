// The in-process memory line, and the simulator served over it (both systems).
#include "platform/MemoryLine.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <string>

#include "sim/Simulator.h"
#include "support/WaitUntil.h"

namespace {

std::string ReadAll(CMemoryLine& line, CMemoryLine::End at)
{
    std::string text(64, '\0');
    text.resize(line.Read(at, text.data(), text.size()));
    return text;
}

} // namespace

TEST(MemoryLine, CarriesBytesEachWayInOrderUpToItsCapacity)
{
    auto line = CMemoryLine::Create(8);
    EXPECT_EQ(line->Write(CMemoryLine::PortEnd, "AT\r", 3), 3u);
    EXPECT_EQ(line->Write(CMemoryLine::FarEnd, "OK\r\n", 4), 4u);
    // Only what fits is taken; a full queue takes nothing.
    EXPECT_EQ(line->Write(CMemoryLine::PortEnd, "ABCDEFGH", 8), 5u);
    EXPECT_EQ(line->Write(CMemoryLine::PortEnd, "X", 1), 0u);
    EXPECT_EQ(line->Room(CMemoryLine::PortEnd), 0u);
    EXPECT_EQ(line->Available(CMemoryLine::FarEnd), 8u);
    EXPECT_EQ(ReadAll(*line, CMemoryLine::FarEnd), "AT\rABCDE");
    EXPECT_EQ(ReadAll(*line, CMemoryLine::PortEnd), "OK\r\n");
    EXPECT_EQ(ReadAll(*line, CMemoryLine::PortEnd), "");
    EXPECT_EQ(line->Room(CMemoryLine::PortEnd), 8u);
}

TEST(MemoryLine, IsFoundByItsNameUntilUnregisteredOrGone)
{
    auto line = CMemoryLine::Create();
    const std::string name = line->Name();
    EXPECT_TRUE(CMemoryLine::IsLineName(name)) << name;
    EXPECT_EQ(CMemoryLine::Find(name), line);
    EXPECT_NE(CMemoryLine::Create()->Name(), name);
    line->Unregister();
    EXPECT_EQ(CMemoryLine::Find(name), nullptr);

    auto other = CMemoryLine::Create();
    const std::string otherName = other->Name();
    other.reset();
    EXPECT_EQ(CMemoryLine::Find(otherName), nullptr);
    for (const char* notALine : {"sim:", "sim:x1", "com1", "SIM:1", "/dev/pts/3"})
        EXPECT_FALSE(CMemoryLine::IsLineName(notALine)) << notALine;
}

TEST(MemoryLine, OneUserAnEndAndALeavingEndHangsTheLineUpAfterItsLastBytes)
{
    auto line = CMemoryLine::Create();
    ASSERT_TRUE(line->Attach(CMemoryLine::FarEnd));
    EXPECT_FALSE(line->Attach(CMemoryLine::FarEnd));
    ASSERT_TRUE(line->Attach(CMemoryLine::PortEnd));
    EXPECT_FALSE(line->OtherEndGone(CMemoryLine::PortEnd));
    ASSERT_EQ(line->Write(CMemoryLine::FarEnd, "NO CARRIER\r\n", 12), 12u);
    line->Detach(CMemoryLine::FarEnd);
    EXPECT_TRUE(line->OtherEndGone(CMemoryLine::PortEnd));
    EXPECT_FALSE(line->OtherEndGone(CMemoryLine::FarEnd));
    EXPECT_EQ(ReadAll(*line, CMemoryLine::PortEnd), "NO CARRIER\r\n");
    EXPECT_EQ(line->Write(CMemoryLine::PortEnd, "ATH\r", 4), 0u);
}

TEST(MemoryLine, WakesAnEndForBytesRoomAndHangUpButNotOnceReleased)
{
    auto line = CMemoryLine::Create(4);
    std::atomic<int> portWakes{0};
    std::atomic<int> farWakes{0};
    line->SetWakeUp(CMemoryLine::PortEnd, [&] { ++portWakes; });
    line->SetWakeUp(CMemoryLine::FarEnd, [&] { ++farWakes; });
    ASSERT_TRUE(line->Attach(CMemoryLine::FarEnd));

    ASSERT_EQ(line->Write(CMemoryLine::FarEnd, "OK", 2), 2u); // bytes for the port
    EXPECT_EQ(portWakes, 1);
    EXPECT_EQ(farWakes, 0);
    char buffer[4];
    ASSERT_EQ(line->Read(CMemoryLine::PortEnd, buffer, sizeof buffer), 2u); // room for the far end
    EXPECT_EQ(farWakes, 1);
    EXPECT_EQ(line->Read(CMemoryLine::PortEnd, buffer, sizeof buffer), 0u); // nothing: no wake
    EXPECT_EQ(farWakes, 1);
    line->Detach(CMemoryLine::FarEnd);
    EXPECT_EQ(portWakes, 2);

    line->SetWakeUp(CMemoryLine::FarEnd, {});
    (void)line->Write(CMemoryLine::PortEnd, "AT", 2);
    EXPECT_EQ(farWakes, 1);
}

TEST(MemoryLine, TheSimulatorAnswersOverIt)
{
    SimConfig config = DefaultSimConfig();
    config.fast = true;
    CSimulator sim;
    std::string error;
    ASSERT_TRUE(sim.Start(config, &error, SimLink::Memory)) << error;
    auto line = CMemoryLine::Find(sim.DevicePath());
    ASSERT_NE(line, nullptr) << sim.DevicePath();
    ASSERT_TRUE(line->Attach(CMemoryLine::PortEnd));
    ASSERT_EQ(line->Write(CMemoryLine::PortEnd, "ATZ\r\n", 5), 5u);
    std::string answer;
    EXPECT_TRUE(WaitUntil([&] {
        answer += ReadAll(*line, CMemoryLine::PortEnd);
        return answer.find("OK\r\n") != std::string::npos;
    })) << answer;
    line->Detach(CMemoryLine::PortEnd);
    sim.Stop();
    EXPECT_EQ(CMemoryLine::Find(sim.DevicePath()), nullptr);
}
