// A job runner for the dialogs' tests: a job starts and runs until the test ends it, as the
// worker's log-off would; nothing is dialled.
#pragma once

#include "worker/JobRunner.h"

class CFakeRunner : public IJobRunner {
public:
    bool running = false;
    bool canStart = true;
    int starts = 0;
    int stops = 0;
    int stopRequests = 0;

    bool Start() override
    {
        if (running || !canStart)
            return false;
        ++starts;
        running = true;
        return true;
    }
    bool IsRunning() override { return running; }
    void Stop() override
    {
        ++stops;
        running = false;
    }
    // The job goes on until the test ends it (ProgressEnded).
    void RequestStop() override { ++stopRequests; }
};
