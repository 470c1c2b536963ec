// Loading a parameter file into the in-memory dialog for show and write --file, with the messages
// a technician at a shell needs: a path that does not exist is said to be "not found" (the load's
// own message puts every failure to open inside "Failed to create file (...)").
#pragma once

#include <string>

#include "form/DialogItems.h"
#include "form/ParameterFileLoader.h"

// LoadParameterFile, after looking whether the path exists at all. False with the message.
bool LoadParameterFileForCli(const std::string& path, IDialogItems& items, std::string* message,
                             int* version = nullptr);
