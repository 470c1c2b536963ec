// A recorded modem trace served on a line (sim/SimTransport.h) as the modem that made it:
// pravel-sim --replay FILE, and the tests that replay shipped traces.
//
// Thread contract: Start (any thread) opens the line and starts one serving thread, which alone
// touches the line and the replay; it ends when stopped or when the line fails. Differences and
// Matched may be read from any thread (atomics). Stop (any thread but the serving one) signals the
// stop event and joins the thread, then closes the line; the destructor stops. Not copyable.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>

#include "platform/Event.h"
#include "platform/Thread.h"
#include "sim/SimTransport.h"
#include "sim/TraceReplay.h"

class CReplayServer {
public:
    CReplayServer() = default;
    ~CReplayServer();
    CReplayServer(const CReplayServer&) = delete;
    CReplayServer& operator=(const CReplayServer&) = delete;

    // Serves replay (loaded) on a new line; false with the reason.
    bool Start(CTraceReplay replay, SimLink link, std::string* error);
    std::string DevicePath() const { return m_path; }
    void Stop();

    // Set once the whole trace has been played (see CTraceReplay::Finished); exists from Start.
    CEvent& FinishedEvent() { return m_finished; }
    int Differences() const { return m_differences.load(); }
    size_t Matched() const { return m_matched.load(); }

private:
    void Serve();

    CTraceReplay m_replay; // serving thread only, once started
    CEvent m_stop;
    CEvent m_finished;
    CThread m_thread;
    std::unique_ptr<ISimTransport> m_line;
    std::string m_path;
    std::string m_pendingOutput;
    std::atomic<int> m_differences{0};
    std::atomic<size_t> m_matched{0};
};
