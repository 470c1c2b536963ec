#include "diag/SystemError.h"

#include <windows.h>

SystemErrorKind ClassifySystemError(int error)
{
    switch (static_cast<DWORD>(error)) {
    case ERROR_SUCCESS:
        return SystemErrorKind::None;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_UNIT:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_DEVICE_NOT_CONNECTED:
        return SystemErrorKind::NotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_PRIVILEGE_NOT_HELD:
        return SystemErrorKind::Permission;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_BUSY:
    case ERROR_PIPE_BUSY:
        return SystemErrorKind::Busy;
    case ERROR_TOO_MANY_OPEN_FILES:
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
    case ERROR_NO_SYSTEM_RESOURCES:
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return SystemErrorKind::Resource;
    // What a device that is not a serial port answers to the serial port's calls.
    case ERROR_INVALID_FUNCTION:
    case ERROR_NOT_SUPPORTED:
    case ERROR_BAD_COMMAND:
        return SystemErrorKind::NotATerminal;
    case ERROR_GEN_FAILURE:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_CRC:
    case ERROR_IO_DEVICE:
    case ERROR_BROKEN_PIPE:
        return SystemErrorKind::Io;
    case ERROR_INVALID_HANDLE:
        return SystemErrorKind::InvalidHandle;
    default:
        return SystemErrorKind::Unknown;
    }
}

int LastSystemError()
{
    return static_cast<int>(::GetLastError());
}
