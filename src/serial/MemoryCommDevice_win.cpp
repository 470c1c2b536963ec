#include "serial/MemoryCommDevice.h"

#include "platform/MemoryLine.h"

CMemoryCommDevice::CMemoryCommDevice(std::shared_ptr<CMemoryLine> line) : m_line(std::move(line))
{
    m_dcb.DCBlength = sizeof m_dcb;
    m_dcb.BaudRate = CBR_9600;
    m_dcb.ByteSize = 8;
    m_dcb.fBinary = TRUE;
    m_dcb.fDtrControl = DTR_CONTROL_ENABLE;
    m_dcb.fRtsControl = RTS_CONTROL_ENABLE;
    m_attached = m_line->Attach(CMemoryLine::PortEnd);
    if (m_attached)
        m_line->SetWakeUp(CMemoryLine::PortEnd, [this] { WakeUp(); });
}

CMemoryCommDevice::~CMemoryCommDevice()
{
    (void)CloseHandle(nullptr);
}

void CMemoryCommDevice::WakeUp()
{
    // Called by the line when bytes or room came, or the far end left: whoever waits looks again.
    // (A wake-up may look at the line but not read or write it.)
    // Each record is signalled only when its operation can complete: a read for bytes, a write for
    // room, either for the far end gone.
    const bool gone = m_line->OtherEndGone(CMemoryLine::PortEnd);
    const bool bytes = gone || m_line->Available(CMemoryLine::PortEnd) != 0;
    const bool room = gone || m_line->Room(CMemoryLine::PortEnd) != 0;
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_read.overlapped != nullptr && bytes)
        ::SetEvent(m_read.overlapped->hEvent);
    if (m_write.overlapped != nullptr && room)
        ::SetEvent(m_write.overlapped->hEvent);
}

DWORD CMemoryCommDevice::GetFileType(HANDLE)
{
    return FILE_TYPE_CHAR;
}

BOOL CMemoryCommDevice::GetCommState(HANDLE, DCB* dcb)
{
    std::lock_guard<std::mutex> guard(m_lock);
    *dcb = m_dcb;
    return TRUE;
}

BOOL CMemoryCommDevice::SetCommState(HANDLE, DCB* dcb)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_dcb = *dcb;
    return TRUE;
}

BOOL CMemoryCommDevice::GetCommTimeouts(HANDLE, COMMTIMEOUTS* timeouts)
{
    std::lock_guard<std::mutex> guard(m_lock);
    *timeouts = m_timeouts;
    return TRUE;
}

BOOL CMemoryCommDevice::SetCommTimeouts(HANDLE, COMMTIMEOUTS* timeouts)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_timeouts = *timeouts;
    return TRUE;
}

BOOL CMemoryCommDevice::SetCommMask(HANDLE, DWORD)
{
    return TRUE;
}

BOOL CMemoryCommDevice::WaitCommEvent(HANDLE, DWORD* mask, OVERLAPPED*)
{
    *mask = 0;
    ::SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

BOOL CMemoryCommDevice::ReadFile(HANDLE, void* buffer, DWORD size, DWORD* read, OVERLAPPED* overlapped)
{
    if (read != nullptr)
        *read = 0;
    const size_t got = m_line->Read(CMemoryLine::PortEnd, buffer, size);
    if (got != 0) {
        if (read != nullptr)
            *read = static_cast<DWORD>(got);
        return TRUE;
    }
    if (m_line->OtherEndGone(CMemoryLine::PortEnd)) {
        ::SetLastError(ERROR_BROKEN_PIPE);
        return FALSE;
    }
    {
        std::lock_guard<std::mutex> guard(m_lock);
        ::ResetEvent(overlapped->hEvent);
        m_read = Pending{overlapped, buffer, size, false};
    }
    // Bytes that came between the look and the record being in place are not missed.
    if (m_line->Available(CMemoryLine::PortEnd) != 0 || m_line->OtherEndGone(CMemoryLine::PortEnd))
        ::SetEvent(overlapped->hEvent);
    ::SetLastError(ERROR_IO_PENDING);
    return FALSE;
}

BOOL CMemoryCommDevice::WriteFile(HANDLE, const void* data, DWORD size, DWORD* written, OVERLAPPED* overlapped)
{
    if (written != nullptr)
        *written = 0;
    if (m_line->OtherEndGone(CMemoryLine::PortEnd)) {
        ::SetLastError(ERROR_BROKEN_PIPE);
        return FALSE;
    }
    const size_t put = m_line->Write(CMemoryLine::PortEnd, data, size);
    if (put != 0 || size == 0) {
        if (written != nullptr)
            *written = static_cast<DWORD>(put);
        return TRUE;
    }
    {
        std::lock_guard<std::mutex> guard(m_lock);
        ::ResetEvent(overlapped->hEvent);
        m_write = Pending{overlapped, const_cast<void*>(data), size, false};
    }
    if (m_line->Room(CMemoryLine::PortEnd) != 0 || m_line->OtherEndGone(CMemoryLine::PortEnd))
        ::SetEvent(overlapped->hEvent);
    ::SetLastError(ERROR_IO_PENDING);
    return FALSE;
}

BOOL CMemoryCommDevice::Collect(Pending& pending, bool isRead, DWORD* count, BOOL wait)
{
    for (;;) {
        Pending now;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            now = pending;
        }
        if (now.aborted) {
            std::lock_guard<std::mutex> guard(m_lock);
            pending = Pending{};
            ::SetLastError(ERROR_OPERATION_ABORTED);
            return FALSE;
        }
        const size_t done = isRead ? m_line->Read(CMemoryLine::PortEnd, now.buffer, now.size)
                                   : m_line->Write(CMemoryLine::PortEnd, now.buffer, now.size);
        if (done != 0 || m_line->OtherEndGone(CMemoryLine::PortEnd)) {
            std::lock_guard<std::mutex> guard(m_lock);
            pending = Pending{};
            if (done == 0) {
                ::SetLastError(ERROR_BROKEN_PIPE);
                return FALSE;
            }
            *count = static_cast<DWORD>(done);
            return TRUE;
        }
        {
            std::lock_guard<std::mutex> guard(m_lock);
            if (pending.aborted)
                continue;
            ::ResetEvent(now.overlapped->hEvent);
        }
        // A wake-up between the look and the reset sets the event again.
        if ((isRead ? m_line->Available(CMemoryLine::PortEnd) : m_line->Room(CMemoryLine::PortEnd)) != 0)
            continue;
        if (!wait) {
            ::SetLastError(ERROR_IO_INCOMPLETE);
            return FALSE;
        }
        (void)::WaitForSingleObject(now.overlapped->hEvent, INFINITE);
    }
}

BOOL CMemoryCommDevice::GetOverlappedResult(HANDLE, OVERLAPPED* overlapped, DWORD* count, BOOL wait)
{
    *count = 0;
    bool isRead = false;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (overlapped != m_read.overlapped && overlapped != m_write.overlapped) {
            ::SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        isRead = overlapped == m_read.overlapped;
    }
    return Collect(isRead ? m_read : m_write, isRead, count, wait);
}

BOOL CMemoryCommDevice::ClearCommError(HANDLE, DWORD* errors, COMSTAT* status)
{
    if (errors != nullptr)
        *errors = 0;
    if (status != nullptr) {
        *status = COMSTAT{};
        status->cbInQue = static_cast<DWORD>(m_line->Available(CMemoryLine::PortEnd));
    }
    return TRUE;
}

void CMemoryCommDevice::Abort(Pending& pending)
{
    if (pending.overlapped != nullptr && !pending.aborted) {
        pending.aborted = true;
        ::SetEvent(pending.overlapped->hEvent);
    }
}

BOOL CMemoryCommDevice::PurgeComm(HANDLE, DWORD flags)
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (flags & PURGE_RXABORT)
            Abort(m_read);
        if (flags & PURGE_TXABORT)
            Abort(m_write);
    }
    if (flags & PURGE_RXCLEAR)
        m_line->DiscardIncoming(CMemoryLine::PortEnd);
    if (flags & PURGE_TXCLEAR)
        m_line->DiscardOutgoing(CMemoryLine::PortEnd);
    return TRUE;
}

BOOL CMemoryCommDevice::GetCommModemStatus(HANDLE, DWORD* status)
{
    // The simulated modem is ready and has no carrier to report.
    *status = MS_CTS_ON | MS_DSR_ON;
    return TRUE;
}

BOOL CMemoryCommDevice::EscapeCommFunction(HANDLE, DWORD)
{
    return TRUE;
}

BOOL CMemoryCommDevice::CancelIo(HANDLE)
{
    std::lock_guard<std::mutex> guard(m_lock);
    Abort(m_read);
    Abort(m_write);
    return TRUE;
}

BOOL CMemoryCommDevice::CloseHandle(HANDLE)
{
    if (!m_attached)
        return TRUE;
    m_line->SetWakeUp(CMemoryLine::PortEnd, {});
    m_line->Detach(CMemoryLine::PortEnd);
    m_attached = false;
    return TRUE;
}
