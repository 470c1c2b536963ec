// What the port does the same on every system: the public operations with their guards, the open,
// close and stop sequences, the writer-count bracket, the carrier and line-error events, and the
// trace helpers every failed call goes through (ComPortImpl.h). The system's back end is
// ComPort_posix.cpp or ComPort_win.cpp.
#include "serial/ComPort.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "diag/Trace.h"
#include "serial/ComPortImpl.h"

namespace {

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

// ---- trace helpers ----

bool TracePortCallError(uint32_t error, const char* prefix, const char* goneText, const char* file, int line)
{
    if (IsHandleGoneError(error))
        TraceText(goneText);
    else
        TraceLastError(error, prefix, file, line);
    return IsDeviceGoneError(error);
}

void TraceWriteFailure(uint32_t error, const char* prefix, const char* file, int line)
{
    TracePortCallError(error, prefix, InvalidHandleText, file, line);
    if (!IsHandleGoneError(error))
        TraceText("Closing port\n");
}

void TraceLineErrors(uint32_t errors)
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

void TraceUnexpectedWait(unsigned long result)
{
    TracePrintf("Unexpected Wait return value '%lx'", result);
}

void TraceNothingWritten()
{
    TraceText("Write completed with no byte written\n");
    TraceText("Closing port\n");
}

// ---- the public operations ----

CComPort::CComPort() : m_impl(Impl::Create(*this)) {}

CComPort::~CComPort()
{
    Close();
}

bool CComPort::OnReceive(const uint8_t* data, uint32_t count)
{
    if (count == 0)
        return true;
    char text[ReadBufferSize + 4];
    const uint32_t n = std::min<uint32_t>(count, sizeof text - 1);
    std::memcpy(text, data, n);
    text[n] = '\0';
    TracePrintf("Got '%s' from comm\n", text);
    return true;
}

void CComPort::OnCarrierChange() {}

void CComPort::OnDeviceGone() {}

bool CComPort::IsOpen() const
{
    return m_impl->HoldsDevice();
}

bool CComPort::Open(SerialDevice* device)
{
    return m_impl->Open(device);
}

bool CComPort::Open(SerialHandle& device)
{
    if (!Open(device.get()))
        return false;
    (void)device.release();
    return true;
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

// The settings calls while no port is held: false, with the system's invalid-handle error.
#define REQUIRE_PORT()                            \
    do {                                          \
        if (!m_impl->HoldsDevice()) {             \
            SetPortFault(PortFault::NoPort);      \
            return false;                         \
        }                                         \
    } while (false)

bool CComPort::GetCommState(CommState& state)
{
    REQUIRE_PORT();
    return m_impl->GetState(state);
}

bool CComPort::SetCommState(const CommState& state)
{
    REQUIRE_PORT();
    return m_impl->SetState(state);
}

bool CComPort::GetCommTimeouts(CommTimeouts& timeouts)
{
    REQUIRE_PORT();
    return m_impl->GetTimeouts(timeouts);
}

bool CComPort::SetCommTimeouts(const CommTimeouts& timeouts)
{
    REQUIRE_PORT();
    return m_impl->SetTimeouts(timeouts);
}

#undef REQUIRE_PORT

uint32_t CComPort::ReadThreadProc(void* param)
{
    if (param == nullptr)
        return 0;
    static_cast<CComPort*>(param)->m_impl->RunReader();
    return 0;
}

// ---- open, close, stop ----

bool CComPort::Impl::Open(SerialDevice* device)
{
    if (device == nullptr || !IsCommDevice(device)) {
        TraceText("File handle is not a comm handle.\n");
        SetPortFault(PortFault::NotComm);
        return false;
    }
    if (HoldsDevice()) {
        TraceText("Already have a comm file open\n");
        SetPortFault(PortFault::Busy);
        return false;
    }
    {
        std::lock_guard<std::mutex> guard(m_writeLock);
        AttachDevice(device);
    }
    // A device that refuses any of the settings keeps what it accepted, and the port goes on.
    ConfigureLine();
    if (StartReader())
        return true;
    const uint32_t error = LastPortError();
    {
        std::lock_guard<std::mutex> guard(m_writeLock);
        DetachDevice(); // the caller still owns it
    }
    SetLastPortError(error);
    return false;
}

void CComPort::Impl::Close()
{
    if (!HoldsDevice())
        return;
    TraceText("Stopping the Comm\n");
    StopReadThread();
    // A writer may still wait, also when the reader had already ended on its own: release it and
    // let it leave before the device goes.
    SignalShutdown();
    {
        std::unique_lock<std::mutex> lock(m_writeLock);
        m_writersGone.wait(lock, [this] { return m_writers == 0; });
        DetachDevice();
    }
    CloseDetached();
}

void CComPort::Impl::StopReadThread()
{
    if (!ReaderStarted() || OnReaderThread())
        return;
    if (ReaderEnded()) {
        // It ended by itself after a failure: only its handle is left to release.
        ReleaseReader();
        return;
    }
    TraceText("Closing Read Thread\n");
    SignalShutdown();
    DiscardInput();
    if (!WaitForReader(m_stopTimeoutMs)) {
        // Ending a thread by force could leave a lock of the owner's held for ever: it has been
        // woken and ends at its next check of the shutdown event, and the object waits for that.
        TraceText("Read thread not exiting. Terminating it.\n");
    }
    ReleaseReader();
}

// ---- writing and line events ----

bool CComPort::Impl::Write(const void* data, uint32_t count)
{
    if (count == 0)
        return true;
    {
        std::lock_guard<std::mutex> guard(m_writeLock);
        if (HoldsDevice())
            ++m_writers;
        else
            count = 0;
    }
    if (count == 0) {
        TraceText(InvalidHandleText);
        return false;
    }
    const bool ok = WriteAll(static_cast<const uint8_t*>(data), count);
    {
        std::lock_guard<std::mutex> guard(m_writeLock);
        --m_writers;
    }
    m_writersGone.notify_all();
    return ok;
}

bool CComPort::Impl::ServeLineEvents(uint32_t mask)
{
    if (mask & EV_RLSD) {
        mask &= ~static_cast<uint32_t>(EV_RLSD);
        m_owner.OnCarrierChange();
    }
    if (mask & EV_ERR) {
        uint32_t errors = 0;
        uint32_t error = 0;
        if (!ClearLineErrors(errors, error)) {
            m_deviceGone = TRACE_PORT_CALL(error, "ClearCommError: ");
            return false;
        }
        TraceLineErrors(errors);
        return true;
    }
    if (mask == 0)
        return true;
    TracePrintf("Unexpected comm event %lx", static_cast<unsigned long>(mask));
    return false;
}
