#include "files/FileProblem.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "model/StringTable.h"

namespace fs = std::filesystem;

namespace {

// The folder a path lies in, as the user wrote it; "." for a bare name.
fs::path FolderOf(const fs::path& path)
{
    fs::path folder = path.parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

// For a path whose folder is not there: the first part of the way that is missing or is no folder.
std::string FolderProblem(const std::string& path, FileUse use)
{
    const fs::path folder = FolderOf(path);
    std::error_code folderError;
    if (fs::is_directory(folder, folderError))
        return {};
    // From the root: "/", or the drive's root on Windows, where "C:" alone names no folder.
    fs::path way = folder.root_path();
    for (const fs::path& part : folder.relative_path()) {
        way /= part;
        std::error_code error;
        fs::file_status status = fs::status(way, error);
        if (!fs::exists(status))
            return FormatString(use == FileUse::Read ? IDS_FILE_READ_NO_FOLDER : IDS_FILE_SAVE_NO_FOLDER,
                                {path, way.string()});
        if (!fs::is_directory(status))
            return FormatString(use == FileUse::Read ? IDS_FILE_READ_NOT_FOLDER : IDS_FILE_SAVE_NOT_FOLDER,
                                {path, way.string()});
    }
    return {};
}

} // namespace

std::string FileProblemText(const std::string& path, FileUse use)
{
    if (path.empty())
        return LoadString(IDS_FILE_NO_NAME);
    std::error_code error;
    fs::file_status status = fs::status(path, error);
    if (!fs::exists(status)) {
        std::string folder = FolderProblem(path, use);
        if (!folder.empty())
            return folder;
        return use == FileUse::Read ? FormatString(IDS_FILE_NOT_FOUND, {path}) : std::string();
    }
    if (fs::is_directory(status))
        return FormatString(use == FileUse::Read ? IDS_FILE_READ_FOLDER : IDS_FILE_SAVE_FOLDER, {path});
    if (!fs::is_regular_file(status))
        return FormatString(use == FileUse::Read ? IDS_FILE_READ_NOT_REGULAR : IDS_FILE_SAVE_NOT_REGULAR, {path});
    if (use == FileUse::Read) {
        // A regular file opens at once; only the permission can refuse it here.
        errno = 0;
        if (std::FILE* file = std::fopen(path.c_str(), "rb"))
            std::fclose(file);
        else if (errno == EACCES || errno == EPERM)
            return FormatString(IDS_FILE_READ_DENIED, {path});
    }
    return {};
}
