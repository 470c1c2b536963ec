// A read-all job against the simulator in fast mode, with the shipped timing: its wall time
// against the waits the dialogue itself must make, and the CPU time it uses.
//
//   modem_bench [runs]    (default 3; each run takes about six seconds)
//
// The protocol minimum is the two 2500 ms waits before the unit selection and the login, plus,
// for each of the modem's replies, the 50 ms read interval the driver sets on the port (a read
// ends 50 ms after the last byte of a reply). The CPU time is the whole process's, the
// simulator's serving thread included, so it is an upper bound for the job's own.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sys/resource.h>

#include "diag/Trace.h"
#include "model/ComPortName.h"
#include "model/JobMessages.h"
#include "worker/JobWorker.h"
#include "model/ParameterTable.h"
#include "modem/DialogueTiming.h"
#include "platform/NotifyWindow.h"
#include "sim/Simulator.h"

namespace {

class CEndWatcher : public INotifyWindow {
public:
    void PostMessage(uint32_t message, uint32_t wParam, CMessageValue) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (message == WM_SET_TEXT)
            ++m_values;
        if (message == WM_SHOW_PROGRESS && wParam == ProgressEnded) {
            m_ended = true;
            m_changed.notify_all();
        }
    }
    void SendMessage(uint32_t message, uint32_t wParam, CMessageValue value) override
    {
        PostMessage(message, wParam, std::move(value));
    }
    int WaitForEnd()
    {
        std::unique_lock<std::mutex> lock(m_lock);
        m_changed.wait(lock, [&] { return m_ended; });
        m_ended = false;
        int values = m_values;
        m_values = 0;
        return values;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_ended = false;
    int m_values = 0;
};

double CpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 3;
    SetTraceSink({});

    SimConfig config = DefaultSimConfig();
    config.fast = true;
    CSimulator sim;
    std::string error;
    if (!sim.Start(config, &error)) {
        std::fprintf(stderr, "simulator: %s\n", error.c_str());
        return 1;
    }
    SetComPortName(sim.DevicePath());

    CEndWatcher watcher;
    theJob.reset(&watcher);
    theJob.mode = JobRead;
    std::strcpy(theJob.phoneNumber, "5550100");
    std::strcpy(theJob.programmingCode, "3958");
    theJob.unit = 1;
    theJob.selectionMask = AllParametersMask;

    // ATZ, E0, #CLS, #VBT, dial, unit selection, login, 12 reads, status, log-off, final reset.
    const int replies = 22;
    const DialogueTiming timing = GetDialogueTiming();
    const double minimumMs = 2.0 * timing.selectWaitMs + replies * 50.0;

    double worstOverhead = 0, worstCpu = 0;
    for (int run = 0; run < runs; ++run) {
        double cpu0 = CpuMs();
        auto t0 = std::chrono::steady_clock::now();
        if (!StartJob()) {
            std::fprintf(stderr, "the job did not start\n");
            return 1;
        }
        int values = watcher.WaitForEnd();
        WaitForJobEnd();
        double wallMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        double cpuMs = CpuMs() - cpu0;
        double overhead = 100.0 * (wallMs - minimumMs) / minimumMs;
        std::printf("run %d: %d values, wall %.1f ms, protocol minimum %.0f ms, overhead %.2f %%, CPU %.1f ms\n",
                    run + 1, values, wallMs, minimumMs, overhead, cpuMs);
        worstOverhead = std::max(worstOverhead, overhead);
        worstCpu = std::max(worstCpu, cpuMs);
    }
    std::printf("worst: overhead %.2f %% (goal < 2 %%), CPU %.1f ms (goal < 50 ms)\n", worstOverhead, worstCpu);
    sim.Stop();
    theJob.reset(nullptr);
    return 0;
}
