#include "cli/ParameterFileLoad.h"

#include "files/FileProblem.h"
#include "model/StringTable.h"

bool LoadParameterFileForCli(const std::string& path, IDialogItems& items, std::string* message, int* version)
{
    *message = FileProblemText(path, FileUse::Read);
    if (!message->empty())
        return false;
    if (LoadParameterFile(path, items, message, version))
        return true;
    // The load shares its wrapper with the save ("Failed to create file (...)"); this was a read.
    const std::string created = FormatString(IDS_FILE_CREATE_FAILED, {""});
    const std::string wrapper = created.substr(0, created.find('('));
    if (message->rfind(wrapper, 0) == 0)
        *message = "Failed to read file " + message->substr(wrapper.size());
    return false;
}
