// The POSIX back end of CComPort: the device is an ISerialDevice (termios), the reader sleeps in
// one poll on the device, its line-event descriptor and the shutdown event, with a time-out only
// while the read interval of a started read runs. What both systems share is in ComPort.cpp.
#include "serial/ComPort.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <mutex>
#include <poll.h>
#include <unistd.h>

#include "diag/Trace.h"
#include "platform/Event.h"
#include "platform/Thread.h"
#include "serial/ComPortImpl.h"

namespace {

constexpr uint32_t MAXDWORD = 0xFFFFFFFFu;
constexpr uint32_t CommEventMask = EV_RXFLAG | EV_RLSD | EV_ERR;
constexpr short GoneEvents = POLLHUP | POLLERR | POLLNVAL;

} // namespace

void SetPortFault(PortFault fault)
{
    errno = fault == PortFault::Busy ? EBUSY : fault == PortFault::NotComm ? ENOTTY : EBADF;
}

void SetLastPortError(uint32_t error)
{
    errno = static_cast<int>(error);
}

uint32_t LastPortError()
{
    return static_cast<uint32_t>(errno);
}

bool IsHandleGoneError(uint32_t error)
{
    return IsDeviceGone(static_cast<int>(error));
}

bool IsDeviceGoneError(uint32_t error)
{
    return IsDeviceGone(static_cast<int>(error));
}

namespace {

class CPosixPort final : public CComPort::Impl {
public:
    explicit CPosixPort(CComPort& owner) : Impl(owner) {}

    bool HoldsDevice() const override { return m_hCommFile != nullptr; }
    bool IsCommDevice(SerialDevice* device) const override { return device->IsTerminal(); }
    void AttachDevice(SerialDevice* device) override { m_hCommFile = device; }
    void DetachDevice() override
    {
        m_closing = m_hCommFile;
        m_hCommFile = nullptr;
    }
    void ConfigureLine() override;
    // The line from the device; the event character, abort flag and time-outs are the port's own.
    bool GetState(CommState& state) override;
    bool SetState(const CommState& state) override;
    bool GetTimeouts(CommTimeouts& timeouts) override;
    bool SetTimeouts(const CommTimeouts& timeouts) override;
    bool StartReader() override;
    void CloseDetached() override;
    void SignalShutdown() override { m_hShutdownEvent.Set(); }
    void DiscardInput() override { (void)m_hCommFile->DiscardInput(); }
    bool ReaderStarted() const override { return m_hReadThread.IsStarted(); }
    bool OnReaderThread() const override { return m_hReadThread.IsCurrentThread(); }
    bool ReaderEnded() override { return m_hReadThread.HasEnded(); }
    bool WaitForReader(uint32_t timeoutMs) override { return m_hReadThread.WaitForEnd(timeoutMs); }
    void ReleaseReader() override
    {
        m_hReadThread.Join();
        m_readThreadId = 0;
    }
    void RunReader() override;
    bool WriteAll(const uint8_t* bytes, uint32_t count) override;
    bool ClearLineErrors(uint32_t& errors, uint32_t& error) override
    {
        if (m_hCommFile->ClearErrors(errors))
            return true;
        error = LastPortError();
        return false;
    }

private:
    // The outstanding read: bytes gathered so far into m_readBuffer, when the last came, and the
    // error that ended it (0 for none).
    struct ReadRecord {
        uint32_t count = 0;
        std::chrono::steady_clock::time_point lastByte{};
        int error = 0;
    };
    enum class ReadOutcome { Pending, Complete, EventChar, Failed };

    bool StartRead(uint8_t* buffer, uint32_t size);
    bool CompleteRead(uint8_t* buffer, uint32_t& count);
    bool WaitForCommEvent();
    bool HandleCommEvent(bool collectResult);
    // One read from the device into the outstanding read; hangup: poll reported the device gone.
    ReadOutcome ReadFromDevice(uint8_t* buffer, uint32_t size, bool hangup);
    bool ServeRead(ReadOutcome outcome);
    // Nanoseconds until the read interval of the outstanding read runs out; -1 for no limit.
    int64_t ReadIntervalLeft() const;
    // Waits for room to write, or the shutdown event; false (traced) when the write cannot go on.
    bool WaitForRoom(ISerialDevice* device);

    uint8_t m_readBuffer[CComPort::ReadBufferSize];
    ReadRecord m_readOverlapped;
    ISerialDevice* m_hCommFile = nullptr;
    ISerialDevice* m_closing = nullptr; // detached, being closed
    uint32_t m_eventMask = 0;
    std::atomic<uint32_t> m_readThreadId{0};
    CThread m_hReadThread;
    CEvent m_hShutdownEvent;

    // Settings of ours the reader follows while it runs.
    std::atomic<char> m_evtChar{'\n'};
    std::atomic<bool> m_abortOnError{false};
    std::atomic<uint32_t> m_readInterval{20};
    std::mutex m_timeoutsLock;
    CommTimeouts m_timeouts;
};

} // namespace

std::unique_ptr<CComPort::Impl> CComPort::Impl::Create(CComPort& owner)
{
    return std::make_unique<CPosixPort>(owner);
}

void CPosixPort::ConfigureLine()
{
    // The line: raw, 9600 8N1, line feed as event character, reads ended by a 20 ms gap.
    CommState state;
    (void)m_hCommFile->GetLineSettings(state);
    (void)m_hCommFile->ConfigureLine();
    CommTimeouts timeouts;
    timeouts.readIntervalTimeout = 20;
    (void)SetTimeouts(timeouts);
    state.baudRate = 9600;
    state.byteSize = 8;
    state.parity = NOPARITY;
    state.stopBits = ONESTOPBIT;
    state.abortOnError = false;
    state.evtChar = '\n';
    (void)SetState(state);
    // What the modem said before we opened ("RING", "NO CARRIER" of an earlier call) is not for
    // this job: the reader starts on an empty receive queue.
    (void)m_hCommFile->DiscardInput();
}

bool CPosixPort::StartReader()
{
    if (!m_hShutdownEvent.Create(true, false)) {
        TRACE_PORT_CALL(LastPortError(), "Unable to CreateEvent: ");
        return false;
    }
    m_readOverlapped = ReadRecord{};
    m_eventMask = 0;
    if (!m_hReadThread.Start([this] { (void)ReaderEntry(&m_owner); }, ThreadPriority::Highest)) {
        const uint32_t error = LastPortError();
        TRACE_PORT_CALL(error, "Unable to create Read thread");
        m_readThreadId = 0;
        m_hShutdownEvent.Close();
        SetLastPortError(error);
        return false;
    }
    return true;
}

void CPosixPort::CloseDetached()
{
    (void)m_closing->DiscardOutput();
    m_hShutdownEvent.Close();
    delete m_closing; // closing drops DTR: the modem hangs up
    m_closing = nullptr;
}

bool CPosixPort::GetState(CommState& state)
{
    if (!m_hCommFile->GetLineSettings(state))
        return false;
    state.evtChar = m_evtChar.load();
    state.abortOnError = m_abortOnError.load();
    return true;
}

bool CPosixPort::SetState(const CommState& state)
{
    m_evtChar = state.evtChar;
    m_abortOnError = state.abortOnError;
    return m_hCommFile->SetLineSettings(state);
}

bool CPosixPort::GetTimeouts(CommTimeouts& timeouts)
{
    std::lock_guard<std::mutex> guard(m_timeoutsLock);
    timeouts = m_timeouts;
    return true;
}

bool CPosixPort::SetTimeouts(const CommTimeouts& timeouts)
{
    std::lock_guard<std::mutex> guard(m_timeoutsLock);
    m_timeouts = timeouts;
    m_readInterval = timeouts.readIntervalTimeout;
    return true;
}

// ---- reader thread ----

void CPosixPort::RunReader()
{
    m_readThreadId = static_cast<uint32_t>(::gettid());
    ISerialDevice* device = m_hCommFile;
    m_deviceGone = false;
    if (!device->SetEventMask(CommEventMask)) {
        TRACE_PORT_CALL(LastPortError(), "Unable to SetCommMask: ");
    } else if (WaitForCommEvent() && StartRead(m_readBuffer, CComPort::ReadBufferSize)) {
        for (;;) {
            // Position 0 the shutdown event, 1 the line events, 2 the device; the lowest is served
            // first. The only time-out is the read interval of a read that has begun.
            pollfd fds[3] = {
                {m_hShutdownEvent.Fd(), POLLIN, 0}, {device->EventFd(), POLLIN, 0}, {device->Fd(), POLLIN, 0}};
            const int64_t left = ReadIntervalLeft();
            timespec timeout{static_cast<time_t>(left / 1000000000), static_cast<long>(left % 1000000000)};
            const int n = ::ppoll(fds, 3, left < 0 ? nullptr : &timeout, nullptr);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                TRACE_PORT_CALL(LastPortError(), "Read WAIT_FAILED: ");
                break;
            }
            if (fds[0].revents != 0) {
                if (!(fds[0].revents & POLLIN))
                    TraceUnexpectedWait(static_cast<unsigned long>(fds[0].revents));
                break;
            }
            if (fds[1].revents != 0) {
                if (!(fds[1].revents & POLLIN)) {
                    TraceUnexpectedWait(static_cast<unsigned long>(fds[1].revents) << 8);
                    break;
                }
                if (!HandleCommEvent(true) || !WaitForCommEvent())
                    break;
                continue;
            }
            if (fds[2].revents != 0) {
                if (!ServeRead(ReadFromDevice(m_readBuffer, CComPort::ReadBufferSize, (fds[2].revents & GoneEvents) != 0)))
                    break;
                continue;
            }
            if (ReadIntervalLeft() == 0 && !ServeRead(ReadOutcome::Complete))
                break;
        }
    }
    TraceText("Read thread shutting down\n");
    (void)device->DiscardInput();
    // The owner hears of a vanished device now, not at its next write; a stop it asked for itself
    // is no news to it.
    if (m_deviceGone && !m_hShutdownEvent.IsSet())
        m_owner.OnDeviceGone();
    m_readThreadId = 0;
}

int64_t CPosixPort::ReadIntervalLeft() const
{
    if (m_readOverlapped.count == 0)
        return -1;
    const uint32_t interval = m_readInterval.load();
    if (interval == 0)
        return -1;
    if (interval == MAXDWORD)
        return 0;
    const auto deadline = m_readOverlapped.lastByte + std::chrono::milliseconds(interval);
    const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - std::chrono::steady_clock::now());
    return std::max<int64_t>(left.count(), 0);
}

CPosixPort::ReadOutcome CPosixPort::ReadFromDevice(uint8_t* buffer, uint32_t size, bool hangup)
{
    ReadRecord& read = m_readOverlapped;
    const ssize_t n = m_hCommFile->Read(buffer + read.count, size - read.count);
    if (n > 0) {
        const char evtChar = m_evtChar.load();
        const bool sawEventChar =
            evtChar != '\0' &&
            std::memchr(buffer + read.count, static_cast<unsigned char>(evtChar), static_cast<size_t>(n)) != nullptr;
        read.count += static_cast<uint32_t>(n);
        read.lastByte = std::chrono::steady_clock::now();
        if (read.count >= size)
            return ReadOutcome::Complete;
        if (sawEventChar)
            return ReadOutcome::EventChar;
        return m_readInterval.load() == MAXDWORD ? ReadOutcome::Complete : ReadOutcome::Pending;
    }
    if (n == 0) {
        // Nothing to read although the port said it was ready: the device has gone (an unplugged
        // USB adapter reads this way).
        read.error = EIO;
        return ReadOutcome::Failed;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
        if (!hangup)
            return ReadOutcome::Pending;
        read.error = EIO; // hung up with nothing left to read
        return ReadOutcome::Failed;
    }
    read.error = errno;
    return ReadOutcome::Failed;
}

bool CPosixPort::ServeRead(ReadOutcome outcome)
{
    uint32_t count = 0;
    switch (outcome) {
    case ReadOutcome::Pending:
        return true;
    case ReadOutcome::Complete:
        return CompleteRead(m_readBuffer, count) && StartRead(m_readBuffer, CComPort::ReadBufferSize);
    case ReadOutcome::EventChar:
        m_eventMask = EV_RXFLAG;
        return HandleCommEvent(false);
    case ReadOutcome::Failed:
        return CompleteRead(m_readBuffer, count);
    }
    return false;
}

bool CPosixPort::StartRead(uint8_t* buffer, uint32_t size)
{
    for (;;) {
        if (m_hShutdownEvent.IsSet() || !m_hShutdownEvent.IsCreated())
            return false;
        m_readOverlapped = ReadRecord{};
        const ReadOutcome outcome = ReadFromDevice(buffer, size, false);
        if (outcome == ReadOutcome::Pending)
            return true;
        if (outcome == ReadOutcome::Failed) {
            const int error = m_readOverlapped.error;
            m_readOverlapped = ReadRecord{};
            m_deviceGone = TRACE_PORT_CALL_GONE(static_cast<uint32_t>(error), "Unexpected ReadFile error: ", ReadInvalidHandleText);
            return false;
        }
        // Completed at once: delivered here and only here.
        const uint32_t count = m_readOverlapped.count;
        m_readOverlapped.count = 0;
        if (!m_owner.OnReceive(buffer, count))
            return false;
    }
}

bool CPosixPort::CompleteRead(uint8_t* buffer, uint32_t& count)
{
    count = m_readOverlapped.count;
    const int error = m_readOverlapped.error;
    m_readOverlapped = ReadRecord{};
    if (error == 0)
        return m_owner.OnReceive(buffer, count);
    // Bytes that came before the failure are still handed on.
    if (count != 0)
        (void)m_owner.OnReceive(buffer, count);
    m_deviceGone = TRACE_PORT_CALL_GONE(static_cast<uint32_t>(error), "Unexpected GetOverlappedResult Read Error: ", ReadResultInvalidHandleText);
    return false;
}

bool CPosixPort::WaitForCommEvent()
{
    for (;;) {
        if (m_hShutdownEvent.IsSet() || !m_hShutdownEvent.IsCreated())
            return false;
        uint32_t events = 0;
        if (!m_hCommFile->TakeEvents(events)) {
            const int error = errno;
            m_deviceGone = TRACE_PORT_CALL(static_cast<uint32_t>(error), "Unexpected WaitCommEvent error: ");
            return false;
        }
        if (events == 0)
            return true; // armed: the device's event descriptor wakes the reader
        TraceText("Event (Error) waiting before WaitCommEvent.\n");
        m_eventMask = events;
        if (!HandleCommEvent(false))
            return false;
    }
}

bool CPosixPort::HandleCommEvent(bool collectResult)
{
    if (collectResult) {
        uint32_t events = 0;
        if (!m_hCommFile->TakeEvents(events)) {
            const int error = errno;
            m_deviceGone = TRACE_PORT_CALL(static_cast<uint32_t>(error), "Unexpected GetOverlappedResult for WaitCommEvent: ");
            return false;
        }
        m_eventMask = events;
    }
    if (m_eventMask & EV_RXFLAG) {
        m_eventMask &= ~EV_RXFLAG;
        // The read that holds the event character ends here; one that has nothing yet stays
        // outstanding, so no byte is delivered twice or out of order.
        if (m_readOverlapped.count != 0) {
            uint32_t count = 0;
            if (!CompleteRead(m_readBuffer, count) || !StartRead(m_readBuffer, CComPort::ReadBufferSize))
                return false;
        }
    }
    const uint32_t mask = m_eventMask;
    m_eventMask = 0;
    return ServeLineEvents(mask);
}

// ---- writing ----

bool CPosixPort::WriteAll(const uint8_t* bytes, uint32_t count)
{
    ISerialDevice* device = m_hCommFile;
    uint32_t written = 0;
    uint32_t left = count;
    for (;;) {
        if (left == 0)
            return true;
        const ssize_t n = device->Write(bytes + written, left);
        if (n > 0) {
            written += static_cast<uint32_t>(n);
            left -= static_cast<uint32_t>(n);
            continue;
        }
        if (n == 0) {
            TraceNothingWritten();
            return false;
        }
        const int error = errno;
        if (error == EINTR)
            continue;
        if (error != EAGAIN && error != EWOULDBLOCK) {
            TRACE_WRITE_FAILURE(static_cast<uint32_t>(error), "Error to writing to CommFile");
            return false;
        }
        if (!WaitForRoom(device))
            return false;
    }
}

bool CPosixPort::WaitForRoom(ISerialDevice* device)
{
    // The device takes nothing now: wait for room or the shutdown event.
    pollfd fds[2] = {{m_hShutdownEvent.Fd(), POLLIN, 0}, {device->Fd(), POLLOUT, 0}};
    const int r = ::poll(fds, 2, -1);
    if (r < 0) {
        if (errno == EINTR)
            return true; // asked again
        TRACE_PORT_CALL(LastPortError(), "Write WAIT_FAILED: ");
        return false;
    }
    if (fds[0].revents != 0) {
        if (!(fds[0].revents & POLLIN))
            TraceUnexpectedWait(static_cast<unsigned long>(fds[0].revents));
        return false; // being stopped: nothing traced
    }
    if (fds[1].revents & GoneEvents) {
        TraceText(InvalidHandleText);
        return false;
    }
    if (!(fds[1].revents & POLLOUT)) {
        TraceUnexpectedWait(static_cast<unsigned long>(fds[1].revents) << 8);
        return false;
    }
    return true;
}
