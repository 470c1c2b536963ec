#include "diag/SystemError.h"

#include <cerrno>

SystemErrorKind ClassifySystemError(int error)
{
    switch (error) {
    case 0:
        return SystemErrorKind::None;
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR:
        return SystemErrorKind::NotFound;
    case EACCES:
    case EPERM:
    case EROFS:
        return SystemErrorKind::Permission;
    case EBUSY:
    case EAGAIN:
        return SystemErrorKind::Busy;
    case EMFILE:
    case ENFILE:
    case ENOMEM:
    case ENOSPC:
        return SystemErrorKind::Resource;
    case ENOTTY:
        return SystemErrorKind::NotATerminal;
    case EIO:
        return SystemErrorKind::Io;
    case EBADF:
        return SystemErrorKind::InvalidHandle;
    default:
        return SystemErrorKind::Unknown;
    }
}

int LastSystemError()
{
    return errno;
}
