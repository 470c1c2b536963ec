// How a desktop dialog starts, watches and stops a job: the job worker (worker/JobWorker.h) behind
// an interface, so that the dialog's own rules can be tested without a modem.
#pragma once

class IJobRunner {
public:
    virtual ~IJobRunner() = default;
    // Starts theJob; false when a job runs already or no worker could be made.
    virtual bool Start() = 0;
    virtual bool IsRunning() = 0;
    // Stops a running job (the modem hangs up) and returns when it has ended.
    virtual void Stop() = 0;
    // Asks a running job for its orderly end (log-off, modem reset, port closed) and returns at
    // once; the job's ProgressEnded follows.
    virtual void RequestStop() = 0;
};

// The job worker itself.
class CJobWorkerRunner : public IJobRunner {
public:
    bool Start() override;
    bool IsRunning() override;
    void Stop() override;
    void RequestStop() override;
};
