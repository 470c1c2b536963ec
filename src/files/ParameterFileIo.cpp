#include "files/ParameterFileIo.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/ParameterFileCodec.h"
#include "job/StringTable.h"

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

} // namespace

std::string FailedToCreateFileMessage(const std::string& fileErrorText)
{
    return "Failed to create file (" + fileErrorText + ")";
}

bool WriteParameterFile(const std::string& path, const std::vector<uint8_t>& image, std::string* message)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return Fail(errno, path, message);
    // Truncate only once the file is ours, so that a reader holding it keeps its bytes.
    int error = Lock(fd, LOCK_EX);
    struct stat status {};
    if (error == 0 && fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && ftruncate(fd, 0) != 0)
        error = errno;
    if (error != 0) {
        close(fd);
        return Fail(error, path, message);
    }

    // One write of the whole image; a write that stores fewer bytes is a full disk.
    ssize_t written;
    do {
        written = write(fd, image.data(), image.size());
    } while (written < 0 && errno == EINTR);
    if (written < 0) {
        error = errno;
        close(fd);
        return Fail(error, path, message);
    }
    if (static_cast<size_t>(written) != image.size()) {
        close(fd);
        return FailKind(FileErrorKind::DiskFull, path, message);
    }
    if (close(fd) != 0 && errno != EINTR)
        return Fail(errno, path, message);
    return true;
}

bool ReadParameterFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* message)
{
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return Fail(errno, path, message);
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

bool SaveParameterFile(const std::string& path, const ProgrammingJob& job, const std::string& powerText,
                       const std::string& firmwareText, std::string* message)
{
    return WriteParameterFile(path, BuildParameterImage(job, powerText, firmwareText), message);
}

bool LoadParameterFile(const std::string& path, IDialogItems& items, std::string* message, int* version,
                       LoadOutcome* outcome)
{
    if (version != nullptr)
        *version = -1;
    std::vector<uint8_t> bytes;
    if (!ReadParameterFile(path, &bytes, message))
        return false;
    LoadOutcome result = LoadParameterImage(bytes.data(), bytes.size(), items, version);
    if (outcome != nullptr)
        *outcome = result;
    if (result == LoadOutcome::Loaded)
        return true;
    if (message != nullptr)
        *message = LoadString(LoadOutcomeMessageId(result));
    return false;
}
