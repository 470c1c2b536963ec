// Loading a parameter file into the in-memory dialog for show and write --file, with the messages
// a technician at a shell needs: what is wrong with the path is said before the load tries it
// (not found, a folder, no permission), and a failure of the read itself is worded as a read.
#pragma once

#include <string>

#include "form/DialogItems.h"
#include "form/ParameterFileLoader.h"

// LoadParameterFile, after looking at the path. False with the message.
bool LoadParameterFileForCli(const std::string& path, IDialogItems& items, std::string* message,
                             int* version = nullptr);
