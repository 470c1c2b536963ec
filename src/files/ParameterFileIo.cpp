#include "files/ParameterFileIo.h"

#include "files/ParameterFileCodec.h"
#include "model/StringTable.h"

std::string FailedToCreateFileMessage(const std::string& fileErrorText)
{
    return FormatString(IDS_FILE_CREATE_FAILED, {fileErrorText});
}

bool SaveParameterFile(const std::string& path, const ProgrammingJob& job, const std::string& powerText,
                       const std::string& firmwareText, std::string* message)
{
    return WriteParameterFile(path, BuildParameterImage(job, powerText, firmwareText), message);
}
