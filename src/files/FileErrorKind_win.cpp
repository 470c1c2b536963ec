#include "files/FileErrorText.h"

#include <windows.h>

FileErrorKind ClassifyFileError(int error)
{
    switch (static_cast<DWORD>(error)) {
    case ERROR_FILE_NOT_FOUND:
        return FileErrorKind::NotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_INVALID_DRIVE:
    case ERROR_DIRECTORY:
    case ERROR_BAD_NETPATH:
        return FileErrorKind::BadPath;
    case ERROR_TOO_MANY_OPEN_FILES:
        return FileErrorKind::TooManyOpenFiles;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_CURRENT_DIRECTORY:
    case ERROR_FILE_READ_ONLY:
        return FileErrorKind::AccessDenied;
    case ERROR_INVALID_HANDLE:
        return FileErrorKind::InvalidHandle;
    case ERROR_CANNOT_MAKE:
        return FileErrorKind::DirectoryFull;
    case ERROR_GEN_FAILURE:
    case ERROR_CRC:
    case ERROR_SEEK:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
    case ERROR_NOT_READY:
    case ERROR_IO_DEVICE:
        return FileErrorKind::HardwareIo;
    case ERROR_SHARING_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
        return FileErrorKind::SharingViolation;
    case ERROR_LOCK_VIOLATION:
        return FileErrorKind::LockViolation;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_FILE_TOO_LARGE:
        return FileErrorKind::DiskFull;
    default:
        return FileErrorKind::Unknown;
    }
}
