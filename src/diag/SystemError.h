// One way to tell what kind of failure a system call met. Every call site that reports a
// failed call to the user maps errno through here; the trace keeps the system's own text.
#pragma once

#include <cstdint>
#include <string>

enum class SystemErrorKind {
    None,
    NotFound,       // ENOENT, ENODEV, ENXIO
    Permission,     // EACCES, EPERM
    Busy,           // EBUSY, EAGAIN on an exclusive device
    Resource,       // EMFILE, ENFILE, ENOMEM, ENOSPC
    NotATerminal,   // ENOTTY
    Io,             // EIO
    InvalidHandle,  // EBADF
    Unknown,
};

SystemErrorKind ClassifySystemError(int error);

// The system's English text of an errno value ("No such file or directory").
std::string SystemErrorText(int error);
