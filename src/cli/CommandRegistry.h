// The commands pravel-cli knows, and the dispatch from a command line to one of them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cli/Command.h"

// A fresh instance of every command, in the order the usage lists them.
std::vector<std::unique_ptr<CCommand>> MakeCommands();
// A fresh instance of the named command, or null.
std::unique_ptr<CCommand> MakeCommand(const std::string& name);

// Runs a whole command line (the program name not included): the first argument names the
// command, the rest are its options. Returns the exit status.
int RunCommandLine(const std::vector<std::string>& args, CommandIo& io);
