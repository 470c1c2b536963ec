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

std::string FileErrorKindText(FileErrorKind kind, const std::string& path)
{
    switch (kind) {
    case FileErrorKind::NotFound:
        return path + " was not found.";
    case FileErrorKind::BadPath:
        return path + " contains an invalid path.";
    case FileErrorKind::TooManyOpenFiles:
        return path + " could not be opened because there are too many open files.";
    case FileErrorKind::AccessDenied:
        return "Access to " + path + " was denied.";
    case FileErrorKind::InvalidHandle:
        return "An invalid file handle was associated with " + path + ".";
    case FileErrorKind::DirectoryFull:
        return path + " could not be created because the directory is full.";
    case FileErrorKind::HardwareIo:
        return "A hardware I/O error was reported while accessing " + path + ".";
    case FileErrorKind::SharingViolation:
        return "A sharing violation occurred while accessing " + path + ".";
    case FileErrorKind::LockViolation:
        return "A locking violation occurred while accessing " + path + ".";
    case FileErrorKind::DiskFull:
        return "Disk full while accessing " + path + ".";
    case FileErrorKind::Unknown:
        break;
    }
    return "An unknown error occurred while accessing " + path + ".";
}

std::string FileErrorText(int error, const std::string& path)
{
    return FileErrorKindText(ClassifyFileError(error), path);
}
