// Running pravel-cli's commands in-process: the whole command line through the registry with the
// streams captured, and a simulated line with the dialogue's waits scaled down.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CommandRegistry.h"
#include "cli/Interrupt.h"
#include "modem/DialogueTiming.h"
#include "sim/Simulator.h"
#include "support/WaitUntil.h"

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline CliRun RunCli(const std::vector<std::string>& args)
{
    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err;
    CommandIo io{in, out, err, false};
    CliRun run;
    run.status = RunCommandLine(args, io);
    run.out = out.str();
    run.err = err.str();
    return run;
}

// The dialogue's waits cut to what the fast simulator needs, with room for sanitizer builds.
// Parameter-file fields as the file holds them: a little-endian 16-bit word, and a text as its
// length word, its bytes and a NUL.
inline void AppendWord(std::vector<uint8_t>& bytes, unsigned value)
{
    bytes.push_back(static_cast<uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

inline void AppendText(std::vector<uint8_t>& bytes, const std::string& text)
{
    AppendWord(bytes, static_cast<unsigned>(text.size()));
    bytes.insert(bytes.end(), text.begin(), text.end());
    bytes.push_back(0);
}

inline DialogueTiming FastTiming()
{
    DialogueTiming timing;
    timing.selectWaitMs = 10;
    timing.answerTimeoutMs = 1000;
    timing.watchdogTicks = 40;
    timing.dialWatchdogTicks = 60;
    timing.workerTickMs = 50;
    return timing;
}

// A simulated line "5550100" with unit 1 (code "3958") in fast mode.
class SimulatedLineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetDialogueTimingForTests(FastTiming());
        ClearInterrupt();
    }
    void TearDown() override
    {
        m_sim.Stop();
        ResetDialogueTimingForTests();
        ClearInterrupt();
    }

    // Starts the simulator; call from the test with the configuration it needs.
    void StartLine(SimConfig config = DefaultSimConfig())
    {
        config.fast = true;
        std::string error;
        ASSERT_TRUE(m_sim.Start(config, &error)) << error;
    }
    SimConfig WithFirmware(const std::string& firmware)
    {
        SimConfig config = DefaultSimConfig();
        config.lines.front().units.front().firmware = firmware;
        return config;
    }

    // command --port <sim> --number 5550100 --code 3958, then the rest.
    std::vector<std::string> Job(const std::string& command, const std::vector<std::string>& rest) const
    {
        std::vector<std::string> args = {command, "--port", m_sim.DevicePath(), "--number", "5550100", "--code", "3958"};
        args.insert(args.end(), rest.begin(), rest.end());
        return args;
    }
    SimUnit Unit() const { return m_sim.UnitState("5550100", 1); }

    CSimulator m_sim;
};
