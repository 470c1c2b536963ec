// What is wrong with a path for a parameter file, found out before it is read or saved, in words
// that name the real cause: a folder where a file belongs, a device or pipe, a folder that does
// not exist, no permission to read. The open or save itself still reports what only it can see.
#pragma once

#include <string>

enum class FileUse {
    Read, // show, write --file, Load
    Save, // read --save, Save
};

// The problem with path for that use; empty when none can be seen beforehand.
std::string FileProblemText(const std::string& path, FileUse use);
