#include "cli/ParameterFileLoad.h"

#include <sys/stat.h>

#include <cerrno>

#include "files/FileErrorText.h"
#include "files/ParameterFileIo.h"

bool LoadParameterFileForCli(const std::string& path, IDialogItems& items, std::string* message, int* version)
{
    struct stat info = {};
    if (::stat(path.c_str(), &info) != 0 && (errno == ENOENT || errno == ENOTDIR)) {
        *message = FileErrorKindText(FileErrorKind::NotFound, path);
        return false;
    }
    return LoadParameterFile(path, items, message, version);
}
