#include "files/FileErrorText.h"

#include <cerrno>

FileErrorKind ClassifyFileError(int error)
{
    switch (error) {
    case ENOENT:
        return FileErrorKind::NotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        return FileErrorKind::BadPath;
    case EMFILE:
    case ENFILE:
        return FileErrorKind::TooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return FileErrorKind::AccessDenied;
    case EBADF:
        return FileErrorKind::InvalidHandle;
    case EMLINK:
        return FileErrorKind::DirectoryFull;
    case EIO:
    case ENXIO:
        return FileErrorKind::HardwareIo;
    case EWOULDBLOCK: // another program holds the file (our advisory lock)
    case EBUSY:
    case ETXTBSY:
        return FileErrorKind::SharingViolation;
    case ENOLCK:
    case EDEADLK:
        return FileErrorKind::LockViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return FileErrorKind::DiskFull;
    default:
        return FileErrorKind::Unknown;
    }
}
