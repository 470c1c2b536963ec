// The waits, time-outs and retry limits of a job: how long the dialogue waits before it selects
// the unit and before it logs in, how long it waits for the unit's answer, the pause before a
// command, the watchdog counts, the job worker's tick and the bound on stopping the driver thread.
//
// The defaults are the values the shipped programs use. Tests and benchmarks scale the protocol
// down with SetDialogueTimingForTests before they start a job; the shipped programs never call it.
// Each driver copies the timing when it is constructed, so a change never reaches a running job.
#pragma once

#include <cstdint>

struct DialogueTiming {
    uint32_t selectWaitMs = 2500;    // before the unit selection and before the login
    uint32_t answerTimeoutMs = 5000; // wait for an answer, from the login code on
    int32_t watchdogTicks = 15;      // worker ticks without a step before the job is ended
    int32_t dialWatchdogTicks = 60;  // the same while the modem dials
    uint32_t workerTickMs = 1000;    // the job worker looks at the driver this often
    uint32_t driverStopMs = 2000;    // Stop waits this long for the driver thread before it says so
    uint32_t modemAnswerMs = 3000;   // the modem must answer the first "ATZ" within this time
    uint32_t logoffWaitMs = 3000;    // a stop asked for while logged in waits this long for the log-off's answer
    uint32_t commandGapMs = 100;     // modems lose or refuse a command sent sooner after a result code
    // Failures in a row that end the call: a time-out ends it when it is the third failure in a row
    // or later; answers that arrive but fail their check (a noisy line) end it only at this count.
    // With the answers after a spoilt one read twice, a longer run lets no wrong value through and
    // keeps 49 Read all calls of 50 over a GSM line at 10 dB (48 at 4, 44 at 3).
    int32_t failedChecksToEnd = 5;
};

// The timing in force.
DialogueTiming GetDialogueTiming();
// Test-only: replaces the timing for the jobs started from now on. Call while no job runs.
void SetDialogueTimingForTests(const DialogueTiming& timing);
// Test-only: back to the shipped values.
void ResetDialogueTimingForTests();
