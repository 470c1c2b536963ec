// A job end to end against pravel-sim's modem over a pseudo-terminal: the job worker, the driver
// with its modem profile and the serial port. The fixture the modem persona and behaviour tests
// share: a job to prepare, a run that gathers what the driver sent and what the job showed, and
// the check that a read all and a write succeed. Each test sets its own dialogue timing.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "ScriptedModem.h"
#include "model/JobOutcome.h"
#include "model/ModemProfile.h"
#include "modem/DialogueTiming.h"
#include "sim/Simulator.h"

struct JobRun {
    std::vector<std::string> sent;  // every command the driver wrote, as the trace shows it
    std::vector<std::string> trace; // the driver's dialogue lines
    std::map<uint32_t, RecordedMessage> values;
    std::vector<std::string> shown;
    JobOutcome outcome = JobOutcome::None; // the count of the job's end
    double seconds = 0;
};

// The seconds of a dialogue trace line ("Modem:    1.234 < OK"), -1 when it is none.
double TraceSeconds(const std::string& line);

class SimModemJobTest : public ::testing::Test {
protected:
    void TearDown() override;

    // The short waits of these tests (a simulated unit in fast mode answers at once), with the
    // answer time-out given; a test changes what it needs and sets them.
    static DialogueTiming ShortTiming(uint32_t answerTimeoutMs);

    // A read of every parameter, or a write of five (one number in two parts).
    static void Prepare(bool write);
    // The prepared job against a simulator of config, with the profile in force.
    JobRun Run(ModemProfile profile = ModemProfile::Auto);
    // A read all and a write succeed: every value read, every value written, nothing asked twice;
    // the wall time of the read all goes to the test output.
    void ExpectReadAllAndWrite(const std::string& name, ModemProfile profile = ModemProfile::Auto);

    SimConfig config = DefaultSimConfig();
    SimUnit unit; // as the last job left it
};
