// The Win32 calls the Windows CComPort makes on its device, behind one table, so that the same
// port code runs on a real COM port (Kernel32CommApi: kernel32 itself), on an in-process memory
// line (MemoryCommDevice.h) and, in tests, on a scripted fake device that shows what Wine on a
// pseudo-terminal cannot (line events, carrier changes, aborted reads).
//
// Each call has the Win32 function's meaning, arguments and results, and leaves its error code
// with SetLastError as the system does. An implementation that completes an overlapped operation
// itself signals the event of its OVERLAPPED record (manual-reset; each new operation on the record
// resets it first) and answers GetOverlappedResult for it. Events, threads and waits are not in
// the table: the port uses the system's own.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

class IWinCommApi {
public:
    virtual ~IWinCommApi() = default;

    virtual DWORD GetFileType(HANDLE file) = 0;
    virtual BOOL GetCommState(HANDLE file, DCB* dcb) = 0;
    virtual BOOL SetCommState(HANDLE file, DCB* dcb) = 0;
    virtual BOOL GetCommTimeouts(HANDLE file, COMMTIMEOUTS* timeouts) = 0;
    virtual BOOL SetCommTimeouts(HANDLE file, COMMTIMEOUTS* timeouts) = 0;
    virtual BOOL SetCommMask(HANDLE file, DWORD mask) = 0;
    virtual BOOL WaitCommEvent(HANDLE file, DWORD* mask, OVERLAPPED* overlapped) = 0;
    virtual BOOL ReadFile(HANDLE file, void* buffer, DWORD size, DWORD* read, OVERLAPPED* overlapped) = 0;
    virtual BOOL WriteFile(HANDLE file, const void* data, DWORD size, DWORD* written, OVERLAPPED* overlapped) = 0;
    virtual BOOL GetOverlappedResult(HANDLE file, OVERLAPPED* overlapped, DWORD* count, BOOL wait) = 0;
    virtual BOOL ClearCommError(HANDLE file, DWORD* errors, COMSTAT* status) = 0;
    virtual BOOL PurgeComm(HANDLE file, DWORD flags) = 0;
    virtual BOOL GetCommModemStatus(HANDLE file, DWORD* status) = 0;
    virtual BOOL EscapeCommFunction(HANDLE file, DWORD function) = 0;
    virtual BOOL CancelIo(HANDLE file) = 0;
    virtual BOOL CloseHandle(HANDLE file) = 0;
};

// kernel32's own calls; one table for every real port.
IWinCommApi& Kernel32CommApi();
