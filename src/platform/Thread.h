// A thread of our own: started with a priority, waited for with a bound, joined exactly once.
//
// Whoever starts a CThread owns it and must Join it (or let the destructor join it) before the
// things the thread body touches go away. A thread is never ended by force: when a bounded wait
// runs out, the owner traces it and joins without a bound.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

#include "platform/Event.h"

enum class ThreadPriority { Normal, AboveNormal, Highest };

// Asks the system to run the calling thread at the priority; a refusal leaves it as it was.
void ApplyThreadPriority(ThreadPriority priority);

class CThread {
public:
    CThread() = default;
    CThread(const CThread&) = delete;
    CThread& operator=(const CThread&) = delete;
    ~CThread();

    // Starts the body on a new thread. False with errno set when no thread could be made.
    // The priority is a request; a system that refuses it leaves the thread at normal priority.
    bool Start(std::function<void()> body, ThreadPriority priority = ThreadPriority::Normal);

    // True while a thread has been started and not yet joined.
    bool IsStarted() const { return m_thread.joinable(); }
    // True once the body has returned (the thread may still need joining).
    bool HasEnded() const { return m_ended.load(); }
    // Waits up to timeoutMs (INFINITE for no bound) for the body to return. True when it has.
    bool WaitForEnd(uint32_t timeoutMs);
    // Waits for the thread without a bound and releases it. Does nothing when none is started.
    // Must not be called from the thread itself.
    void Join();
    bool IsCurrentThread() const { return m_thread.get_id() == std::this_thread::get_id(); }

private:
    std::thread m_thread;
    CEvent m_endedEvent;
    std::atomic<bool> m_ended{false};
};
