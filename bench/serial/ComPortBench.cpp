// The serial port over a pseudo-terminal: how soon a read is handed on after the last byte, what
// the reader costs while the line is quiet, and how many bytes per second it carries.
#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <mutex>
#include <pthread.h>
#include <thread>
#include <vector>

#include "diag/Trace.h"
#include "serial/ComPort.h"
#include "support/PtyPair.h"

namespace {

using Clock = std::chrono::steady_clock;

class CTimingPort : public CComPort {
public:
    ~CTimingPort() override { Close(); }
    bool OnReceive(const uint8_t*, uint32_t count) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_readerClock == clockid_t{})
            (void)::pthread_getcpuclockid(::pthread_self(), &m_readerClock);
        m_bytes += count;
        m_lastReceive = Clock::now();
        m_changed.notify_all();
        return true;
    }
    // Waits until total bytes have come; the time the last of them was handed on.
    Clock::time_point WaitForBytes(uint64_t total)
    {
        std::unique_lock<std::mutex> lock(m_lock);
        m_changed.wait(lock, [&] { return m_bytes >= total; });
        return m_lastReceive;
    }
    clockid_t ReaderClock()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_readerClock;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    uint64_t m_bytes = 0;
    Clock::time_point m_lastReceive;
    clockid_t m_readerClock{};
};

// A port on the slave side of a fresh pty, read interval as given, no event character.
bool OpenPort(PtyPair& pty, CTimingPort& port, uint32_t intervalMs)
{
    int error = 0;
    auto device = OpenSerialDevice(pty.SlavePath(), &error);
    if (!device || !port.Open(device))
        return false;
    CommState state;
    port.GetCommState(state);
    state.evtChar = 0;
    port.SetCommState(state);
    CommTimeouts timeouts;
    port.GetCommTimeouts(timeouts);
    timeouts.readIntervalTimeout = intervalMs;
    return port.SetCommTimeouts(timeouts);
}

double Percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(p * static_cast<double>(values.size() - 1))];
}

// Delay from the last byte written at the far end to OnReceive, in ms.
void BM_ReceiveDelay(benchmark::State& state)
{
    SetTraceSink({});
    PtyPair pty;
    CTimingPort port;
    if (!OpenPort(pty, port, static_cast<uint32_t>(state.range(0)))) {
        state.SkipWithError("cannot open a pty");
        return;
    }
    std::vector<double> delays;
    uint64_t total = 0;
    for (auto _ : state) {
        pty.WriteMaster("OK\rRING\r");
        const auto written = Clock::now();
        total += 8;
        const auto received = port.WaitForBytes(total);
        const double ms = std::chrono::duration<double, std::milli>(received - written).count();
        delays.push_back(ms);
        state.SetIterationTime(ms / 1000.0);
    }
    state.counters["median_ms"] = Percentile(delays, 0.5);
    state.counters["p99_ms"] = Percentile(delays, 0.99);
    state.counters["beyond_interval_p99_ms"] = Percentile(delays, 0.99) - static_cast<double>(state.range(0));
    port.Close();
    ResetTraceSink();
}
BENCHMARK(BM_ReceiveDelay)->Arg(20)->Arg(50)->Iterations(200)->UseManualTime()->Unit(benchmark::kMillisecond);

// CPU time the reader thread uses over 10 s of a quiet line.
void BM_QuietReaderCpu(benchmark::State& state)
{
    SetTraceSink({});
    PtyPair pty;
    CTimingPort port;
    if (!OpenPort(pty, port, 20)) {
        state.SkipWithError("cannot open a pty");
        return;
    }
    pty.WriteMaster("X"); // one read, so that the reader's clock is known
    port.WaitForBytes(1);
    const clockid_t clock = port.ReaderClock();
    double cpuMs = 0;
    for (auto _ : state) {
        timespec before{}, after{};
        ::clock_gettime(clock, &before);
        std::this_thread::sleep_for(std::chrono::seconds(10));
        ::clock_gettime(clock, &after);
        cpuMs = static_cast<double>(after.tv_sec - before.tv_sec) * 1e3 +
                static_cast<double>(after.tv_nsec - before.tv_nsec) / 1e6;
    }
    state.counters["reader_cpu_ms_per_10s"] = cpuMs;
    port.Close();
    ResetTraceSink();
}
BENCHMARK(BM_QuietReaderCpu)->Iterations(1)->Unit(benchmark::kSecond);

// Bytes per second through OnReceive with the far end writing as fast as it can.
void BM_Throughput(benchmark::State& state)
{
    SetTraceSink({});
    PtyPair pty;
    CTimingPort port;
    if (!OpenPort(pty, port, 20)) {
        state.SkipWithError("cannot open a pty");
        return;
    }
    const std::string block(1 << 20, 'x');
    uint64_t total = 0;
    for (auto _ : state) {
        pty.WriteMaster(block);
        total += block.size();
        port.WaitForBytes(total);
    }
    state.SetBytesProcessed(static_cast<int64_t>(total));
    port.Close();
    ResetTraceSink();
}
BENCHMARK(BM_Throughput)->Iterations(20)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
