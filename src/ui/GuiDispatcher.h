// Hands work from any thread to the user-interface thread. Post queues it and returns at once;
// Send waits until it has run. Close, on the user-interface thread when the front end goes away,
// drops what is still queued, refuses new work and wakes every Send that waits, so a thread in
// Send can never hold up a front end that is closing (and waiting for that thread to end).
//
// Made and closed on the user-interface thread; Post and Send may be called from any thread,
// also after Close (they then do nothing). Not copyable.
#pragma once

#include <QObject>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class CGuiDispatcher {
public:
    CGuiDispatcher();
    ~CGuiDispatcher();
    CGuiDispatcher(const CGuiDispatcher&) = delete;
    CGuiDispatcher& operator=(const CGuiDispatcher&) = delete;

    void Post(std::function<void()> work);
    // Runs work at once when called on the user-interface thread. False when closed (work not run).
    bool Send(std::function<void()> work);
    void Close();
    bool IsClosed() const;

private:
    struct Shared {
        mutable std::mutex lock;
        std::condition_variable wake;
        bool closed = false;
    };
    std::shared_ptr<Shared> m_shared;
    QObject* m_context; // lives on the user-interface thread; queued work runs in its name
};
