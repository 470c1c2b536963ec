#include "files/FileErrorText.h"

#include <cerrno>
#include <gtest/gtest.h>

TEST(FileErrorText, ErrnoMapsOntoTheKindsAndTheirTexts)
{
    const std::string path = "/tmp/a b.oxl";
    const std::pair<int, const char*> cases[] = {
        {ENOENT, "/tmp/a b.oxl was not found."},
        {ENOTDIR, "/tmp/a b.oxl contains an invalid path."},
        {ENAMETOOLONG, "/tmp/a b.oxl contains an invalid path."},
        {EMFILE, "/tmp/a b.oxl could not be opened because there are too many open files."},
        {ENFILE, "/tmp/a b.oxl could not be opened because there are too many open files."},
        {EACCES, "Access to /tmp/a b.oxl was denied."},
        {EPERM, "Access to /tmp/a b.oxl was denied."},
        {EROFS, "Access to /tmp/a b.oxl was denied."},
        {EISDIR, "Access to /tmp/a b.oxl was denied."},
        {EBADF, "An invalid file handle was associated with /tmp/a b.oxl."},
        {EMLINK, "/tmp/a b.oxl could not be created because the directory is full."},
        {EIO, "A hardware I/O error was reported while accessing /tmp/a b.oxl."},
        {EWOULDBLOCK, "A sharing violation occurred while accessing /tmp/a b.oxl."},
        {ETXTBSY, "A sharing violation occurred while accessing /tmp/a b.oxl."},
        {ENOLCK, "A locking violation occurred while accessing /tmp/a b.oxl."},
        {ENOSPC, "Disk full while accessing /tmp/a b.oxl."},
        {EDQUOT, "Disk full while accessing /tmp/a b.oxl."},
        {EFBIG, "Disk full while accessing /tmp/a b.oxl."},
        {EINVAL, "An unknown error occurred while accessing /tmp/a b.oxl."},
        {0, "An unknown error occurred while accessing /tmp/a b.oxl."},
    };
    for (const auto& [error, text] : cases)
        EXPECT_EQ(FileErrorText(error, path), text) << error;
}

TEST(FileErrorText, PathIsNamedAsItStands)
{
    EXPECT_EQ(FileErrorKindText(FileErrorKind::NotFound, "%1 50%"), "%1 50% was not found.");
    EXPECT_EQ(FileErrorKindText(FileErrorKind::AccessDenied, ""), "Access to  was denied.");
}
