#include "files/ParameterFileIo.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include "ParameterFileSamples.h"
#include "files/ParameterFileCodec.h"
#include "job/DialogIds.h"
#include "job/DialogItemModel.h"
#include "job/ParameterForm.h"

namespace {

struct ParameterFileIo : ::testing::Test {
    std::string dir;
    void SetUp() override
    {
        char name[] = "/tmp/pravel-files-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir = name;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::string Path(const std::string& name) const { return dir + "/" + name; }
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
};

} // namespace

TEST_F(ParameterFileIo, WriteThenReadGivesTheImageAndAnOlderLongerFileIsTruncated)
{
    std::string path = Path("unit.oxl");
    Put(path, std::vector<uint8_t>(5000, 0xAB));
    std::vector<uint8_t> image = ComposeImage(ImageFields{});
    std::string message = "untouched";
    ASSERT_TRUE(WriteParameterFile(path, image, &message)) << message;
    EXPECT_EQ(Contents(path), image);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(ReadParameterFile(path, &bytes, &message)) << message;
    EXPECT_EQ(bytes, image);
}

TEST_F(ParameterFileIo, ReadTakesAtMostTheImageSize)
{
    std::string path = Path("big.oxl");
    Put(path, std::vector<uint8_t>(ParameterFileImageSize + 500, 'x'));
    std::vector<uint8_t> bytes;
    std::string message;
    ASSERT_TRUE(ReadParameterFile(path, &bytes, &message));
    EXPECT_EQ(bytes.size(), ParameterFileImageSize);
    Put(path, {});
    ASSERT_TRUE(ReadParameterFile(path, &bytes, &message));
    EXPECT_TRUE(bytes.empty());
}

TEST_F(ParameterFileIo, FailuresNameThePath)
{
    std::string message;
    std::vector<uint8_t> bytes;
    std::string missingDir = Path("no/such.oxl");
    EXPECT_FALSE(WriteParameterFile(missingDir, {1, 2}, &message));
    EXPECT_EQ(message, "Failed to create file (" + missingDir + " contains an invalid path.)");
    EXPECT_FALSE(ReadParameterFile(missingDir, &bytes, &message));
    EXPECT_EQ(message, "Failed to create file (" + missingDir + " contains an invalid path.)");

    std::string missingFile = Path("none.oxl");
    EXPECT_FALSE(ReadParameterFile(missingFile, &bytes, &message));
    EXPECT_EQ(message, "Failed to create file (" + missingFile + " was not found.)");

    EXPECT_FALSE(WriteParameterFile(dir, {1, 2}, &message));
    EXPECT_EQ(message, "Failed to create file (Access to " + dir + " was denied.)");
    EXPECT_FALSE(ReadParameterFile(dir, &bytes, &message));
    EXPECT_EQ(message, "Failed to create file (Access to " + dir + " was denied.)");

    // A path through a file is a bad path as well.
    std::string plain = Path("plain");
    Put(plain, {1});
    EXPECT_FALSE(WriteParameterFile(plain + "/x.oxl", {1}, &message));
    EXPECT_EQ(message, "Failed to create file (" + plain + "/x.oxl contains an invalid path.)");
}

TEST_F(ParameterFileIo, FullDiskIsReported)
{
    if (access("/dev/full", W_OK) != 0)
        GTEST_SKIP() << "no /dev/full";
    std::string message;
    EXPECT_FALSE(WriteParameterFile("/dev/full", ComposeImage(ImageFields{}), &message));
    EXPECT_EQ(message, "Failed to create file (Disk full while accessing /dev/full.)");
}

TEST_F(ParameterFileIo, FileHeldByAnotherSaveIsASharingViolation)
{
    std::string path = Path("held.oxl");
    Put(path, ComposeImage(ImageFields{}));
    int fd = open(path.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX), 0);
    std::string message;
    std::vector<uint8_t> bytes;
    EXPECT_FALSE(ReadParameterFile(path, &bytes, &message));
    EXPECT_EQ(message, "Failed to create file (A sharing violation occurred while accessing " + path + ".)");
    EXPECT_FALSE(WriteParameterFile(path, {1, 2, 3}, &message));
    EXPECT_EQ(message, "Failed to create file (A sharing violation occurred while accessing " + path + ".)");
    close(fd);
    EXPECT_EQ(Contents(path), ComposeImage(ImageFields{})); // the refused save truncated nothing
    EXPECT_TRUE(ReadParameterFile(path, &bytes, &message));
}

TEST_F(ParameterFileIo, SaveAndLoadInOneCallEach)
{
    CDialogItemModel items;
    SetInitialValues(items);
    items.SetItemText(IDC_PHONE_NUMBER, "5550100");
    CheckRadioButton(items, IDC_UNIT_FIRST, IDC_UNIT_LAST, 1026);
    ProgrammingJob job{};
    ASSERT_TRUE(FillJob(items, job, JobRead, nullptr));
    CopyValuesToJob(items, job);
    std::string path = Path("saved.oxl");
    std::string message;
    ASSERT_TRUE(SaveParameterFile(path, job, "Line power", "2.13", &message)) << message;

    CDialogItemModel loaded;
    int version = -2;
    LoadOutcome outcome = LoadOutcome::Corrupt;
    ASSERT_TRUE(LoadParameterFile(path, loaded, &message, &version, &outcome)) << message;
    EXPECT_EQ(version, 3);
    EXPECT_EQ(outcome, LoadOutcome::Loaded);
    EXPECT_TRUE(loaded.IsButtonChecked(1026));
    EXPECT_EQ(loaded.GetItemText(IDC_POWER_STATUS), "Line power");

    const std::pair<std::vector<uint8_t>, const char*> bad[] = {
        {std::vector<uint8_t>(41, 0), "This is not a file created by Pravel! Can not read it!"},
        {[] { ImageFields f; f.version = 4; return ComposeImage(f); }(),
         "Unknown file version. Try view newer version of Pravel!"},
        {[] { auto i = ComposeImage(ImageFields{}); i.resize(60); return i; }(),
         "The selected file is too small and is probably corrupt!"},
    };
    for (const auto& [bytes, text] : bad) {
        Put(path, bytes);
        EXPECT_FALSE(LoadParameterFile(path, loaded, &message, &version, &outcome));
        EXPECT_EQ(message, text);
        EXPECT_NE(outcome, LoadOutcome::Loaded);
    }
    EXPECT_FALSE(LoadParameterFile(Path("gone.oxl"), loaded, &message, &version));
    EXPECT_EQ(version, -1);
    EXPECT_EQ(message, "Failed to create file (" + Path("gone.oxl") + " was not found.)");
}
