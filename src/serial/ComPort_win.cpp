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

#include "diag/Trace.h"
#include "serial/ComPortImpl.h"
#include "serial/WinCommApi.h"

namespace {

constexpr DWORD CommEventMask = EV_RXFLAG | EV_RLSD | EV_ERR;
// Event waits in a row that end aborted or with nothing in them before the port is taken for one
// without line events (Wine ends each wait this way 5 to 16 ms after it is armed).
constexpr int EmptyEventLimit = 3;
// How long the ending reader waits for its cancelled operations to finish.
constexpr DWORD CancelWaitMs = 2000;

class CWinPort final : public CComPort::Impl {
public:
    explicit CWinPort(CComPort& owner) : Impl(owner) {}

    bool HoldsDevice() const override { return m_hCommFile != nullptr; }
    bool IsCommDevice(SerialDevice* device) const override
    {
        return device->Api().GetFileType(device->Handle()) == FILE_TYPE_CHAR;
    }
    void AttachDevice(SerialDevice* device) override
    {
        m_device = device;
        m_api = &device->Api();
        m_hCommFile = device->Handle();
    }
    void DetachDevice() override
    {
        m_closing = m_device;
        m_hCommFile = nullptr;
        m_device = nullptr;
    }
    void ConfigureLine() override;
    bool StartReader() override;
    void CloseDetached() override;
    void SignalShutdown() override { ::SetEvent(m_hShutdownEvent); }
    void DiscardInput() override { (void)m_api->PurgeComm(m_hCommFile, PURGE_RXABORT | PURGE_RXCLEAR); }
    bool ReaderStarted() const override { return m_hReadThread != nullptr; }
    bool OnReaderThread() const override { return ::GetCurrentThreadId() == m_readThreadId; }
    bool ReaderEnded() override { return ::WaitForSingleObject(m_hReadThread, 0) == WAIT_OBJECT_0; }
    bool WaitForReader(uint32_t timeoutMs) override
    {
        return ::WaitForSingleObject(m_hReadThread, timeoutMs) == WAIT_OBJECT_0;
    }
    void ReleaseReader() override
    {
        (void)::WaitForSingleObject(m_hReadThread, INFINITE);
        ::CloseHandle(m_hReadThread);
        m_hReadThread = nullptr;
        m_readThreadId = 0;
    }
    void RunReader() override;
    bool WriteAll(const uint8_t* bytes, uint32_t count) override;
    bool ClearLineErrors(uint32_t& errors, uint32_t& error) override
    {
        DWORD bits = 0;
        const bool ok = m_api->ClearCommError(m_hCommFile, &bits, nullptr) != FALSE;
        errors = bits;
        error = ok ? 0 : ::GetLastError();
        return ok;
    }
    bool GetState(CommState& state) override;
    bool SetState(const CommState& state) override;
    bool GetTimeouts(CommTimeouts& timeouts) override;
    bool SetTimeouts(const CommTimeouts& timeouts) override;

private:
    static DWORD WINAPI ThreadEntry(LPVOID param) { return ReaderEntry(param); }
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
    // The write of this thread, waited for; false (traced) when the write cannot go on.
    bool FinishWrite(DWORD& n);
    void CloseEvents();

    uint8_t m_readBuffer[CComPort::ReadBufferSize];
    OVERLAPPED m_readOverlapped{};
    OVERLAPPED m_writeOverlapped{};
    OVERLAPPED m_eventOverlapped{};
    HANDLE m_hCommFile = nullptr;
    CWinSerialDevice* m_device = nullptr;
    CWinSerialDevice* m_closing = nullptr; // detached, being closed
    IWinCommApi* m_api = nullptr;
    DWORD m_eventMask = 0;
    std::atomic<DWORD> m_readThreadId{0};
    HANDLE m_hReadThread = nullptr;
    HANDLE m_hShutdownEvent = nullptr;

    // Reader thread only.
    bool m_readPending = false;
    bool m_eventPending = false;
    bool m_lineEvents = true; // the device reports line events through WaitCommEvent
    int m_emptyEvents = 0;
    bool m_watchCarrier = false; // without line events: GetCommModemStatus works
    bool m_carrier = false;
};

} // namespace

void SetPortFault(PortFault fault)
{
    ::SetLastError(fault == PortFault::Busy ? ERROR_BUSY : ERROR_INVALID_HANDLE);
}

void SetLastPortError(uint32_t error)
{
    ::SetLastError(error);
}

uint32_t LastPortError()
{
    return ::GetLastError();
}

bool IsHandleGoneError(uint32_t error)
{
    return error == ERROR_INVALID_HANDLE;
}

bool IsDeviceGoneError(uint32_t error)
{
    return IsDeviceGone(error);
}

std::unique_ptr<CComPort::Impl> CComPort::Impl::Create(CComPort& owner)
{
    return std::make_unique<CWinPort>(owner);
}

// ---- open and close ----

void CWinPort::ConfigureLine()
{
    // 9600 8N1, no abort on line errors, line feed as event character, reads ended by a 20 ms gap
    // and never by time; everything else as the device has it.
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
}

bool CWinPort::StartReader()
{
    m_hShutdownEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    m_writeOverlapped = OVERLAPPED{};
    m_writeOverlapped.hEvent = ::CreateEventA(nullptr, TRUE, TRUE, nullptr);
    if (m_hShutdownEvent == nullptr || m_writeOverlapped.hEvent == nullptr) {
        const DWORD error = ::GetLastError();
        TRACE_PORT_CALL(error, "Unable to CreateEvent: ");
        CloseEvents();
        ::SetLastError(error);
        return false;
    }
    DWORD threadId = 0;
    m_hReadThread = ::CreateThread(nullptr, 0, ThreadEntry, &m_owner, 0, &threadId);
    if (m_hReadThread == nullptr) {
        const DWORD error = ::GetLastError();
        TRACE_PORT_CALL(error, "Unable to create Read thread");
        m_readThreadId = 0;
        CloseEvents();
        ::SetLastError(error);
        return false;
    }
    m_readThreadId = threadId;
    (void)::SetThreadPriority(m_hReadThread, THREAD_PRIORITY_HIGHEST);
    return true;
}

void CWinPort::CloseEvents()
{
    if (m_writeOverlapped.hEvent != nullptr)
        ::CloseHandle(m_writeOverlapped.hEvent);
    m_writeOverlapped.hEvent = nullptr;
    if (m_hShutdownEvent != nullptr)
        ::CloseHandle(m_hShutdownEvent);
    m_hShutdownEvent = nullptr;
}

void CWinPort::CloseDetached()
{
    IWinCommApi& api = m_closing->Api();
    (void)api.PurgeComm(m_closing->Handle(), PURGE_TXABORT | PURGE_TXCLEAR);
    // The modem hangs up when DTR drops; closing drops it too where the driver does so.
    if (!api.EscapeCommFunction(m_closing->Handle(), CLRDTR))
        TRACE_PORT_CALL(::GetLastError(), "EscapeCommFunction(CLRDTR): ");
    m_api = nullptr;
    CloseEvents();
    delete m_closing; // CancelIo, then CloseHandle
    m_closing = nullptr;
}

// ---- settings ----

bool CWinPort::GetState(CommState& state)
{
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

bool CWinPort::SetState(const CommState& state)
{
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

bool CWinPort::GetTimeouts(CommTimeouts& timeouts)
{
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

bool CWinPort::SetTimeouts(const CommTimeouts& timeouts)
{
    COMMTIMEOUTS t{};
    t.ReadIntervalTimeout = timeouts.readIntervalTimeout;
    t.ReadTotalTimeoutMultiplier = timeouts.readTotalTimeoutMultiplier;
    t.ReadTotalTimeoutConstant = timeouts.readTotalTimeoutConstant;
    t.WriteTotalTimeoutMultiplier = timeouts.writeTotalTimeoutMultiplier;
    t.WriteTotalTimeoutConstant = timeouts.writeTotalTimeoutConstant;
    return m_api->SetCommTimeouts(m_hCommFile, &t) != FALSE;
}

// ---- reader thread ----

void CWinPort::RunReader()
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
        TRACE_PORT_CALL(::GetLastError(), "Unable to CreateEvent: ");
    } else if (!m_api->SetCommMask(m_hCommFile, CommEventMask)) {
        TRACE_PORT_CALL(::GetLastError(), "Unable to SetCommMask: ");
    } else if (WaitForCommEvent() && StartRead(m_readBuffer, CComPort::ReadBufferSize)) {
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
                if (!m_readPending && !StartRead(m_readBuffer, CComPort::ReadBufferSize))
                    break;
                continue;
            }
            if (result == WAIT_FAILED)
                TRACE_PORT_CALL(::GetLastError(), "Read WAIT_FAILED: ");
            else
                TraceUnexpectedWait(static_cast<unsigned long>(result));
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

void CWinPort::EndOutstanding(OVERLAPPED& record, bool& pending)
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

bool CWinPort::Deliver(uint8_t* buffer, DWORD count)
{
    if (!m_owner.OnReceive(buffer, count))
        return false;
    if (!m_lineEvents)
        LookAtLine();
    return true;
}

bool CWinPort::StartRead(uint8_t* buffer, DWORD size)
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
        m_deviceGone = TRACE_PORT_CALL_GONE(error, "Unexpected ReadFile error: ", ReadInvalidHandleText);
        return false;
    }
}

bool CWinPort::CompleteRead(uint8_t* buffer, DWORD& count)
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
        TRACE_PORT_CALL_GONE(error, "Unexpected GetOverlappedResult Read Error: ", ReadResultInvalidHandleText);
    return false;
}

bool CWinPort::WaitForCommEvent()
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
        m_deviceGone = TRACE_PORT_CALL(error, "Unexpected WaitCommEvent error: ");
        return false;
    }
}

void CWinPort::NoteEmptyEvent()
{
    if (++m_emptyEvents >= EmptyEventLimit)
        FallBackToReads("WaitCommEvent keeps ending without an event");
}

void CWinPort::FallBackToReads(const char* why)
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
        TRACE_PORT_CALL(::GetLastError(), "GetCommModemStatus: ");
}

void CWinPort::LookAtLine()
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

bool CWinPort::HandleCommEvent(OVERLAPPED* record, bool collectResult)
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
            m_deviceGone = TRACE_PORT_CALL(error, "Unexpected GetOverlappedResult for WaitCommEvent: ");
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
            if (!m_owner.OnReceive(m_readBuffer, count) || !StartRead(m_readBuffer, CComPort::ReadBufferSize))
                return false;
        } else {
            const DWORD error = ::GetLastError();
            if (error != ERROR_IO_INCOMPLETE) {
                m_readPending = false;
                m_deviceGone = TRACE_PORT_CALL(error, "Unexpected GetOverlappedResult for WaitReadEvent: ");
                return false;
            }
        }
    }
    const uint32_t mask = m_eventMask;
    m_eventMask = 0;
    return ServeLineEvents(mask);
}

// ---- writing ----

bool CWinPort::WriteAll(const uint8_t* bytes, uint32_t count)
{
    DWORD written = 0;
    DWORD left = count;
    while (left != 0) {
        DWORD n = 0;
        if (!m_api->WriteFile(m_hCommFile, bytes + written, left, &n, &m_writeOverlapped)) {
            const DWORD error = ::GetLastError();
            if (error != ERROR_IO_PENDING) {
                TRACE_WRITE_FAILURE(error, "Error to writing to CommFile");
                return false;
            }
            if (!FinishWrite(n))
                return false;
        }
        if (n == 0) {
            TraceNothingWritten();
            return false;
        }
        written += n;
        left -= std::min(n, left);
    }
    return true;
}

bool CWinPort::FinishWrite(DWORD& n)
{
    const HANDLE waits[2] = {m_hShutdownEvent, m_writeOverlapped.hEvent};
    const DWORD result = ::WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    if (result == WAIT_OBJECT_0) {
        // Being stopped: nothing traced. The write is this thread's own, and the caller's bytes
        // must not be read after we return: cancel it and let it end.
        (void)m_api->CancelIo(m_hCommFile);
        if (::WaitForSingleObject(m_writeOverlapped.hEvent, CancelWaitMs) == WAIT_OBJECT_0)
            (void)m_api->GetOverlappedResult(m_hCommFile, &m_writeOverlapped, &n, FALSE);
        return false;
    }
    if (result == WAIT_OBJECT_0 + 1) {
        if (m_api->GetOverlappedResult(m_hCommFile, &m_writeOverlapped, &n, TRUE))
            return true;
        TRACE_WRITE_FAILURE(::GetLastError(), "Error writing to CommFile while waiting");
        return false;
    }
    if (result == WAIT_FAILED)
        TRACE_PORT_CALL(::GetLastError(), "Write WAIT_FAILED: ");
    else
        TraceUnexpectedWait(static_cast<unsigned long>(result));
    return false;
}
