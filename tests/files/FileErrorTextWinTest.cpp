#include "files/FileErrorText.h"

#include <windows.h>

#include <gtest/gtest.h>

TEST(FileErrorTextWin, Win32CodesMapOntoTheKindsAndTheirTexts)
{
    const std::string path = "C:\\Units\\a b.oxl";
    const std::pair<DWORD, std::string> cases[] = {
        {ERROR_FILE_NOT_FOUND, path + " was not found."},
        {ERROR_PATH_NOT_FOUND, path + " contains an invalid path."},
        {ERROR_INVALID_NAME, path + " contains an invalid path."},
        {ERROR_TOO_MANY_OPEN_FILES, path + " could not be opened because there are too many open files."},
        {ERROR_ACCESS_DENIED, "Access to " + path + " was denied."},
        {ERROR_WRITE_PROTECT, "Access to " + path + " was denied."},
        {ERROR_INVALID_HANDLE, "An invalid file handle was associated with " + path + "."},
        {ERROR_CANNOT_MAKE, path + " could not be created because the directory is full."},
        {ERROR_CRC, "A hardware I/O error was reported while accessing " + path + "."},
        {ERROR_SHARING_VIOLATION, "A sharing violation occurred while accessing " + path + "."},
        {ERROR_LOCK_VIOLATION, "A locking violation occurred while accessing " + path + "."},
        {ERROR_DISK_FULL, "Disk full while accessing " + path + "."},
        {ERROR_HANDLE_DISK_FULL, "Disk full while accessing " + path + "."},
        {ERROR_ALREADY_EXISTS, "An unknown error occurred while accessing " + path + "."},
    };
    for (const auto& [error, text] : cases)
        EXPECT_EQ(FileErrorText(static_cast<int>(error), path), text) << error;
}
