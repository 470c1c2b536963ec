// A scripted serial device for CComPort tests. Data flows through a socket pair, so that poll works
// as on a tty: Feed sends bytes to the port, Sent collects what the port wrote. Line events,
// line errors and failing calls are injected by the test. Thread-safe; the port deletes it at Close,
// so the test keeps a shared Probe to look at it afterwards.
#pragma once

#include <atomic>
#include <cerrno>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "platform/Event.h"
#include "serial/SerialDevice.h"

class CFakeSerialDevice : public ISerialDevice {
public:
    struct Probe {
        std::atomic<bool> destroyed{false};
        std::atomic<int> configureCalls{0};
        std::atomic<int> readCalls{0};
        std::atomic<int> writeCalls{0};
        std::atomic<int> writeWouldBlock{0};
        std::atomic<int> discardInput{0};
        std::atomic<int> discardOutput{0};
        std::atomic<size_t> bytesRead{0};
        std::mutex lock;
        std::vector<size_t> writeOffsets; // offset of each write request into the first block
        CommState lastState;
        bool stateSet = false;
    };

    CFakeSerialDevice() : m_probe(std::make_shared<Probe>())
    {
        (void)::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, m_fds);
        (void)m_event.Create(true, false);
    }
    ~CFakeSerialDevice() override
    {
        m_probe->destroyed = true;
        ::close(m_fds[0]);
        ::close(m_fds[1]);
    }
    std::shared_ptr<Probe> GetProbe() const { return m_probe; }

    // ---- the test's side ----
    void Feed(const std::string& bytes)
    {
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = ::send(m_fds[1], bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n > 0)
                done += static_cast<size_t>(n);
        }
    }
    // A descriptor of the far end that outlives the device (the test closes it).
    int DupPeer() const { return ::dup(m_fds[1]); }
    std::string Sent()
    {
        std::string got;
        char buffer[4096];
        ssize_t n;
        while ((n = ::recv(m_fds[1], buffer, sizeof buffer, MSG_DONTWAIT)) > 0)
            got.append(buffer, static_cast<size_t>(n));
        return got;
    }
    // Queues one line-event report (TakeEvents hands them out one per call) and error bits for
    // ClearErrors.
    void RaiseEvents(uint32_t events, uint32_t errors = 0)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_pendingEvents.push_back(events);
        m_errors |= errors;
        m_event.Set();
    }
    // From now on Read fails with error (0: reads zero bytes, as a vanished device); the port is
    // woken to see it.
    void FailReads(int error)
    {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_failReads = true;
            m_readError = error;
        }
        Feed("!");
    }
    void FailSetEventMask(int error) { Set(m_setMaskError, error); }
    void FailTakeEvents(int error) { Set(m_takeError, error); }
    void FailClearErrors(int error) { Set(m_clearError, error); }
    void FailLineSettings(bool fail) { Set(m_failSettings, fail); }
    void SetTerminal(bool terminal) { Set(m_terminal, terminal); }
    // Each Write takes at most this many bytes.
    void LimitWrite(size_t most) { Set(m_writeLimit, most); }
    // From now on Write fails with error (0: takes no byte and reports no error).
    void FailWrites(int error)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_failWrites = true;
        m_writeError = error;
    }

    // ---- ISerialDevice ----
    int Fd() const override { return m_fds[0]; }
    bool IsTerminal() const override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_terminal;
    }
    bool ConfigureLine() override
    {
        ++m_probe->configureCalls;
        return Settings();
    }
    bool GetLineSettings(CommState& state) override
    {
        if (!Settings())
            return false;
        std::lock_guard<std::mutex> guard(m_lock);
        state = m_state;
        return true;
    }
    bool SetLineSettings(const CommState& state) override
    {
        if (!Settings())
            return false;
        std::lock_guard<std::mutex> guard(m_lock);
        m_state = state;
        std::lock_guard<std::mutex> probe(m_probe->lock);
        m_probe->lastState = state;
        m_probe->stateSet = true;
        return true;
    }
    ssize_t Read(void* buffer, size_t size) override
    {
        ++m_probe->readCalls;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            if (m_failReads) {
                if (m_readError == 0)
                    return 0;
                errno = m_readError;
                return -1;
            }
        }
        ssize_t n = ::recv(m_fds[0], buffer, size, MSG_DONTWAIT);
        if (n > 0)
            m_probe->bytesRead += static_cast<size_t>(n);
        return n;
    }
    ssize_t Write(const void* data, size_t size) override
    {
        ++m_probe->writeCalls;
        std::unique_lock<std::mutex> guard(m_lock);
        if (m_failWrites) {
            if (m_writeError == 0)
                return 0;
            errno = m_writeError;
            return -1;
        }
        if (m_firstBlock == nullptr)
            m_firstBlock = static_cast<const char*>(data);
        {
            std::lock_guard<std::mutex> probe(m_probe->lock);
            m_probe->writeOffsets.push_back(static_cast<size_t>(static_cast<const char*>(data) - m_firstBlock));
        }
        size = std::min(size, m_writeLimit);
        guard.unlock();
        ssize_t n = ::send(m_fds[0], data, size, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n < 0 && errno == EAGAIN)
            ++m_probe->writeWouldBlock;
        return n;
    }
    bool DiscardInput() override
    {
        ++m_probe->discardInput;
        return true;
    }
    bool DiscardOutput() override
    {
        ++m_probe->discardOutput;
        return true;
    }
    bool SetEventMask(uint32_t) override { return Outcome(m_setMaskError); }
    int EventFd() const override { return m_event.Fd(); }
    bool TakeEvents(uint32_t& events) override
    {
        events = 0;
        if (!Outcome(m_takeError))
            return false;
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_pendingEvents.empty()) {
            events = m_pendingEvents.front();
            m_pendingEvents.pop_front();
        }
        if (m_pendingEvents.empty())
            m_event.Reset();
        return true;
    }
    bool ClearErrors(uint32_t& errors) override
    {
        errors = 0;
        if (!Outcome(m_clearError))
            return false;
        std::lock_guard<std::mutex> guard(m_lock);
        errors = m_errors;
        m_errors = 0;
        return true;
    }

private:
    template <typename T, typename V> void Set(T& field, V value)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        field = value;
    }
    bool Outcome(const int& error) const
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (error == 0)
            return true;
        errno = error;
        return false;
    }
    bool Settings() const
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_failSettings)
            errno = EINVAL;
        return !m_failSettings;
    }

    std::shared_ptr<Probe> m_probe;
    int m_fds[2] = {-1, -1};
    CEvent m_event;
    mutable std::mutex m_lock;
    std::deque<uint32_t> m_pendingEvents;
    uint32_t m_errors = 0;
    bool m_failReads = false;
    int m_readError = 0;
    bool m_failWrites = false;
    int m_writeError = 0;
    int m_setMaskError = 0;
    int m_takeError = 0;
    int m_clearError = 0;
    bool m_failSettings = false;
    bool m_terminal = true;
    size_t m_writeLimit = static_cast<size_t>(-1);
    const char* m_firstBlock = nullptr;
    CommState m_state;
};
