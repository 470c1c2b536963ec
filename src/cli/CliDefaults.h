// Defaults for the options a technician gives every time: the modem's port and its voice
// commands. They come from the environment (PRAVEL_PORT, PRAVEL_MODEM) and from an optional file
// with the same keys, one KEY=VALUE a line ('#' starts a comment):
// $XDG_CONFIG_HOME/pravel/pravel-cli.conf, else ~/.config/pravel/pravel-cli.conf (on Windows
// %APPDATA%\pravel\pravel-cli.conf). An option on the command line wins over the environment,
// the environment over the file. The programming code is never taken from either.
#pragma once

#include <functional>
#include <string>

struct CliDefaults {
    std::string port;  // empty: none
    std::string modem; // "auto", "hash" or "v253"; empty: none
};

// Looks a name up in the environment; nullptr when it is not set.
using EnvironmentLookup = std::function<const char*(const char*)>;

// Where the file is looked for, from the environment; empty when no home is known.
std::string CliDefaultsPath(const EnvironmentLookup& environment);
// Reads the defaults from the environment and the file at path (a missing file is no problem).
// False with the problem (an unreadable file, a line that is no KEY=VALUE, an unknown key, a
// profile that does not exist) naming where it is.
bool ReadCliDefaults(const EnvironmentLookup& environment, const std::string& path, CliDefaults* defaults,
                     std::string* problem);
// The same for this process: its environment and its file.
bool ReadCliDefaults(CliDefaults* defaults, std::string* problem);
