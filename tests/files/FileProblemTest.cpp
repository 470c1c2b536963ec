// The cause named for a path that cannot hold a parameter file, for a read and for a save.
#include "files/FileProblem.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

TEST(FileProblem, NamesTheRealCauseForReadsAndSaves)
{
    const fs::path root = fs::path(::testing::TempDir()) / "file-problem-test";
    fs::remove_all(root);
    fs::create_directories(root / "folder");
    const std::string folder = (root / "folder").string();
    const std::string plain = (root / "plain.oxl").string();
    std::ofstream(plain) << "x";
    const std::string fifo = (root / "pipe").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string missing = (root / "missing.oxl").string();
    const std::string noFolder = (root / "none" / "x.oxl").string();
    const std::string underFile = plain + "/x.oxl";

    struct Case {
        std::string path;
        std::string read;
        std::string save; // empty: nothing seen beforehand
    } cases[] = {
        {folder, folder + " is a folder, not a parameter file.",
         folder + " is a folder: give the name of the file to save to."},
        {fifo, fifo + " is not a regular file (a device, a pipe or a socket): it cannot be read as a parameter file.",
         fifo + " is not a regular file (a device, a pipe or a socket): a parameter file cannot be saved there."},
        {"/dev/null",
         "/dev/null is not a regular file (a device, a pipe or a socket): it cannot be read as a parameter file.",
         "/dev/null is not a regular file (a device, a pipe or a socket): a parameter file cannot be saved there."},
        {missing, missing + " was not found.", ""},
        {noFolder, noFolder + " was not found: the folder " + (root / "none").string() + " does not exist.",
         noFolder + " cannot be saved: the folder " + (root / "none").string() + " does not exist."},
        {underFile, underFile + " was not found: " + plain + " is a file, not a folder.",
         underFile + " cannot be saved: " + plain + " is a file, not a folder."},
        {plain, "", ""},
        {"", "The file name is empty.", "The file name is empty."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FileProblemText(c.path, FileUse::Read), c.read) << c.path;
        EXPECT_EQ(FileProblemText(c.path, FileUse::Save), c.save) << c.path;
    }

    // Permissions do not hold back the superuser.
    if (::geteuid() != 0) {
        ASSERT_EQ(::chmod(plain.c_str(), 0200), 0);
        EXPECT_EQ(FileProblemText(plain, FileUse::Read), plain + " cannot be read: permission denied.");
        ::chmod(plain.c_str(), 0600);
    }
    fs::remove_all(root);
}
