// The POSIX back end of CComPort: the device is an ISerialDevice (termios), the reader sleeps in
// one poll on the device, its line-event descriptor and the shutdown event, with a time-out only
// while the read interval of a started read runs.
#include "serial/ComPort.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <unistd.h>

#include "diag/Trace.h"
#include "platform/Event.h"
#include "platform/Thread.h"

namespace {

constexpr uint32_t MAXDWORD = 0xFFFFFFFFu;
constexpr uint32_t CommEventMask = EV_RXFLAG | EV_RLSD | EV_ERR;
constexpr short GoneEvents = POLLHUP | POLLERR | POLLNVAL;

// The device has gone. The read calls have their own spellings of it, kept as traces have them.
const char* const InvalidHandleText = "ERROR_INVALID_HANDLE, Likely that the Service Provider has closed the port.\n";
const char* const ReadInvalidHandleText =
    "ERROR_INVALID_HANDLE, Likely that the service Provider has closed the port.\n";
const char* const ReadResultInvalidHandleText =
    "ERROR_INVALID_HANDLE, Likely that the Service Privider has closed the port.\n";

// Traces a failed device call: the invalid-handle text when the device has gone, else the error
// with the call's prefix. True when the device has gone.
bool TraceDeviceError(int error, const char* prefix, const char* goneText = InvalidHandleText)
{
    if (IsDeviceGone(error)) {
        TraceText(goneText);
        return true;
    }
    TRACE_LAST_ERROR(static_cast<uint32_t>(error), prefix);
    return false;
}

// Appends a name to the line-error description, joined by " and ".
void AppendErrorName(char* text, size_t size, const char* name)
{
    size_t used = std::strlen(text);
    if (used != 0)
        used += static_cast<size_t>(std::snprintf(text + used, size - used, " and "));
    if (used < size)
        std::snprintf(text + used, size - used, "%s", name);
}

} // namespace

struct CComPort::Impl {
    explicit Impl(CComPort& owner) : m_owner(owner) {}

    // The outstanding read: bytes gathered so far into m_readBuffer, when the last came, and the
    // error that ended it (0 for none).
    struct ReadRecord {
        uint32_t count = 0;
        std::chrono::steady_clock::time_point lastByte{};
        int error = 0;
    };
    enum class ReadOutcome { Pending, Complete, EventChar, Failed };

    bool Open(ISerialDevice* device);
    void Close();
    void StopReadThread();
    bool Write(const void* data, uint32_t count);
    bool GetCommState(CommState& state);
    bool SetCommState(const CommState& state);
    bool GetCommTimeouts(CommTimeouts& timeouts);
    bool SetCommTimeouts(const CommTimeouts& timeouts);

    void RunReader();
    bool StartRead(uint8_t* buffer, uint32_t size);
    bool CompleteRead(uint8_t* buffer, uint32_t& count);
    bool WaitForCommEvent();
    bool HandleCommEvent(bool collectResult);
    // One read from the device into the outstanding read; hangup: poll reported the device gone.
    ReadOutcome ReadFromDevice(uint8_t* buffer, uint32_t size, bool hangup);
    bool ServeRead(ReadOutcome outcome);
    // Nanoseconds until the read interval of the outstanding read runs out; -1 for no limit.
    int64_t ReadIntervalLeft() const;

    CComPort& m_owner;
    uint8_t m_readBuffer[ReadBufferSize];
    ReadRecord m_readOverlapped;
    ISerialDevice* m_hCommFile = nullptr;
    uint32_t m_eventMask = 0;
    // The reader ended because the device has gone (reader thread only).
    bool m_deviceGone = false;
    std::atomic<uint32_t> m_readThreadId{0};
    CThread m_hReadThread;
    CEvent m_hShutdownEvent;

    // Settings of ours the reader follows while it runs.
    std::atomic<char> m_evtChar{'\n'};
    std::atomic<bool> m_abortOnError{false};
    std::atomic<uint32_t> m_readInterval{20};
    std::mutex m_timeoutsLock;
    CommTimeouts m_timeouts;

    // Writers inside Write, so that Close does not close the device under them.
    std::mutex m_writeLock;
    std::condition_variable m_writersGone;
    int m_writers = 0;

    uint32_t m_stopTimeoutMs = 10000;
};

CComPort::CComPort() : m_impl(std::make_unique<Impl>(*this)) {}

CComPort::~CComPort()
{
    Close();
}

bool CComPort::IsOpen() const
{
    return m_impl->m_hCommFile != nullptr;
}

bool CComPort::Open(SerialDevice* device)
{
    return m_impl->Open(device);
}

void CComPort::Close()
{
    m_impl->Close();
}

void CComPort::StopReadThread()
{
    m_impl->StopReadThread();
}

void CComPort::SetStopTimeout(uint32_t timeoutMs)
{
    m_impl->m_stopTimeoutMs = timeoutMs;
}

bool CComPort::Write(const void* data, uint32_t count)
{
    return m_impl->Write(data, count);
}

bool CComPort::GetCommState(CommState& state)
{
    return m_impl->GetCommState(state);
}

bool CComPort::SetCommState(const CommState& state)
{
    return m_impl->SetCommState(state);
}

bool CComPort::GetCommTimeouts(CommTimeouts& timeouts)
{
    return m_impl->GetCommTimeouts(timeouts);
}

bool CComPort::SetCommTimeouts(const CommTimeouts& timeouts)
{
    return m_impl->SetCommTimeouts(timeouts);
}

bool CComPort::Impl::Open(ISerialDevice* device)
{
    if (device == nullptr || !device->IsTerminal()) {
        TraceText("File handle is not a comm handle.\n");
        return false;
    }
    if (m_hCommFile != nullptr) {
        TraceText("Already have a comm file open\n");
        return false;
    }
    {
        std::lock_guard<std::mutex> guard(m_writeLock);
        m_hCommFile = device;
    }

    // The line: raw, 9600 8N1, line feed as event character, reads ended by a 20 ms gap. A device
    // that refuses any of it keeps what it accepted, and the port goes on.
    CommState state;
    (void)device->GetLineSettings(state);
    (void)device->ConfigureLine();
    CommTimeouts timeouts;
    timeouts.readIntervalTimeout = 20;
    (void)SetCommTimeouts(timeouts);
    state.baudRate = 9600;
    state.byteSize = 8;
    state.parity = NOPARITY;
    state.stopBits = ONESTOPBIT;
    state.abortOnError = false;
    state.evtChar = '\n';
    (void)SetCommState(state);
    // What the modem said before we opened ("RING", "NO CARRIER" of an earlier call) is not for
    // this job: the reader starts on an empty receive queue.
    (void)device->DiscardInput();

    if (!m_hShutdownEvent.Create(true, false)) {
        TRACE_LAST_ERROR(static_cast<uint32_t>(errno), "Unable to CreateEvent: ");
        std::lock_guard<std::mutex> guard(m_writeLock);
        m_hCommFile = nullptr;
        return false;
    }
    m_readOverlapped = ReadRecord{};
    m_eventMask = 0;
    if (!m_hReadThread.Start([this] { (void)ReadThreadProc(&m_owner); }, ThreadPriority::Highest)) {
        TRACE_LAST_ERROR(static_cast<uint32_t>(errno), "Unable to create Read thread");
        m_readThreadId = 0;
        m_hShutdownEvent.Close();
        std::lock_guard<std::mutex> guard(m_writeLock);
        m_hCommFile = nullptr;
        return false;
    }
    return true;
}

void CComPort::Impl::Close()
{
    if (m_hCommFile == nullptr)
        return;
    TraceText("Stopping the Comm\n");
    StopReadThread();
    // A writer may still wait, also when the reader had already ended on its own: release it and
    // let it leave before the device goes.
    m_hShutdownEvent.Set();
    ISerialDevice* device = nullptr;
    {
        std::unique_lock<std::mutex> lock(m_writeLock);
        m_writersGone.wait(lock, [this] { return m_writers == 0; });
        device = m_hCommFile;
        m_hCommFile = nullptr;
    }
    (void)device->DiscardOutput();
    m_hShutdownEvent.Close();
    delete device; // closing drops DTR: the modem hangs up
}

void CComPort::Impl::StopReadThread()
{
    if (!m_hReadThread.IsStarted() || m_hReadThread.IsCurrentThread())
        return;
    if (m_hReadThread.HasEnded()) {
        // It ended by itself after a failure: only its handle is left to release.
        m_hReadThread.Join();
        return;
    }
    TraceText("Closing Read Thread\n");
    m_hShutdownEvent.Set();
    (void)m_hCommFile->DiscardInput();
    if (!m_hReadThread.WaitForEnd(m_stopTimeoutMs)) {
        // A thread cannot be ended safely from outside: it is woken and will end at its next
        // check of the shutdown event; the object stays alive until it has.
        TraceText("Read thread not exiting. Terminating it.\n");
    }
    m_hReadThread.Join();
    m_readThreadId = 0;
}

bool CComPort::Impl::GetCommState(CommState& state)
{
    if (m_hCommFile == nullptr) {
        errno = EBADF;
        return false;
    }
    if (!m_hCommFile->GetLineSettings(state))
        return false;
    state.evtChar = m_evtChar.load();
    state.abortOnError = m_abortOnError.load();
    return true;
}

bool CComPort::Impl::SetCommState(const CommState& state)
{
    if (m_hCommFile == nullptr) {
        errno = EBADF;
        return false;
    }
    m_evtChar = state.evtChar;
    m_abortOnError = state.abortOnError;
    return m_hCommFile->SetLineSettings(state);
}

bool CComPort::Impl::GetCommTimeouts(CommTimeouts& timeouts)
{
    if (m_hCommFile == nullptr) {
        errno = EBADF;
        return false;
    }
    std::lock_guard<std::mutex> guard(m_timeoutsLock);
    timeouts = m_timeouts;
    return true;
}

bool CComPort::Impl::SetCommTimeouts(const CommTimeouts& timeouts)
{
    if (m_hCommFile == nullptr) {
        errno = EBADF;
        return false;
    }
    std::lock_guard<std::mutex> guard(m_timeoutsLock);
    m_timeouts = timeouts;
    m_readInterval = timeouts.readIntervalTimeout;
    return true;
}

// ---- reader thread ----

uint32_t CComPort::ReadThreadProc(void* param)
{
    if (param == nullptr)
        return 0;
    static_cast<CComPort*>(param)->m_impl->RunReader();
    return 0;
}

void CComPort::Impl::RunReader()
{
    m_readThreadId = static_cast<uint32_t>(::gettid());
    ISerialDevice* device = m_hCommFile;
    m_deviceGone = false;
    if (!device->SetEventMask(CommEventMask)) {
        TRACE_LAST_ERROR(static_cast<uint32_t>(errno), "Unable to SetCommMask: ");
    } else if (WaitForCommEvent() && StartRead(m_readBuffer, ReadBufferSize)) {
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
                TRACE_LAST_ERROR(static_cast<uint32_t>(errno), "Read WAIT_FAILED: ");
                break;
            }
            if (fds[0].revents != 0) {
                if (!(fds[0].revents & POLLIN))
                    TracePrintf("Unexpected Wait return value '%lx'", static_cast<unsigned long>(fds[0].revents));
                break;
            }
            if (fds[1].revents != 0) {
                if (!(fds[1].revents & POLLIN)) {
                    TracePrintf("Unexpected Wait return value '%lx'", static_cast<unsigned long>(fds[1].revents) << 8);
                    break;
                }
                if (!HandleCommEvent(true) || !WaitForCommEvent())
                    break;
                continue;
            }
            if (fds[2].revents != 0) {
                if (!ServeRead(ReadFromDevice(m_readBuffer, ReadBufferSize, (fds[2].revents & GoneEvents) != 0)))
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

int64_t CComPort::Impl::ReadIntervalLeft() const
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

CComPort::Impl::ReadOutcome CComPort::Impl::ReadFromDevice(uint8_t* buffer, uint32_t size, bool hangup)
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

bool CComPort::Impl::ServeRead(ReadOutcome outcome)
{
    uint32_t count = 0;
    switch (outcome) {
    case ReadOutcome::Pending:
        return true;
    case ReadOutcome::Complete:
        return CompleteRead(m_readBuffer, count) && StartRead(m_readBuffer, ReadBufferSize);
    case ReadOutcome::EventChar:
        m_eventMask = EV_RXFLAG;
        return HandleCommEvent(false);
    case ReadOutcome::Failed:
        return CompleteRead(m_readBuffer, count);
    }
    return false;
}

bool CComPort::Impl::StartRead(uint8_t* buffer, uint32_t size)
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
            m_deviceGone = TraceDeviceError(error, "Unexpected ReadFile error: ", ReadInvalidHandleText);
            return false;
        }
        // Completed at once: delivered here and only here.
        const uint32_t count = m_readOverlapped.count;
        m_readOverlapped.count = 0;
        if (!m_owner.OnReceive(buffer, count))
            return false;
    }
}

bool CComPort::Impl::CompleteRead(uint8_t* buffer, uint32_t& count)
{
    count = m_readOverlapped.count;
    const int error = m_readOverlapped.error;
    m_readOverlapped = ReadRecord{};
    if (error == 0)
        return m_owner.OnReceive(buffer, count);
    // Bytes that came before the failure are still handed on.
    if (count != 0)
        (void)m_owner.OnReceive(buffer, count);
    m_deviceGone = TraceDeviceError(error, "Unexpected GetOverlappedResult Read Error: ", ReadResultInvalidHandleText);
    return false;
}

bool CComPort::Impl::WaitForCommEvent()
{
    for (;;) {
        if (m_hShutdownEvent.IsSet() || !m_hShutdownEvent.IsCreated())
            return false;
        uint32_t events = 0;
        if (!m_hCommFile->TakeEvents(events)) {
            const int error = errno;
            m_deviceGone = TraceDeviceError(error, "Unexpected WaitCommEvent error: ");
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

bool CComPort::Impl::HandleCommEvent(bool collectResult)
{
    if (collectResult) {
        uint32_t events = 0;
        if (!m_hCommFile->TakeEvents(events)) {
            const int error = errno;
            m_deviceGone = TraceDeviceError(error, "Unexpected GetOverlappedResult for WaitCommEvent: ");
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
            if (!CompleteRead(m_readBuffer, count) || !StartRead(m_readBuffer, ReadBufferSize))
                return false;
        }
    }
    if (m_eventMask & EV_RLSD) {
        m_eventMask &= ~EV_RLSD;
        m_owner.OnCarrierChange();
    }
    if (m_eventMask & EV_ERR) {
        uint32_t errors = 0;
        if (!m_hCommFile->ClearErrors(errors)) {
            const int error = errno;
            m_deviceGone = TraceDeviceError(error, "ClearCommError: ");
            return false;
        }
        m_eventMask = 0;
        char text[128] = "";
        if (errors == 0)
            AppendErrorName(text, sizeof text, "NULL ERROR");
        if (errors & CE_FRAME)
            AppendErrorName(text, sizeof text, "CE_FRAME");
        if (errors & CE_OVERRUN)
            AppendErrorName(text, sizeof text, "CE_OVERRUN");
        if (errors & CE_RXPARITY)
            AppendErrorName(text, sizeof text, "CE_RXPARITY");
        if (errors & 0xFFFFFFF1u)
            AppendErrorName(text, sizeof text, "EV_ERR Unknown EvtMask");
        TracePrintf("%s", text);
        return true;
    }
    if (m_eventMask == 0)
        return true;
    TracePrintf("Unexpected comm event %lx", static_cast<unsigned long>(m_eventMask));
    return false;
}

// ---- writing ----

bool CComPort::Impl::Write(const void* data, uint32_t count)
{
    if (count == 0)
        return true;
    ISerialDevice* device = nullptr;
    {
        std::lock_guard<std::mutex> guard(m_writeLock);
        device = m_hCommFile;
        if (device != nullptr)
            ++m_writers;
    }
    if (device == nullptr) {
        TraceText(InvalidHandleText);
        return false;
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    uint32_t written = 0;
    uint32_t left = count;
    bool ok = true;
    while (ok && left != 0) {
        const ssize_t n = device->Write(bytes + written, left);
        if (n > 0) {
            written += static_cast<uint32_t>(n);
            left -= static_cast<uint32_t>(n);
            continue;
        }
        if (n == 0) {
            // Nothing taken and no error: asking again would loop without end.
            TraceText("Write completed with no byte written\n");
            TraceText("Closing port\n");
            ok = false;
            break;
        }
        const int error = errno;
        if (error == EINTR)
            continue;
        if (error != EAGAIN && error != EWOULDBLOCK) {
            if (!TraceDeviceError(error, "Error to writing to CommFile"))
                TraceText("Closing port\n");
            ok = false;
            break;
        }
        // The device takes nothing now: wait for room or the shutdown event.
        pollfd fds[2] = {{m_hShutdownEvent.Fd(), POLLIN, 0}, {device->Fd(), POLLOUT, 0}};
        const int r = ::poll(fds, 2, -1);
        if (r < 0) {
            if (errno == EINTR)
                continue;
            TRACE_LAST_ERROR(static_cast<uint32_t>(errno), "Write WAIT_FAILED: ");
            ok = false;
        } else if (fds[0].revents != 0) {
            if (!(fds[0].revents & POLLIN))
                TracePrintf("Unexpected Wait return value '%lx'", static_cast<unsigned long>(fds[0].revents));
            ok = false; // being stopped: nothing traced
        } else if (fds[1].revents & GoneEvents) {
            TraceText(InvalidHandleText);
            ok = false;
        } else if (!(fds[1].revents & POLLOUT)) {
            TracePrintf("Unexpected Wait return value '%lx'", static_cast<unsigned long>(fds[1].revents) << 8);
            ok = false;
        }
    }
    {
        std::lock_guard<std::mutex> guard(m_writeLock);
        --m_writers;
    }
    m_writersGone.notify_all();
    return ok;
}
