// The texts of file errors, by kind, each naming the file by the path as the user chose it.
#pragma once

#include <string>

enum class FileErrorKind {
    NotFound,         // "%1 was not found."
    BadPath,          // "%1 contains an invalid path."
    TooManyOpenFiles, // "%1 could not be opened because there are too many open files."
    AccessDenied,     // "Access to %1 was denied."
    InvalidHandle,    // "An invalid file handle was associated with %1."
    DirectoryFull,    // "%1 could not be created because the directory is full."
    HardwareIo,       // "A hardware I/O error was reported while accessing %1."
    SharingViolation, // "A sharing violation occurred while accessing %1."
    LockViolation,    // "A locking violation occurred while accessing %1."
    DiskFull,         // "Disk full while accessing %1." (also a write that stores fewer bytes)
    Unknown,          // "An unknown error occurred while accessing %1."
};

// The kind of an errno value met while opening, reading, writing or closing a file.
FileErrorKind ClassifyFileError(int error);
// The text of a kind with %1 replaced by path.
std::string FileErrorKindText(FileErrorKind kind, const std::string& path);
// FileErrorKindText(ClassifyFileError(error), path).
std::string FileErrorText(int error, const std::string& path);
