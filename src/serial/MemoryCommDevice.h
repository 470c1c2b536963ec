// The port's end of an in-process memory line (platform/MemoryLine.h) as a Win32 serial device:
// the table of WinCommApi.h served from the line's queues, so that the Windows CComPort runs on it
// unchanged (pravel-cli --simulate on Windows: the simulator serves the far end in-process).
//
// Like a virtual COM driver it has no line events: WaitCommEvent answers ERROR_NOT_SUPPORTED, and
// the port reads with its read interval alone. A read completes with what has arrived once any
// byte has (the far end sends whole answers in one go); a write completes with what the line takes,
// and waits while it is full. When the far end leaves (the simulated modem unplugged) reads end
// with ERROR_BROKEN_PIPE once the last bytes are read, as Wine's do on a pty that hangs up.
// The handle is a token only; every call here ignores it. Thread-safe.
#pragma once

#include <memory>
#include <mutex>

#include "serial/WinCommApi.h"

class CMemoryLine;

class CMemoryCommDevice : public IWinCommApi {
public:
    // Attaches to the line's port end; the caller checks Attached().
    explicit CMemoryCommDevice(std::shared_ptr<CMemoryLine> line);
    ~CMemoryCommDevice() override;

    bool Attached() const { return m_attached; }

    DWORD GetFileType(HANDLE file) override;
    BOOL GetCommState(HANDLE file, DCB* dcb) override;
    BOOL SetCommState(HANDLE file, DCB* dcb) override;
    BOOL GetCommTimeouts(HANDLE file, COMMTIMEOUTS* timeouts) override;
    BOOL SetCommTimeouts(HANDLE file, COMMTIMEOUTS* timeouts) override;
    BOOL SetCommMask(HANDLE file, DWORD mask) override;
    BOOL WaitCommEvent(HANDLE file, DWORD* mask, OVERLAPPED* overlapped) override;
    BOOL ReadFile(HANDLE file, void* buffer, DWORD size, DWORD* read, OVERLAPPED* overlapped) override;
    BOOL WriteFile(HANDLE file, const void* data, DWORD size, DWORD* written, OVERLAPPED* overlapped) override;
    BOOL GetOverlappedResult(HANDLE file, OVERLAPPED* overlapped, DWORD* count, BOOL wait) override;
    BOOL ClearCommError(HANDLE file, DWORD* errors, COMSTAT* status) override;
    BOOL PurgeComm(HANDLE file, DWORD flags) override;
    BOOL GetCommModemStatus(HANDLE file, DWORD* status) override;
    BOOL EscapeCommFunction(HANDLE file, DWORD function) override;
    BOOL CancelIo(HANDLE file) override;
    BOOL CloseHandle(HANDLE file) override;

private:
    // One outstanding operation: its record, the caller's buffer, and whether it was aborted.
    struct Pending {
        OVERLAPPED* overlapped = nullptr;
        void* buffer = nullptr;
        DWORD size = 0;
        bool aborted = false;
    };
    void WakeUp();
    void Abort(Pending& pending);
    // Collects a pending read or write: true with its count, or false with the error set.
    BOOL Collect(Pending& pending, bool isRead, DWORD* count, BOOL wait);

    std::shared_ptr<CMemoryLine> m_line;
    bool m_attached = false;
    std::mutex m_lock;
    Pending m_read;
    Pending m_write;
    DCB m_dcb{};
    COMMTIMEOUTS m_timeouts{};
};
