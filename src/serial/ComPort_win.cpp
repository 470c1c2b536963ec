// The Win32 back end of CComPort: the device is opened for overlapped I/O; the reader thread keeps
// one ReadFile and one WaitCommEvent outstanding and sleeps in WaitForMultipleObjects on the
// shutdown event, the line-event record and the read record; writes wait on the shutdown event and
// the write record. Every call on the device goes through the device's table (WinCommApi.h).
//
// Ports without line events: where WaitCommEvent answers ERROR_NOT_SUPPORTED (virtual COM
// drivers, Bluetooth serial, Wine on a pseudo-terminal) or its waits keep ending aborted or empty,
// the reader says so once and goes on with overlapped reads alone: the read interval ends each
// read, the modem-status lines are compared after each read for carrier changes and
// ClearCommError is asked for line errors. Modem-status and DTR calls a device does not support
// are traced, never fatal.
#include "serial/ComPort.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "diag/Trace.h"
#include "serial/WinCommApi.h"

namespace {

constexpr DWORD CommEventMask = EV_RXFLAG | EV_RLSD | EV_ERR;
// Event waits in a row that end aborted or with nothing in them before the port is taken for one
// without line events (Wine ends each wait this way 5 to 16 ms after it is armed).
constexpr int EmptyEventLimit = 3;
// How long the ending reader waits for its cancelled operations to finish.
constexpr DWORD CancelWaitMs = 2000;

const char* const InvalidHandleText = "ERROR_INVALID_HANDLE, Likely that the Service Provider has closed the port.\n";
const char* const ReadInvalidHandleText =
    "ERROR_INVALID_HANDLE, Likely that the service Provider has closed the port.\n";
const char* const ReadResultInvalidHandleText =
    "ERROR_INVALID_HANDLE, Likely that the Service Privider has closed the port.\n";

// Traces a failed device call: the invalid-handle text for ERROR_INVALID_HANDLE, else the error
// with the call's prefix. True when the device has gone.
bool TraceDeviceError(DWORD error, const char* prefix, const char* invalidText = InvalidHandleText)
{
    if (error == ERROR_INVALID_HANDLE)
        TraceText(invalidText);
    else
        TRACE_LAST_ERROR(error, prefix);
    return IsDeviceGone(error);
}

void AppendErrorName(char* text, size_t size, const char* name)
{
    size_t used = std::strlen(text);
    if (used != 0)
        used += static_cast<size_t>(std::snprintf(text + used, size - used, " and "));
    if (used < size)
        std::snprintf(text + used, size - used, "%s", name);
}

// The description of line error bits, as traced for a line error.
void TraceLineErrors(DWORD errors)
{
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
}

} // namespace

struct CComPort::Impl {
    explicit Impl(CComPort& owner) : m_owner(owner) {}

    bool Open(CWinSerialDevice* device);
    void Close();
    void StopReadThread();
    bool Write(const void* data, uint32_t count);
    bool GetCommState(CommState& state);
    bool SetCommState(const CommState& state);
    bool GetCommTimeouts(CommTimeouts& timeouts);
    bool SetCommTimeouts(const CommTimeouts& timeouts);

    static DWORD WINAPI ThreadEntry(LPVOID param) { return CComPort::ReadThreadProc(param); }
    void RunReader();
    bool StartRead(uint8_t* buffer, DWORD size);
    // Collects the outstanding read and delivers it; one that has not completed after all stays
    // outstanding (m_readPending).
    bool CompleteRead(uint8_t* buffer, DWORD& count);
    bool WaitForCommEvent();
    bool HandleCommEvent(OVERLAPPED* record, bool collectResult);
    // An event wait that ended aborted or empty; true while the port still counts as having events.
    void NoteEmptyEvent();
    void FallBackToReads(const char* why);
    // Without line events: carrier and line errors as the device reports them after each read.
    void LookAtLine();
    void EndOutstanding(OVERLAPPED& record, bool& pending);
    bool Deliver(uint8_t* buffer, DWORD count);
    bool ShutdownSignalled() const { return ::WaitForSingleObject(m_hShutdownEvent, 0) != WAIT_TIMEOUT; }

    CComPort& m_owner;
    uint8_t m_readBuffer[ReadBufferSize];
    OVERLAPPED m_readOverlapped{};
    OVERLAPPED m_writeOverlapped{};
    OVERLAPPED m_eventOverlapped{};
    HANDLE m_hCommFile = nullptr;
    CWinSerialDevice* m_device = nullptr;
    IWinCommApi* m_api = nullptr;
    DWORD m_eventMask = 0;
    std::atomic<DWORD> m_readThreadId{0};
    HANDLE m_hReadThread = nullptr;
    HANDLE m_hShutdownEvent = nullptr;

    // Reader thread only.
    bool m_readPending = false;
    bool m_eventPending = false;
    bool m_lineEvents = true;   // the device reports line events through WaitCommEvent
    int m_emptyEvents = 0;
    bool m_watchCarrier = false; // without line events: GetCommModemStatus works
    bool m_carrier = false;
    bool m_deviceGone = false;

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

// ---- open and close ----

bool CComPort::Impl::Open(CWinSerialDevice* device)
{
    if (device == nullptr || device->Api().GetFileType(device->Handle()) != FILE_TYPE_CHAR) {
        TraceText("File handle is not a comm handle.\n");
        ::SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (m_hCommFile != nullptr) {
        TraceText("Already have a comm file open\n");
        ::SetLastError(ERROR_BUSY);
        return false;
    }
    {
        std::lock_guard<std::mutex> guard(m_writeLock);
        m_device = device;
        m_api = &device->Api();
        m_hCommFile = device->Handle();
    }
    auto forget = [this] {
        std::lock_guard<std::mutex> guard(m_writeLock);
        m_hCommFile = nullptr;
        m_device = nullptr;
        m_api = nullptr;
    };

    // 9600 8N1, no abort on line errors, line feed as event character, reads ended by a 20 ms gap
    // and never by time; everything else as the device has it. A device that refuses any of it
    // keeps what it accepted, and the port goes on.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    (void)m_api->GetCommState(m_hCommFile, &dcb);
    COMMTIMEOUTS timeouts{};
    (void)m_api->GetCommTimeouts(m_hCommFile, &timeouts);
    timeouts.ReadIntervalTimeout = 20;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = 0;
    (void)m_api->SetCommTimeouts(m_hCommFile, &timeouts);
    dcb.BaudRate = 9600;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fAbortOnError = 0;
    dcb.EvtChar = 0x0A;
    (void)m_api->SetCommState(m_hCommFile, &dcb);
    // What the modem said before we opened ("RING", "NO CARRIER" of an earlier call) is not for
    // this job: the reader starts on an empty receive queue.
    (void)m_api->PurgeComm(m_hCommFile, PURGE_RXCLEAR);

    m_hShutdownEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (m_hShutdownEvent == nullptr) {
        TRACE_LAST_ERROR(::GetLastError(), "Unable to CreateEvent: ");
        forget();
        return false;
    }
    m_writeOverlapped = OVERLAPPED{};
    m_writeOverlapped.hEvent = ::CreateEventA(nullptr, TRUE, TRUE, nullptr);
    if (m_writeOverlapped.hEvent == nullptr) {
        TRACE_LAST_ERROR(::GetLastError(), "Unable to CreateEvent: ");
        ::CloseHandle(m_hShutdownEvent);
        m_hShutdownEvent = nullptr;
        forget();
        return false;
    }
    DWORD threadId = 0;
    m_hReadThread = ::CreateThread(nullptr, 0, ThreadEntry, &m_owner, 0, &threadId);
    if (m_hReadThread == nullptr) {
        const DWORD error = ::GetLastError();
        TRACE_LAST_ERROR(error, "Unable to create Read thread");
        m_readThreadId = 0;
        ::CloseHandle(m_writeOverlapped.hEvent);
        m_writeOverlapped.hEvent = nullptr;
        ::CloseHandle(m_hShutdownEvent);
        m_hShutdownEvent = nullptr;
        forget();
        ::SetLastError(error);
        return false;
    }
    m_readThreadId = threadId;
    (void)::SetThreadPriority(m_hReadThread, THREAD_PRIORITY_HIGHEST);
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
    ::SetEvent(m_hShutdownEvent);
    CWinSerialDevice* device = nullptr;
    {
        std::unique_lock<std::mutex> lock(m_writeLock);
        m_writersGone.wait(lock, [this] { return m_writers == 0; });
        device = m_device;
        m_device = nullptr;
        m_hCommFile = nullptr;
    }
    IWinCommApi& api = device->Api();
    (void)api.PurgeComm(device->Handle(), PURGE_TXABORT | PURGE_TXCLEAR);
    // The modem hangs up when DTR drops; closing drops it too where the driver does so.
    if (!api.EscapeCommFunction(device->Handle(), CLRDTR))
        TRACE_LAST_ERROR(::GetLastError(), "EscapeCommFunction(CLRDTR): ");
    m_api = nullptr;
    ::CloseHandle(m_hShutdownEvent);
    m_hShutdownEvent = nullptr;
    ::CloseHandle(m_writeOverlapped.hEvent);
    m_writeOverlapped.hEvent = nullptr;
    delete device; // CancelIo, then CloseHandle
}

void CComPort::Impl::StopReadThread()
{
    if (m_hReadThread == nullptr || ::GetCurrentThreadId() == m_readThreadId)
        return;
    if (::WaitForSingleObject(m_hReadThread, 0) == WAIT_OBJECT_0) {
        // It ended by itself after a failure: only its handle is left to release.
        ::CloseHandle(m_hReadThread);
        m_hReadThread = nullptr;
        m_readThreadId = 0;
        return;
    }
    TraceText("Closing Read Thread\n");
    ::SetEvent(m_hShutdownEvent);
    (void)m_api->PurgeComm(m_hCommFile, PURGE_RXABORT | PURGE_RXCLEAR);
    if (::WaitForSingleObject(m_hReadThread, m_stopTimeoutMs) != WAIT_OBJECT_0) {
        // Ending a thread by force could leave a lock of the owner's held for ever: it has been
        // woken and ends at its next check of the shutdown event, and the object waits for that.
        TraceText("Read thread not exiting. Terminating it.\n");
        (void)::WaitForSingleObject(m_hReadThread, INFINITE);
    }
    ::CloseHandle(m_hReadThread);
    m_hReadThread = nullptr;
    m_readThreadId = 0;
}

// ---- settings ----

bool CComPort::Impl::GetCommState(CommState& state)
{
    if (m_hCommFile == nullptr) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!m_api->GetCommState(m_hCommFile, &dcb))
        return false;
    state.baudRate = dcb.BaudRate;
    state.byteSize = dcb.ByteSize;
    state.parity = dcb.Parity;
    state.stopBits = dcb.StopBits;
    state.abortOnError = dcb.fAbortOnError != 0;
    state.evtChar = dcb.EvtChar;
    return true;
}

bool CComPort::Impl::SetCommState(const CommState& state)
{
    if (m_hCommFile == nullptr) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!m_api->GetCommState(m_hCommFile, &dcb))
        return false;
    dcb.BaudRate = state.baudRate;
    dcb.ByteSize = state.byteSize;
    dcb.Parity = state.parity;
    dcb.StopBits = state.stopBits;
    dcb.fAbortOnError = state.abortOnError ? 1 : 0;
    dcb.EvtChar = state.evtChar;
    return m_api->SetCommState(m_hCommFile, &dcb) != FALSE;
}

bool CComPort::Impl::GetCommTimeouts(CommTimeouts& timeouts)
{
    if (m_hCommFile == nullptr) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    COMMTIMEOUTS t{};
    if (!m_api->GetCommTimeouts(m_hCommFile, &t))
        return false;
    timeouts.readIntervalTimeout = t.ReadIntervalTimeout;
    timeouts.readTotalTimeoutMultiplier = t.ReadTotalTimeoutMultiplier;
    timeouts.readTotalTimeoutConstant = t.ReadTotalTimeoutConstant;
    timeouts.writeTotalTimeoutMultiplier = t.WriteTotalTimeoutMultiplier;
    timeouts.writeTotalTimeoutConstant = t.WriteTotalTimeoutConstant;
    return true;
}

bool CComPort::Impl::SetCommTimeouts(const CommTimeouts& timeouts)
{
    if (m_hCommFile == nullptr) {
        ::SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    COMMTIMEOUTS t{};
    t.ReadIntervalTimeout = timeouts.readIntervalTimeout;
    t.ReadTotalTimeoutMultiplier = timeouts.readTotalTimeoutMultiplier;
    t.ReadTotalTimeoutConstant = timeouts.readTotalTimeoutConstant;
    t.WriteTotalTimeoutMultiplier = timeouts.writeTotalTimeoutMultiplier;
    t.WriteTotalTimeoutConstant = timeouts.writeTotalTimeoutConstant;
    return m_api->SetCommTimeouts(m_hCommFile, &t) != FALSE;
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
    m_deviceGone = false;
    m_readPending = m_eventPending = false;
    m_lineEvents = true;
    m_emptyEvents = 0;
    m_readOverlapped = OVERLAPPED{};
    m_eventOverlapped = OVERLAPPED{};
    m_readOverlapped.hEvent = ::CreateEventA(nullptr, TRUE, TRUE, nullptr);
    m_eventOverlapped.hEvent = ::CreateEventA(nullptr, TRUE, TRUE, nullptr);
    if (m_readOverlapped.hEvent == nullptr || m_eventOverlapped.hEvent == nullptr) {
        TRACE_LAST_ERROR(::GetLastError(), "Unable to CreateEvent: ");
    } else if (!m_api->SetCommMask(m_hCommFile, CommEventMask)) {
        TRACE_LAST_ERROR(::GetLastError(), "Unable to SetCommMask: ");
    } else if (WaitForCommEvent() && StartRead(m_readBuffer, ReadBufferSize)) {
        for (;;) {
            // Position 0 the shutdown event, 1 the line events, 2 the read; the lowest is served
            // first. Without line events the read is position 1.
            const HANDLE handles[3] = {m_hShutdownEvent, m_eventOverlapped.hEvent, m_readOverlapped.hEvent};
            const HANDLE readOnly[2] = {m_hShutdownEvent, m_readOverlapped.hEvent};
            const bool events = m_lineEvents;
            const DWORD result = events ? ::WaitForMultipleObjects(3, handles, FALSE, INFINITE)
                                        : ::WaitForMultipleObjects(2, readOnly, FALSE, INFINITE);
            const DWORD readPosition = events ? WAIT_OBJECT_0 + 2 : WAIT_OBJECT_0 + 1;
            if (result == WAIT_OBJECT_0)
                break;
            if (events && result == WAIT_OBJECT_0 + 1) {
                if (!HandleCommEvent(&m_eventOverlapped, true) || !WaitForCommEvent())
                    break;
                continue;
            }
            if (result == readPosition) {
                DWORD count = 0;
                if (!CompleteRead(m_readBuffer, count))
                    break;
                if (!m_readPending && !StartRead(m_readBuffer, ReadBufferSize))
                    break;
                continue;
            }
            if (result == WAIT_FAILED)
                TRACE_LAST_ERROR(::GetLastError(), "Read WAIT_FAILED: ");
            else
                TracePrintf("Unexpected Wait return value '%lx'", static_cast<unsigned long>(result));
            break;
        }
    }
    TraceText("Read thread shutting down\n");
    (void)m_api->PurgeComm(m_hCommFile, PURGE_RXABORT | PURGE_RXCLEAR);
    // Not every driver cancels a read on PurgeComm (Wine does not): this thread's own operations
    // are cancelled and waited for, so that no completion touches the records or the buffer after
    // their events are gone.
    if (m_readPending || m_eventPending)
        (void)m_api->CancelIo(m_hCommFile);
    EndOutstanding(m_readOverlapped, m_readPending);
    EndOutstanding(m_eventOverlapped, m_eventPending);
    // The owner hears of a vanished device now, not at its next write; a stop it asked for itself
    // is no news to it.
    if (m_deviceGone && !ShutdownSignalled())
        m_owner.OnDeviceGone();
    m_readThreadId = 0;
}

void CComPort::Impl::EndOutstanding(OVERLAPPED& record, bool& pending)
{
    if (record.hEvent == nullptr)
        return;
    if (pending) {
        DWORD count = 0;
        if (::WaitForSingleObject(record.hEvent, CancelWaitMs) != WAIT_OBJECT_0) {
            // The driver has not let go of it: the event stays, as the record does with the object.
            TraceText("An outstanding operation did not end when cancelled\n");
            pending = false;
            record.hEvent = nullptr;
            return;
        }
        (void)m_api->GetOverlappedResult(m_hCommFile, &record, &count, FALSE);
        pending = false;
    }
    ::CloseHandle(record.hEvent);
    record.hEvent = nullptr;
}

bool CComPort::Impl::Deliver(uint8_t* buffer, DWORD count)
{
    if (!m_owner.OnReceive(buffer, count))
        return false;
    if (!m_lineEvents)
        LookAtLine();
    return true;
}

bool CComPort::Impl::StartRead(uint8_t* buffer, DWORD size)
{
    for (;;) {
        if (ShutdownSignalled())
            return false;
        DWORD count = 0;
        if (m_api->ReadFile(m_hCommFile, buffer, size, &count, &m_readOverlapped)) {
            // Completed at once: delivered here and only here.
            if (!Deliver(buffer, count))
                return false;
            continue;
        }
        const DWORD error = ::GetLastError();
        if (error == ERROR_IO_PENDING) {
            m_readPending = true;
            return true;
        }
        m_deviceGone = TraceDeviceError(error, "Unexpected ReadFile error: ", ReadInvalidHandleText);
        return false;
    }
}

bool CComPort::Impl::CompleteRead(uint8_t* buffer, DWORD& count)
{
    count = 0;
    m_readPending = false;
    if (m_api->GetOverlappedResult(m_hCommFile, &m_readOverlapped, &count, FALSE))
        return Deliver(buffer, count);
    const DWORD error = ::GetLastError();
    if (error == ERROR_IO_INCOMPLETE) {
        // Woken before the read was done (a device that signals early): it stays outstanding.
        m_readPending = true;
        return true;
    }
    m_deviceGone =
        TraceDeviceError(error, "Unexpected GetOverlappedResult Read Error: ", ReadResultInvalidHandleText);
    return false;
}

bool CComPort::Impl::WaitForCommEvent()
{
    for (;;) {
        if (ShutdownSignalled())
            return false;
        if (!m_lineEvents)
            return true; // nothing to arm: the read alone is waited for
        m_eventMask = 0;
        if (m_api->WaitCommEvent(m_hCommFile, &m_eventMask, &m_eventOverlapped)) {
            TraceText("Event (Error) waiting before WaitCommEvent.\n");
            if (!HandleCommEvent(nullptr, false))
                return false;
            continue;
        }
        const DWORD error = ::GetLastError();
        if (error == ERROR_IO_PENDING) {
            m_eventPending = true;
            return true;
        }
        if (error == ERROR_NOT_SUPPORTED) {
            FallBackToReads("WaitCommEvent is not supported");
            return true;
        }
        m_deviceGone = TraceDeviceError(error, "Unexpected WaitCommEvent error: ");
        return false;
    }
}

void CComPort::Impl::NoteEmptyEvent()
{
    if (++m_emptyEvents >= EmptyEventLimit)
        FallBackToReads("WaitCommEvent keeps ending without an event");
}

void CComPort::Impl::FallBackToReads(const char* why)
{
    if (!m_lineEvents)
        return;
    m_lineEvents = false;
    TracePrintf("%s on this port: reading with the read interval alone, no line events\n", why);
    DWORD status = 0;
    m_watchCarrier = m_api->GetCommModemStatus(m_hCommFile, &status) != FALSE;
    if (m_watchCarrier)
        m_carrier = (status & MS_RLSD_ON) != 0;
    else
        TRACE_LAST_ERROR(::GetLastError(), "GetCommModemStatus: ");
}

void CComPort::Impl::LookAtLine()
{
    if (m_watchCarrier) {
        DWORD status = 0;
        if (m_api->GetCommModemStatus(m_hCommFile, &status)) {
            const bool carrier = (status & MS_RLSD_ON) != 0;
            if (carrier != m_carrier) {
                m_carrier = carrier;
                m_owner.OnCarrierChange();
            }
        }
    }
    DWORD errors = 0;
    if (m_api->ClearCommError(m_hCommFile, &errors, nullptr) && errors != 0)
        TraceLineErrors(errors);
}

bool CComPort::Impl::HandleCommEvent(OVERLAPPED* record, bool collectResult)
{
    if (collectResult) {
        DWORD count = 0;
        m_eventPending = false;
        if (!m_api->GetOverlappedResult(m_hCommFile, record, &count, FALSE)) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_OPERATION_ABORTED) {
                NoteEmptyEvent();
                return true;
            }
            m_deviceGone = TraceDeviceError(error, "Unexpected GetOverlappedResult for WaitCommEvent: ");
            return false;
        }
    }
    if (m_eventMask == 0) {
        NoteEmptyEvent();
        return true;
    }
    m_emptyEvents = 0;
    if (m_eventMask & EV_RXFLAG) {
        m_eventMask &= ~static_cast<DWORD>(EV_RXFLAG);
        // The read that holds the event character is delivered now; one that has not completed
        // stays outstanding, so no byte is delivered twice or out of order.
        DWORD count = 0;
        if (m_api->GetOverlappedResult(m_hCommFile, &m_readOverlapped, &count, FALSE)) {
            m_readPending = false;
            if (!m_owner.OnReceive(m_readBuffer, count) || !StartRead(m_readBuffer, ReadBufferSize))
                return false;
        } else {
            const DWORD error = ::GetLastError();
            if (error != ERROR_IO_INCOMPLETE) {
                m_readPending = false;
                m_deviceGone = TraceDeviceError(error, "Unexpected GetOverlappedResult for WaitReadEvent: ");
                return false;
            }
        }
    }
    if (m_eventMask & EV_RLSD) {
        m_eventMask &= ~static_cast<DWORD>(EV_RLSD);
        m_owner.OnCarrierChange();
    }
    if (m_eventMask & EV_ERR) {
        DWORD errors = 0;
        if (!m_api->ClearCommError(m_hCommFile, &errors, nullptr)) {
            m_deviceGone = TraceDeviceError(::GetLastError(), "ClearCommError: ");
            return false;
        }
        m_eventMask = 0;
        TraceLineErrors(errors);
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
    HANDLE file = nullptr;
    IWinCommApi* api = nullptr;
    {
        std::lock_guard<std::mutex> guard(m_writeLock);
        file = m_hCommFile;
        api = m_api;
        if (file != nullptr)
            ++m_writers;
    }
    if (file == nullptr) {
        TraceText(InvalidHandleText);
        return false;
    }
    const HANDLE waits[2] = {m_hShutdownEvent, m_writeOverlapped.hEvent};
    const auto* bytes = static_cast<const uint8_t*>(data);
    DWORD written = 0;
    DWORD left = count;
    bool ok = true;
    while (ok && left != 0) {
        DWORD n = 0;
        if (!api->WriteFile(file, bytes + written, left, &n, &m_writeOverlapped)) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_INVALID_HANDLE) {
                TraceText(InvalidHandleText);
                ok = false;
                break;
            }
            if (error != ERROR_IO_PENDING) {
                TRACE_LAST_ERROR(error, "Error to writing to CommFile");
                TraceText("Closing port\n");
                ok = false;
                break;
            }
            const DWORD result = ::WaitForMultipleObjects(2, waits, FALSE, INFINITE);
            if (result == WAIT_OBJECT_0) {
                // Being stopped: nothing traced. The write is this thread's own, and the caller's
                // bytes must not be read after we return: cancel it and let it end.
                (void)api->CancelIo(file);
                if (::WaitForSingleObject(m_writeOverlapped.hEvent, CancelWaitMs) == WAIT_OBJECT_0)
                    (void)api->GetOverlappedResult(file, &m_writeOverlapped, &n, FALSE);
                ok = false;
                break;
            }
            if (result == WAIT_OBJECT_0 + 1) {
                if (!api->GetOverlappedResult(file, &m_writeOverlapped, &n, TRUE)) {
                    const DWORD failure = ::GetLastError();
                    if (failure == ERROR_INVALID_HANDLE) {
                        TraceText(InvalidHandleText);
                    } else {
                        TRACE_LAST_ERROR(failure, "Error writing to CommFile while waiting");
                        TraceText("Closing port\n");
                    }
                    ok = false;
                    break;
                }
            } else if (result == WAIT_FAILED) {
                TRACE_LAST_ERROR(::GetLastError(), "Write WAIT_FAILED: ");
                ok = false;
                break;
            } else {
                TracePrintf("Unexpected Wait return value '%lx'", static_cast<unsigned long>(result));
                ok = false;
                break;
            }
        }
        if (n == 0) {
            // Nothing taken and no error: asking again would loop without end.
            TraceText("Write completed with no byte written\n");
            TraceText("Closing port\n");
            ok = false;
            break;
        }
        written += n;
        left -= std::min(n, left);
    }
    {
        std::lock_guard<std::mutex> guard(m_writeLock);
        --m_writers;
    }
    m_writersGone.notify_all();
    return ok;
}
