// Parameter files through the Win32 file calls: sharing, devices and the safe replace.
#include "files/ParameterFileIo.h"

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "ParameterFileSamples.h"
#include "files/ParameterFileCodec.h"

namespace {

struct ParameterFileIoWin : ::testing::Test {
    std::string dir;
    void SetUp() override
    {
        char base[MAX_PATH];
        ASSERT_GT(::GetTempPathA(sizeof base, base), 0u);
        char name[MAX_PATH];
        ASSERT_NE(::GetTempFileNameA(base, "prv", 0, name), 0u);
        ::DeleteFileA(name);
        ASSERT_TRUE(::CreateDirectoryA(name, nullptr));
        dir = name;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::string Path(const std::string& name) const { return dir + "\\" + name; }
    static std::vector<uint8_t> Contents(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }
    static void Put(const std::string& path, const std::vector<uint8_t>& bytes)
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // Another program's handle on a file, with the sharing it allows.
    static HANDLE Hold(const std::string& path, DWORD access, DWORD share)
    {
        return ::CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
};

} // namespace

TEST_F(ParameterFileIoWin, SaveReplacesALongerOldFileAndLeavesNoTemporary)
{
    const std::string path = Path("unit.oxl");
    Put(path, std::vector<uint8_t>(5000, 0xAB));
    const std::vector<uint8_t> image = ComposeImage(ImageFields{});
    std::string message;
    ASSERT_TRUE(WriteParameterFile(path, image, &message)) << message;
    EXPECT_EQ(Contents(path), image);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadParameterFile(path, &bytes, &message)) << message;
    EXPECT_EQ(bytes, image);
    ASSERT_TRUE(WriteParameterFile(Path("new.oxl"), {7}, &message)) << message;
    EXPECT_EQ(Names(), (std::vector<std::string>{"new.oxl", "unit.oxl"}));
}

TEST_F(ParameterFileIoWin, RefusedSaveKeepsTheOldFileWhole)
{
    const std::string path = Path("good.oxl");
    const std::vector<uint8_t> good = ComposeImage(ImageFields{});
    Put(path, good);
    const std::string sharing = "Failed to create file (A sharing violation occurred while accessing " + path + ".)";
    struct Case {
        const char* holder;
        DWORD access, share;
        bool readable; // a load may go on while it holds the file
    } cases[] = {
        {"a writer that shares nothing", GENERIC_WRITE, 0, false},
        {"a reader that lets others read", GENERIC_READ, FILE_SHARE_READ, true},
        {"a reader that lets others write", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.holder);
        HANDLE held = Hold(path, c.access, c.share);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        std::string message;
        EXPECT_FALSE(WriteParameterFile(path, {9, 9, 9}, &message));
        EXPECT_EQ(message, sharing);
        std::vector<uint8_t> bytes;
        EXPECT_EQ(ReadParameterFile(path, &bytes, &message), c.readable) << message;
        ::CloseHandle(held);
        EXPECT_EQ(Contents(path), good);
        EXPECT_EQ(Names(), std::vector<std::string>{"good.oxl"});
    }
}

TEST_F(ParameterFileIoWin, ReadOnlyFileIsNotReplaced)
{
    const std::string path = Path("readonly.oxl");
    const std::vector<uint8_t> good = ComposeImage(ImageFields{});
    Put(path, good);
    ASSERT_TRUE(::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    HANDLE writable = Hold(path, GENERIC_WRITE, 0);
    if (writable != INVALID_HANDLE_VALUE) {
        // Wine run by root: the read-only attribute is a Unix mode that root passes over.
        ::CloseHandle(writable);
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        GTEST_SKIP() << "this system lets us write a read-only file";
    }
    std::string message;
    EXPECT_FALSE(WriteParameterFile(path, {9}, &message));
    EXPECT_EQ(message, "Failed to create file (Access to " + path + " was denied.)");
    EXPECT_EQ(Contents(path), good);
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(ParameterFileIoWin, FailuresAndTheSaveCheckNameThePath)
{
    const std::string missingDir = Path("no\\such.oxl");
    const std::string missingFile = Path("none.oxl");
    struct Case {
        std::string path;
        std::string readText, saveText; // empty: that one succeeds
    } cases[] = {
        {missingDir, missingDir + " contains an invalid path.", missingDir + " contains an invalid path."},
        {missingFile, missingFile + " was not found.", ""},
        {dir, "Access to " + dir + " was denied.", "Access to " + dir + " was denied."},
        {"NUL", "Access to NUL was denied.", "Access to NUL was denied."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        std::vector<uint8_t> bytes;
        std::string message;
        EXPECT_FALSE(ReadParameterFile(c.path, &bytes, &message));
        EXPECT_EQ(message, FailedToCreateFileMessage(c.readText));
        message = "untouched";
        EXPECT_EQ(CheckParameterFileSavePath(c.path, &message), c.saveText.empty());
        EXPECT_EQ(message, c.saveText.empty() ? "untouched" : FailedToCreateFileMessage(c.saveText));
        if (!c.saveText.empty()) {
            std::string saved;
            EXPECT_FALSE(WriteParameterFile(c.path, {1}, &saved));
            EXPECT_EQ(saved, message);
        }
    }
    EXPECT_TRUE(Names().empty()); // the checks and refusals created nothing
}
