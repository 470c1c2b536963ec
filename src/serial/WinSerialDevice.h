// An open Win32 serial device: the HANDLE (opened for overlapped I/O) and the table of calls that
// serve it (WinCommApi.h): kernel32 for a COM port, a memory device for an in-process line, a
// fake in tests. Destroying it cancels the caller's outstanding I/O and closes the handle.
// No <windows.h> here: the handle is kept as the void* the system calls HANDLE.
#pragma once

#include <memory>

class IWinCommApi;

class CWinSerialDevice {
public:
    // Takes the handle; api must outlive the device (kernel32's does).
    CWinSerialDevice(void* handle, IWinCommApi& api);
    // Takes the handle and the table that serves it alone.
    CWinSerialDevice(void* handle, std::unique_ptr<IWinCommApi> ownApi);
    ~CWinSerialDevice();
    CWinSerialDevice(const CWinSerialDevice&) = delete;
    CWinSerialDevice& operator=(const CWinSerialDevice&) = delete;

    void* Handle() const { return m_handle; }
    IWinCommApi& Api() const { return *m_api; }

private:
    void* m_handle;
    std::unique_ptr<IWinCommApi> m_ownApi;
    IWinCommApi* m_api;
};

// True for the Win32 error codes that mean the device has gone (unplugged, hung up, closed under
// us): ERROR_INVALID_HANDLE, ERROR_BROKEN_PIPE (Wine, when the far end of a pty hangs up),
// ERROR_ACCESS_DENIED, ERROR_GEN_FAILURE, ERROR_BAD_COMMAND, ERROR_NOT_READY,
// ERROR_DEV_NOT_EXIST, ERROR_DEVICE_NOT_CONNECTED (USB adapters pulled out).
bool IsDeviceGone(unsigned long error);
