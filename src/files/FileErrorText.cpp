#include "files/FileErrorText.h"

#include "model/StringTable.h"

std::string FileErrorKindText(FileErrorKind kind, const std::string& path)
{
    static constexpr struct {
        FileErrorKind kind;
        int id;
    } Texts[] = {
        {FileErrorKind::NotFound, IDS_FILE_NOT_FOUND},
        {FileErrorKind::BadPath, IDS_FILE_BAD_PATH},
        {FileErrorKind::TooManyOpenFiles, IDS_FILE_TOO_MANY_OPEN},
        {FileErrorKind::AccessDenied, IDS_FILE_ACCESS_DENIED},
        {FileErrorKind::InvalidHandle, IDS_FILE_INVALID_HANDLE},
        {FileErrorKind::DirectoryFull, IDS_FILE_DIRECTORY_FULL},
        {FileErrorKind::HardwareIo, IDS_FILE_HARDWARE_IO},
        {FileErrorKind::SharingViolation, IDS_FILE_SHARING_VIOLATION},
        {FileErrorKind::LockViolation, IDS_FILE_LOCK_VIOLATION},
        {FileErrorKind::DiskFull, IDS_FILE_DISK_FULL},
    };
    for (const auto& entry : Texts)
        if (entry.kind == kind)
            return FormatString(entry.id, {path});
    return FormatString(IDS_FILE_UNKNOWN_ERROR, {path});
}

std::string FileErrorText(int error, const std::string& path)
{
    return FileErrorKindText(ClassifyFileError(error), path);
}
