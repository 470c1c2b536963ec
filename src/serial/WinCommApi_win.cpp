#include "serial/WinCommApi.h"

namespace {

class CKernel32CommApi : public IWinCommApi {
public:
    DWORD GetFileType(HANDLE file) override { return ::GetFileType(file); }
    BOOL GetCommState(HANDLE file, DCB* dcb) override { return ::GetCommState(file, dcb); }
    BOOL SetCommState(HANDLE file, DCB* dcb) override { return ::SetCommState(file, dcb); }
    BOOL GetCommTimeouts(HANDLE file, COMMTIMEOUTS* timeouts) override { return ::GetCommTimeouts(file, timeouts); }
    BOOL SetCommTimeouts(HANDLE file, COMMTIMEOUTS* timeouts) override { return ::SetCommTimeouts(file, timeouts); }
    BOOL SetCommMask(HANDLE file, DWORD mask) override { return ::SetCommMask(file, mask); }
    BOOL WaitCommEvent(HANDLE file, DWORD* mask, OVERLAPPED* overlapped) override
    {
        return ::WaitCommEvent(file, mask, overlapped);
    }
    BOOL ReadFile(HANDLE file, void* buffer, DWORD size, DWORD* read, OVERLAPPED* overlapped) override
    {
        return ::ReadFile(file, buffer, size, read, overlapped);
    }
    BOOL WriteFile(HANDLE file, const void* data, DWORD size, DWORD* written, OVERLAPPED* overlapped) override
    {
        return ::WriteFile(file, data, size, written, overlapped);
    }
    BOOL GetOverlappedResult(HANDLE file, OVERLAPPED* overlapped, DWORD* count, BOOL wait) override
    {
        return ::GetOverlappedResult(file, overlapped, count, wait);
    }
    BOOL ClearCommError(HANDLE file, DWORD* errors, COMSTAT* status) override
    {
        return ::ClearCommError(file, errors, status);
    }
    BOOL PurgeComm(HANDLE file, DWORD flags) override { return ::PurgeComm(file, flags); }
    BOOL GetCommModemStatus(HANDLE file, DWORD* status) override { return ::GetCommModemStatus(file, status); }
    BOOL EscapeCommFunction(HANDLE file, DWORD function) override { return ::EscapeCommFunction(file, function); }
    BOOL CancelIo(HANDLE file) override { return ::CancelIo(file); }
    BOOL CloseHandle(HANDLE file) override { return ::CloseHandle(file); }
};

} // namespace

IWinCommApi& Kernel32CommApi()
{
    static CKernel32CommApi api;
    return api;
}
