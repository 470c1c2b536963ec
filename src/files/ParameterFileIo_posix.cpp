#include "files/ParameterFileIo.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/ParameterFileCodec.h"

namespace {

// A missing directory on the way to the file is a bad path, not a missing file.
int RefineError(int error, const std::string& path)
{
    if (error != ENOENT)
        return error;
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0)
        return error;
    struct stat status {};
    if (stat(path.substr(0, slash).c_str(), &status) != 0)
        return ENOTDIR;
    return error;
}

bool Fail(int error, const std::string& path, std::string* message)
{
    if (message != nullptr)
        *message = FailedToCreateFileMessage(FileErrorText(RefineError(error, path), path));
    return false;
}

bool FailKind(FileErrorKind kind, const std::string& path, std::string* message)
{
    if (message != nullptr)
        *message = FailedToCreateFileMessage(FileErrorKindText(kind, path));
    return false;
}

// Takes the advisory lock without waiting. Only another holder is a failure: where locks are not
// supported at all the file is used without one.
int Lock(int fd, int operation)
{
    while (flock(fd, operation | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        return errno == EWOULDBLOCK ? EWOULDBLOCK : 0;
    }
    return 0;
}

// Only a regular file is a parameter file. A FIFO would hold the open or the read for ever, and
// a directory, a device or a socket is no place for one: each is refused at once as the system
// refuses a directory.
bool IsRegular(const struct stat& status)
{
    return S_ISREG(status.st_mode);
}

// The folder a path lies in: "." for a bare name.
std::string FolderOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

// Creates a new file beside target, with a name made from the target's, for writing. The mode
// 0666 is cut by the umask as for any new file. -1 with errno on failure.
int CreateTemporary(const std::string& target, std::string* temporary)
{
    static std::atomic<unsigned> counter{0};
    const std::string folder = FolderOf(target);
    const size_t slash = target.find_last_of('/');
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, "%08x%04x", static_cast<unsigned>(random()),
                      (static_cast<unsigned>(getpid()) + counter++) & 0xFFFFu);
        *temporary = folder + "/." + base + "." + suffix;
        const int fd = open(temporary->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

} // namespace

bool WriteParameterFile(const std::string& path, const std::vector<uint8_t>& image, std::string* message)
{
    // The new bytes go to a temporary file beside the target, which replaces the target only once
    // they are all on the disk: a failure half-way leaves a good older file as it was.
    std::string target = path;
    struct stat status {};
    bool exists = false;
    if (lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode)) {
        // A link stays a link: the file it points to is the one replaced.
        char resolved[PATH_MAX];
        if (realpath(path.c_str(), resolved) != nullptr)
            target = resolved;
    }
    if (stat(target.c_str(), &status) == 0) {
        if (!IsRegular(status))
            return FailKind(FileErrorKind::AccessDenied, path, message);
        if (access(target.c_str(), W_OK) != 0)
            return Fail(errno, path, message);
        exists = true;
    } else if (errno != ENOENT) {
        return Fail(errno, path, message);
    }

    // Another save or a load that holds the file keeps it: ours waits for nobody.
    int lockFd = -1;
    if (exists) {
        lockFd = open(target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (lockFd >= 0) {
            if (int error = Lock(lockFd, LOCK_EX); error != 0) {
                close(lockFd);
                return Fail(error, path, message);
            }
        }
    }
    auto release = [&] {
        if (lockFd >= 0)
            close(lockFd);
    };

    std::string temporary;
    int fd = CreateTemporary(target, &temporary);
    if (fd < 0) {
        const int error = errno;
        release();
        return Fail(error, path, message);
    }
    auto discard = [&](int error) {
        if (fd >= 0)
            close(fd);
        unlink(temporary.c_str());
        release();
        return Fail(error, path, message);
    };

    // One write of the whole image; a write that stores fewer bytes is a full disk.
    ssize_t written;
    do {
        written = write(fd, image.data(), image.size());
    } while (written < 0 && errno == EINTR);
    if (written < 0)
        return discard(errno);
    if (static_cast<size_t>(written) != image.size()) {
        close(fd);
        unlink(temporary.c_str());
        release();
        return FailKind(FileErrorKind::DiskFull, path, message);
    }
    if (exists) {
        // The replaced file's permission bits, and its owner where we may give it one.
        (void)fchmod(fd, status.st_mode & 07777);
        if (status.st_uid != geteuid() || status.st_gid != getegid())
            (void)fchown(fd, status.st_uid, status.st_gid);
    }
    if (fsync(fd) != 0)
        return discard(errno);
    const int closed = close(fd);
    fd = -1;
    if (closed != 0 && errno != EINTR)
        return discard(errno);
    if (rename(temporary.c_str(), target.c_str()) != 0)
        return discard(errno);
    // The rename itself on the disk, as far as the folder lets us.
    if (int dirFd = open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dirFd >= 0) {
        (void)fsync(dirFd);
        close(dirFd);
    }
    release();
    return true;
}

bool ReadParameterFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* message)
{
    struct stat status {};
    if (stat(path.c_str(), &status) == 0 && !IsRegular(status))
        return FailKind(FileErrorKind::AccessDenied, path, message);
    // Without blocking, in case something else has taken the name meanwhile; checked again below.
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return Fail(errno, path, message);
    if (fstat(fd, &status) != 0 || !IsRegular(status)) {
        close(fd);
        return FailKind(FileErrorKind::AccessDenied, path, message);
    }
    int error = Lock(fd, LOCK_SH);
    if (error != 0) {
        close(fd);
        return Fail(error, path, message);
    }
    std::vector<uint8_t> buffer(ParameterFileImageSize);
    ssize_t count;
    do {
        count = read(fd, buffer.data(), buffer.size());
    } while (count < 0 && errno == EINTR);
    if (count < 0) {
        error = errno;
        close(fd);
        return Fail(error, path, message);
    }
    close(fd); // read-only: nothing is lost if closing fails
    buffer.resize(static_cast<size_t>(count));
    *bytes = std::move(buffer);
    return true;
}

bool CheckParameterFileSavePath(const std::string& path, std::string* message)
{
    struct stat status {};
    if (stat(path.c_str(), &status) == 0) {
        if (!IsRegular(status))
            return FailKind(FileErrorKind::AccessDenied, path, message);
        if (access(path.c_str(), W_OK) != 0)
            return Fail(errno, path, message);
    } else if (errno != ENOENT) {
        return Fail(errno, path, message);
    }
    // The save creates its new file in the folder and renames it over the old one.
    const std::string folder = FolderOf(path);
    if (stat(folder.c_str(), &status) != 0)
        return Fail(errno == ENOENT ? ENOTDIR : errno, path, message);
    if (!S_ISDIR(status.st_mode))
        return Fail(ENOTDIR, path, message);
    if (access(folder.c_str(), W_OK | X_OK) != 0)
        return Fail(errno, path, message);
    return true;
}
