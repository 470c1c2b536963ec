#include "files/ParameterFileIo.h"
#include "form/ParameterFileLoader.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <memory>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "ParameterFileSamples.h"
#include "files/ParameterFileCodec.h"
#include "model/DialogIds.h"
#include "form/DialogItemModel.h"
#include "form/ParameterForm.h"

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

namespace {

// Runs a write in a child process whose files may grow to at most limit bytes (SIGXFSZ ignored,
// so the write stops short as on a full disk); the message the write gave, or "" on success.
std::string WriteWithSizeLimit(const std::string& path, const std::vector<uint8_t>& image, rlim_t limit)
{
    int out[2];
    if (pipe(out) != 0)
        return "no pipe";
    pid_t child = fork();
    if (child == 0) {
        close(out[0]);
        signal(SIGXFSZ, SIG_IGN);
        rlimit rl{limit, limit};
        std::string message = "rlimit refused";
        if (setrlimit(RLIMIT_FSIZE, &rl) == 0 && WriteParameterFile(path, image, &message))
            message.clear();
        (void)!write(out[1], message.data(), message.size());
        _exit(0);
    }
    close(out[1]);
    std::string message;
    char buffer[512];
    ssize_t n;
    while ((n = read(out[0], buffer, sizeof buffer)) > 0)
        message.append(buffer, static_cast<size_t>(n));
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return message;
}

std::vector<std::string> Names(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST_F(ParameterFileIo, FullDiskIsReported)
{
    std::string path = Path("new.oxl");
    EXPECT_EQ(WriteWithSizeLimit(path, ComposeImage(ImageFields{}), 20),
              "Failed to create file (Disk full while accessing " + path + ".)");
    EXPECT_TRUE(Names(dir).empty()); // nothing half-written is left
}

TEST_F(ParameterFileIo, SaveThatFailsHalfWayKeepsTheOldFile)
{
    std::string path = Path("good.oxl");
    ImageFields fields;
    fields.number = "5550100";
    const std::vector<uint8_t> good = ComposeImage(fields);
    Put(path, good);
    std::vector<uint8_t> bigger = ComposeImage(ImageFields{});
    bigger.resize(bigger.size() + 200, 'x');
    for (rlim_t limit : {rlim_t{0}, rlim_t{30}}) {
        SCOPED_TRACE(limit);
        EXPECT_EQ(WriteWithSizeLimit(path, bigger, limit),
                  "Failed to create file (Disk full while accessing " + path + ".)");
        EXPECT_EQ(Contents(path), good);
        EXPECT_EQ(Names(dir), std::vector<std::string>{"good.oxl"});
    }
}

TEST_F(ParameterFileIo, SaveKeepsTheModeOfAnOldFileAndGivesANewOneTheUmasksMode)
{
    std::string old = Path("old.oxl");
    Put(old, {1});
    ASSERT_EQ(chmod(old.c_str(), 0640), 0);
    std::string message;
    ASSERT_TRUE(WriteParameterFile(old, {1, 2, 3}, &message)) << message;
    struct stat status {};
    ASSERT_EQ(stat(old.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
    EXPECT_EQ(Contents(old), (std::vector<uint8_t>{1, 2, 3}));

    const mode_t mask = umask(027);
    std::string fresh = Path("fresh.oxl");
    const bool written = WriteParameterFile(fresh, {4}, &message);
    umask(mask);
    ASSERT_TRUE(written) << message;
    ASSERT_EQ(stat(fresh.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
    EXPECT_EQ(Names(dir), (std::vector<std::string>{"fresh.oxl", "old.oxl"}));
}

TEST_F(ParameterFileIo, NonRegularFilesAreRefusedAtOnce)
{
    std::string fifo = Path("fifo.oxl");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
    std::string socketPath = Path("socket.oxl");
    int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const std::string paths[] = {fifo, dir, "/dev/null", socketPath};
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        const std::string refused = "Failed to create file (Access to " + path + " was denied.)";
        // Each on a thread of its own, left behind should it block, so that the test fails
        // instead of hanging.
        auto read = std::make_shared<std::promise<std::string>>();
        auto readDone = read->get_future();
        std::thread([read, path] {
            std::vector<uint8_t> bytes;
            std::string message;
            read->set_value(ReadParameterFile(path, &bytes, &message) ? std::string("read") : message);
        }).detach();
        auto write = std::make_shared<std::promise<std::string>>();
        auto writeDone = write->get_future();
        std::thread([write, path] {
            std::string message;
            write->set_value(WriteParameterFile(path, {1, 2}, &message) ? std::string("written") : message);
        }).detach();
        ASSERT_EQ(readDone.wait_for(std::chrono::seconds(5)), std::future_status::ready);
        ASSERT_EQ(writeDone.wait_for(std::chrono::seconds(5)), std::future_status::ready);
        EXPECT_EQ(readDone.get(), refused);
        EXPECT_EQ(writeDone.get(), refused);
    }
    close(sock);
    EXPECT_EQ(Names(dir), (std::vector<std::string>{"fifo.oxl", "socket.oxl"}));
}

TEST_F(ParameterFileIo, SavePathIsCheckedBeforeTheJobWithTheSaveMessage)
{
    std::string plain = Path("plain");
    Put(plain, {1});
    std::string fifo = Path("fifo.oxl");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
    struct Case {
        std::string path;
        bool fine;
        std::string text; // the file error text
    };
    const Case cases[] = {
        {Path("no/such.oxl"), false, Path("no/such.oxl") + " contains an invalid path."},
        {plain + "/x.oxl", false, plain + "/x.oxl contains an invalid path."},
        {dir, false, "Access to " + dir + " was denied."},
        {fifo, false, "Access to " + fifo + " was denied."},
        {"/dev/null", false, "Access to /dev/null was denied."},
        {Path("fine.oxl"), true, ""},
        {plain, true, ""}, // an existing file is replaced
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        std::string message = "untouched";
        EXPECT_EQ(CheckParameterFileSavePath(c.path, &message), c.fine);
        if (c.fine) {
            EXPECT_EQ(message, "untouched");
            continue;
        }
        EXPECT_EQ(message, FailedToCreateFileMessage(c.text));
        // A save there fails with the very same message.
        std::string saved;
        EXPECT_FALSE(WriteParameterFile(c.path, {1}, &saved));
        EXPECT_EQ(saved, message);
    }
    EXPECT_EQ(Names(dir), (std::vector<std::string>{"fifo.oxl", "plain"})); // the checks created nothing
}

TEST_F(ParameterFileIo, SavePathInAReadOnlyFolderIsRefused)
{
    // Root passes over permission bits: the check runs as an unprivileged user then.
    std::string folder = Path("locked");
    ASSERT_EQ(mkdir(folder.c_str(), 0555), 0);
    ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
    std::string path = folder + "/unit.oxl";
    const std::string expected = FailedToCreateFileMessage("Access to " + path + " was denied.");
    std::string message;
    if (geteuid() != 0) {
        EXPECT_FALSE(CheckParameterFileSavePath(path, &message));
        EXPECT_EQ(message, expected);
        return;
    }
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    pid_t child = fork();
    if (child == 0) {
        close(out[0]);
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(1);
        std::string text = "passed";
        (void)CheckParameterFileSavePath(path, &text);
        std::string saved = "saved";
        (void)WriteParameterFile(path, {1}, &saved);
        text += "|" + saved;
        (void)!write(out[1], text.data(), text.size());
        _exit(0);
    }
    close(out[1]);
    char buffer[1024];
    ssize_t n = read(out[0], buffer, sizeof buffer);
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_GT(n, 0);
    EXPECT_EQ(std::string(buffer, static_cast<size_t>(n)), expected + "|" + expected);
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
        {[] {
             ImageFields f;
             f.version = 4;
             return ComposeImage(f);
         }(),
         "Unknown file version. Try view newer version of Pravel!"},
        {[] {
             auto i = ComposeImage(ImageFields{});
             i.resize(60);
             return i;
         }(),
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
