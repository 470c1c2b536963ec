// One way to tell what kind of failure a system call met. Every call site that reports a
// failed call to the user maps the system's code through here (errno on POSIX, GetLastError on
// Windows); the trace keeps the system's own text.
#pragma once

#include <cstdint>
#include <string>

enum class SystemErrorKind {
    None,
    NotFound,       // ENOENT, ENODEV, ENXIO; ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND
    Permission,     // EACCES, EPERM; ERROR_ACCESS_DENIED
    Busy,           // EBUSY, EAGAIN on an exclusive device; ERROR_SHARING_VIOLATION, ERROR_BUSY
    Resource,       // EMFILE, ENFILE, ENOMEM, ENOSPC; ERROR_TOO_MANY_OPEN_FILES, ERROR_DISK_FULL
    NotATerminal,   // ENOTTY; ERROR_INVALID_FUNCTION, ERROR_NOT_SUPPORTED (not a serial port)
    Io,             // EIO; ERROR_GEN_FAILURE, ERROR_BROKEN_PIPE
    InvalidHandle,  // EBADF; ERROR_INVALID_HANDLE
    Unknown,
};

SystemErrorKind ClassifySystemError(int error);

// The system's English text of an error code ("No such file or directory"), without a line end.
std::string SystemErrorText(int error);

// The calling thread's last system error code: errno on POSIX, GetLastError() on Windows.
int LastSystemError();
