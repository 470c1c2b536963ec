// A child process of our own: started with an argument list, its standard output and error
// collected, waited for, asked to stop. The child runs in a process group of its own, so that a
// Ctrl-C at the terminal reaches only us; we pass the stop on, once.
//
// A child never outlives us, however we end (kill -9 included). Linux: a small watcher process
// stands between us and the program; told by the system when we end, it gives the program the
// interrupt once, and the program stops the orderly way (a call logs off and hangs up). The
// system tells it also when the thread that called Start ends, so that thread must stay until
// Wait has returned. Windows: it runs in a job
// object of its own that ends its processes when the last handle to the job closes, which the
// system does as we end.
//
// Thread contract: one thread calls Start and then Wait, which blocks reading the child's output
// until it ends and reaps it. AskToStop may be called from any other thread at any time; before
// Start and after the child is reaped it does nothing. Not copyable.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

class CChildProcess {
public:
    CChildProcess() = default;
    ~CChildProcess();
    CChildProcess(const CChildProcess&) = delete;
    CChildProcess& operator=(const CChildProcess&) = delete;

    // Starts arguments[0] (a path) with the arguments, standard input empty. False with the problem.
    bool Start(const std::vector<std::string>& arguments, std::string* problem);
    // Collects the output until the child ends and reaps it. The exit status, or -1 when it died
    // of a signal (or was never started).
    int Wait();
    // The started program's process id while it runs (not the watcher's, on Linux), -1 before
    // Start and once it is reaped.
    long ProcessId()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_programPid;
    }
    const std::string& Output() const { return m_output; }
    const std::string& ErrorOutput() const { return m_errorOutput; }
    // Asks the child to stop (the interrupt a Ctrl-C would give it: a job logs off and hangs up).
    // A second call asks again, which a job takes as "stop at once".
    void AskToStop();

private:
    std::mutex m_lock; // guards m_pid against the reap
    long m_pid = -1;        // the child we wait for (Linux: the watcher)
    long m_programPid = -1; // the program it runs
    // The pipes' read ends and (Windows) the process: descriptors or handles.
    intptr_t m_outFd = -1;
    intptr_t m_errFd = -1;
    intptr_t m_processHandle = -1;
    intptr_t m_jobHandle = -1; // Windows: the job object the child runs in
    std::string m_output;
    std::string m_errorOutput;
};

// The path of the running program, for starting it again as a child; empty when unknown.
std::string CurrentProgramPath();
