// A scripted Win32 serial device for the Windows CComPort: the table of WinCommApi.h answered by
// the test. It shows what Wine on a pseudo-terminal cannot: line events (WaitCommEvent), carrier
// changes, line errors, PurgeComm aborting a read, a write that waits until the port is stopped.
// Completions signal the records' events as the system does. Thread-safe; the port destroys it at
// Close, so the test keeps a shared Probe to look at it afterwards.
#pragma once

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "serial/WinCommApi.h"

class CFakeCommDevice : public IWinCommApi {
public:
    struct Probe {
        std::mutex lock;
        std::vector<std::string> calls; // "PurgeComm 10", "CancelIo", "CloseHandle", ...
        std::string written;
        DCB dcb{};
        COMMTIMEOUTS timeouts{};
        DWORD mask = 0;
        int readCalls = 0;
        bool eventWaitArmed = false;
        bool closed = false;

        std::vector<std::string> Calls()
        {
            std::lock_guard<std::mutex> guard(lock);
            return calls;
        }
        int Count(const std::string& call)
        {
            std::lock_guard<std::mutex> guard(lock);
            return static_cast<int>(std::count(calls.begin(), calls.end(), call));
        }
    };

    // How the device behaves; set before Open.
    DWORD fileType = FILE_TYPE_CHAR;
    DWORD waitCommEventError = 0;  // e.g. ERROR_NOT_SUPPORTED: every WaitCommEvent fails so
    bool abortEventWaits = false;  // every armed wait ends at once as aborted (Wine's behaviour)
    bool purgeAbortsRead = true;   // PurgeComm(PURGE_RXABORT) cancels the read (Wine's does not)
    DWORD modemStatusError = 0;    // GetCommModemStatus and EscapeCommFunction fail with it
    DWORD writeError = 0;          // WriteFile fails at once with it
    DWORD firstWriteTakes = 0;     // the first write takes only this many bytes (0: all)
    bool writesWait = false;       // writes stay outstanding until the test completes them
    DWORD modemStatus = 0;

    CFakeCommDevice() : m_probe(std::make_shared<Probe>()) { m_probe->dcb.fOutxCtsFlow = TRUE; }
    ~CFakeCommDevice() override = default;
    std::shared_ptr<Probe> GetProbe() const { return m_probe; }

    // ---- driven by the test ----

    // Bytes arrive: an outstanding read completes with them (up to its size); the rest waits.
    void Feed(const std::string& bytes)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_incoming += bytes;
        CompleteReadLocked();
    }
    // The outstanding read ends with an error (the device has gone).
    void FailRead(DWORD error)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_readError = error;
        CompleteReadLocked();
    }
    // Line events: an armed wait completes with them, or they wait for the next WaitCommEvent.
    void RaiseEvents(DWORD events, DWORD lineErrors = 0)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_lineErrors |= lineErrors;
        if (m_event != nullptr) {
            *m_eventMask = events;
            m_eventDone = true;
            ::SetEvent(m_event->hEvent);
        } else {
            m_eventsWaiting |= events;
        }
    }
    void SetModemStatus(DWORD status)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        modemStatus = status;
    }

    // ---- the table ----

    DWORD GetFileType(HANDLE) override { return fileType; }
    BOOL GetCommState(HANDLE, DCB* dcb) override { return Copy(*dcb, m_probe->dcb); }
    BOOL SetCommState(HANDLE, DCB* dcb) override { return Copy(m_probe->dcb, *dcb); }
    BOOL GetCommTimeouts(HANDLE, COMMTIMEOUTS* t) override { return Copy(*t, m_probe->timeouts); }
    BOOL SetCommTimeouts(HANDLE, COMMTIMEOUTS* t) override { return Copy(m_probe->timeouts, *t); }
    BOOL SetCommMask(HANDLE, DWORD mask) override { return Copy(m_probe->mask, mask); }
    BOOL WaitCommEvent(HANDLE, DWORD* mask, OVERLAPPED* overlapped) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (waitCommEventError != 0)
            return Fail(waitCommEventError);
        if (m_eventsWaiting != 0) {
            *mask = m_eventsWaiting;
            m_eventsWaiting = 0;
            return TRUE;
        }
        ::ResetEvent(overlapped->hEvent);
        m_event = overlapped;
        m_eventMask = mask;
        m_eventDone = false;
        m_eventAborted = abortEventWaits;
        if (abortEventWaits)
            ::SetEvent(overlapped->hEvent);
        Note("WaitCommEvent", [](Probe& p) { p.eventWaitArmed = true; });
        return Fail(ERROR_IO_PENDING);
    }
    BOOL ReadFile(HANDLE, void* buffer, DWORD size, DWORD* read, OVERLAPPED* overlapped) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        Note(nullptr, [](Probe& p) { ++p.readCalls; });
        *read = 0;
        if (!m_incoming.empty()) {
            *read = Take(buffer, size);
            return TRUE;
        }
        ::ResetEvent(overlapped->hEvent);
        m_read = overlapped;
        m_readBuffer = buffer;
        m_readSize = size;
        m_readDone = false;
        return Fail(ERROR_IO_PENDING);
    }
    BOOL WriteFile(HANDLE, const void* data, DWORD size, DWORD* written, OVERLAPPED* overlapped) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        *written = 0;
        if (writeError != 0)
            return Fail(writeError);
        DWORD take = size;
        if (firstWriteTakes != 0 && !m_firstWriteDone)
            take = std::min(size, firstWriteTakes);
        m_firstWriteDone = true;
        Note(nullptr, [&](Probe& p) { p.written.append(static_cast<const char*>(data), take); });
        ::ResetEvent(overlapped->hEvent);
        m_write = overlapped;
        m_writeCount = take;
        m_writeDone = !writesWait;
        if (m_writeDone)
            ::SetEvent(overlapped->hEvent);
        return Fail(ERROR_IO_PENDING);
    }
    BOOL GetOverlappedResult(HANDLE, OVERLAPPED* overlapped, DWORD* count, BOOL) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        *count = 0;
        if (overlapped == m_read) {
            if (!m_readDone)
                return Fail(ERROR_IO_INCOMPLETE);
            m_read = nullptr;
            if (m_readError != 0)
                return Fail(m_readError);
            *count = m_readCount;
            return TRUE;
        }
        if (overlapped == m_event) {
            m_event = nullptr;
            if (m_eventAborted)
                return Fail(ERROR_OPERATION_ABORTED);
            return m_eventDone ? TRUE : Fail(ERROR_IO_INCOMPLETE);
        }
        if (overlapped == m_write) {
            m_write = nullptr;
            if (!m_writeDone)
                return Fail(ERROR_OPERATION_ABORTED);
            *count = m_writeCount;
            return TRUE;
        }
        return Fail(ERROR_INVALID_PARAMETER);
    }
    BOOL ClearCommError(HANDLE, DWORD* errors, COMSTAT*) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        *errors = m_lineErrors;
        m_lineErrors = 0;
        return TRUE;
    }
    BOOL PurgeComm(HANDLE, DWORD flags) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        Note(("PurgeComm " + std::to_string(flags)).c_str(), nullptr);
        if ((flags & PURGE_RXABORT) && purgeAbortsRead && m_read != nullptr)
            AbortRead();
        if ((flags & PURGE_RXCLEAR))
            m_incoming.clear();
        return TRUE;
    }
    BOOL GetCommModemStatus(HANDLE, DWORD* status) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (modemStatusError != 0)
            return Fail(modemStatusError);
        *status = modemStatus;
        return TRUE;
    }
    BOOL EscapeCommFunction(HANDLE, DWORD function) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        Note(("EscapeCommFunction " + std::to_string(function)).c_str(), nullptr);
        return modemStatusError != 0 ? Fail(modemStatusError) : TRUE;
    }
    BOOL CancelIo(HANDLE) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        Note("CancelIo", nullptr);
        if (m_read != nullptr)
            AbortRead();
        if (m_event != nullptr) {
            m_eventAborted = true;
            ::SetEvent(m_event->hEvent);
        }
        if (m_write != nullptr && !m_writeDone)
            ::SetEvent(m_write->hEvent); // collected as aborted
        return TRUE;
    }
    BOOL CloseHandle(HANDLE) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        Note("CloseHandle", [](Probe& p) { p.closed = true; });
        return TRUE;
    }

private:
    template <typename T>
    BOOL Copy(T& to, const T& from)
    {
        std::lock_guard<std::mutex> guard(m_probe->lock);
        to = from;
        return TRUE;
    }
    template <typename Change>
    void Note(const char* call, Change change)
    {
        std::lock_guard<std::mutex> guard(m_probe->lock);
        if (call != nullptr)
            m_probe->calls.emplace_back(call);
        if constexpr (!std::is_same_v<Change, std::nullptr_t>)
            change(*m_probe);
    }
    static BOOL Fail(DWORD error)
    {
        ::SetLastError(error);
        return FALSE;
    }
    DWORD Take(void* buffer, DWORD size)
    {
        const DWORD n = std::min<DWORD>(size, static_cast<DWORD>(m_incoming.size()));
        std::copy_n(m_incoming.data(), n, static_cast<char*>(buffer));
        m_incoming.erase(0, n);
        return n;
    }
    void CompleteReadLocked()
    {
        if (m_read == nullptr || m_readDone || (m_incoming.empty() && m_readError == 0))
            return;
        m_readCount = Take(m_readBuffer, m_readSize);
        m_readDone = true;
        ::SetEvent(m_read->hEvent);
    }
    void AbortRead()
    {
        m_readError = ERROR_OPERATION_ABORTED;
        m_readDone = true;
        ::SetEvent(m_read->hEvent);
    }

    std::shared_ptr<Probe> m_probe;
    std::mutex m_lock;
    std::string m_incoming;
    DWORD m_lineErrors = 0;
    DWORD m_eventsWaiting = 0;
    OVERLAPPED* m_read = nullptr;
    void* m_readBuffer = nullptr;
    DWORD m_readSize = 0;
    DWORD m_readCount = 0;
    DWORD m_readError = 0;
    bool m_readDone = false;
    OVERLAPPED* m_event = nullptr;
    DWORD* m_eventMask = nullptr;
    bool m_eventDone = false;
    bool m_eventAborted = false;
    OVERLAPPED* m_write = nullptr;
    DWORD m_writeCount = 0;
    bool m_writeDone = false;
    bool m_firstWriteDone = false;
};
