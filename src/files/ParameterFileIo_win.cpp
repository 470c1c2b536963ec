#include "files/ParameterFileIo.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "files/ParameterFileCodec.h"

namespace {

bool Fail(DWORD error, const std::string& path, std::string* message)
{
    if (message != nullptr)
        *message = FailedToCreateFileMessage(FileErrorText(static_cast<int>(error), path));
    return false;
}

bool FailKind(FileErrorKind kind, const std::string& path, std::string* message)
{
    if (message != nullptr)
        *message = FailedToCreateFileMessage(FileErrorKindText(kind, path));
    return false;
}

// Closes a handle on every path out of a function.
class CHandleGuard {
public:
    explicit CHandleGuard(HANDLE handle) : m_handle(handle) {}
    CHandleGuard(const CHandleGuard&) = delete;
    CHandleGuard& operator=(const CHandleGuard&) = delete;
    ~CHandleGuard() { Close(); }
    HANDLE Get() const { return m_handle; }
    bool Valid() const { return m_handle != INVALID_HANDLE_VALUE; }
    // The result of CloseHandle; true when there was nothing to close.
    bool Close()
    {
        if (!Valid())
            return true;
        const bool closed = ::CloseHandle(m_handle) != FALSE;
        m_handle = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE m_handle;
};

// Only a file on a disk is a parameter file: a console, a serial port, a printer or a pipe
// opened by name is refused as a directory is.
bool IsDiskFile(HANDLE file)
{
    return ::GetFileType(file) == FILE_TYPE_DISK;
}

// A new file beside target, for writing, no sharing. INVALID_HANDLE_VALUE with the last error set
// on failure. With deleteOnClose the file goes away when the handle is closed (a probe).
HANDLE CreateTemporary(const std::string& target, std::string* temporary, bool deleteOnClose)
{
    static std::atomic<unsigned> counter{0};
    const size_t slash = target.find_last_of("/\\:");
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    const std::string prefix = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const DWORD flags = FILE_ATTRIBUTE_NORMAL | (deleteOnClose ? FILE_FLAG_DELETE_ON_CLOSE : 0);
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[40];
        std::snprintf(suffix, sizeof suffix, ".%08lx%04x.tmp", static_cast<unsigned long>(::GetTickCount()),
                      (static_cast<unsigned>(::GetCurrentProcessId()) + counter++) & 0xFFFFu);
        *temporary = prefix + "~" + base + suffix;
        HANDLE file = ::CreateFileA(temporary->c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, flags, nullptr);
        if (file != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_FILE_EXISTS)
            return file;
    }
    ::SetLastError(ERROR_FILE_EXISTS);
    return INVALID_HANDLE_VALUE;
}

// Looks at an existing file before it is replaced: it must be a file on a disk that we may write
// and nobody holds. ERROR_SUCCESS with *exists false when there is no file at path.
DWORD ProbeTarget(const std::string& path, bool* exists, bool* notADiskFile)
{
    *exists = false;
    *notADiskFile = false;
    // No sharing: a file that another program (or another save or load) has open is refused.
    // Opening for writing does not change the file.
    CHandleGuard file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                    nullptr));
    if (!file.Valid()) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;
    }
    *exists = true;
    *notADiskFile = !IsDiskFile(file.Get());
    return ERROR_SUCCESS;
}

} // namespace

bool WriteParameterFile(const std::string& path, const std::vector<uint8_t>& image, std::string* message)
{
    // The new bytes go to a temporary file beside the target, which replaces the target only once
    // they are all on the disk: a failure half-way leaves a good older file as it was.
    bool exists = false;
    bool notADiskFile = false;
    if (const DWORD error = ProbeTarget(path, &exists, &notADiskFile); error != ERROR_SUCCESS)
        return Fail(error, path, message);
    if (notADiskFile)
        return FailKind(FileErrorKind::AccessDenied, path, message);

    std::string temporary;
    CHandleGuard file(CreateTemporary(path, &temporary, false));
    if (!file.Valid())
        return Fail(::GetLastError(), path, message);
    auto discard = [&](DWORD error) {
        file.Close();
        ::DeleteFileA(temporary.c_str());
        return Fail(error, path, message);
    };

    // One write of the whole image; a write that stores fewer bytes is a full disk.
    DWORD written = 0;
    if (!::WriteFile(file.Get(), image.data(), static_cast<DWORD>(image.size()), &written, nullptr))
        return discard(::GetLastError());
    if (written != image.size()) {
        discard(ERROR_SUCCESS);
        return FailKind(FileErrorKind::DiskFull, path, message);
    }
    if (!::FlushFileBuffers(file.Get()))
        return discard(::GetLastError());
    if (!file.Close())
        return discard(::GetLastError());

    // ReplaceFile keeps the old file's attributes and security; where the file system cannot
    // (or the file went away meanwhile), a plain move over it does the same job.
    if (exists && ::ReplaceFileA(path.c_str(), temporary.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                                 nullptr, nullptr))
        return true;
    if (!::MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return discard(::GetLastError());
    return true;
}

bool ReadParameterFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* message)
{
    // Others may read the file at the same time, not write it.
    CHandleGuard file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return Fail(::GetLastError(), path, message);
    if (!IsDiskFile(file.Get()))
        return FailKind(FileErrorKind::AccessDenied, path, message);
    std::vector<uint8_t> buffer(ParameterFileImageSize);
    DWORD count = 0;
    if (!::ReadFile(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &count, nullptr))
        return Fail(::GetLastError(), path, message);
    buffer.resize(count);
    *bytes = std::move(buffer);
    return true; // read-only: nothing is lost if closing fails
}

bool CheckParameterFileSavePath(const std::string& path, std::string* message)
{
    bool exists = false;
    bool notADiskFile = false;
    if (const DWORD error = ProbeTarget(path, &exists, &notADiskFile); error != ERROR_SUCCESS)
        return Fail(error, path, message);
    if (notADiskFile)
        return FailKind(FileErrorKind::AccessDenied, path, message);
    // The save creates its new file in the folder: try that with a file that goes away on close.
    std::string temporary;
    CHandleGuard probe(CreateTemporary(path, &temporary, true));
    if (!probe.Valid())
        return Fail(::GetLastError(), path, message);
    return true;
}
