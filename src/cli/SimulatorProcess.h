// pravel-sim as a child of pravel-cli: the simulator with the line as sound (noise, codecs,
// echo), which pravel-cli does not carry itself. Started with its options, its "port: /dev/pts/N"
// line awaited a bounded time, stopped at the end (SIGTERM, then SIGKILL if it does not go) and
// reaped.
//
// The child runs in a process group of its own, so that a Ctrl-C at the terminal reaches only
// pravel-cli, which ends its call the orderly way before it stops the simulator. When pravel-cli
// ends without stopping it (kill -9), the system sends it SIGTERM; the thread that called Start
// must therefore stay until Stop.
//
// Windows has no pravel-sim: Available() is false there and Start fails.
//
// Thread contract: one thread calls Start, DevicePath and Stop. Not copyable.
#pragma once

#include <string>
#include <vector>

class CSimulatorProcess {
public:
    CSimulatorProcess() = default;
    ~CSimulatorProcess();
    CSimulatorProcess(const CSimulatorProcess&) = delete;
    CSimulatorProcess& operator=(const CSimulatorProcess&) = delete;

    // False where pravel-sim cannot run (Windows).
    static bool Available();
    // The pravel-sim to start: the environment variable PRAVEL_SIM when set, else the one beside
    // the running program, else the first on PATH. Empty with the problem when there is none.
    static std::string FindProgram(std::string* problem);

    // Starts the program (arguments[0], a path) and waits at most waitMs for its port line. False
    // with the problem (the program's own error output among it) when it cannot be started, ends
    // before naming its port, or names none in time; it is then stopped and reaped.
    bool Start(const std::vector<std::string>& arguments, int waitMs, std::string* problem);
    // The pseudo-terminal the started simulator serves.
    const std::string& DevicePath() const { return m_port; }
    // Stops the simulator and reaps it; nothing when none runs.
    void Stop();

private:
    long m_pid = -1;
    int m_outFd = -1;
    int m_errFd = -1;
    std::string m_port;
};
