#include "cli/CliDefaults.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "model/ModemProfile.h"

namespace {

constexpr const char* PortKey = "PRAVEL_PORT";
constexpr const char* ModemKey = "PRAVEL_MODEM";

std::string Trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool CheckModem(const std::string& value, const std::string& where, std::string* problem)
{
    if (ParseModemProfile(value))
        return true;
    *problem = where + ": the modem profile must be auto, hash or v253, not '" + value + "'.";
    return false;
}

bool ReadFile(const std::string& path, CliDefaults* defaults, std::string* problem)
{
    std::error_code error;
    if (path.empty() || !std::filesystem::exists(path, error))
        return true;
    std::ifstream file(path);
    if (!file || std::filesystem::is_directory(path, error)) {
        *problem = path + " cannot be read.";
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        line = Trimmed(line);
        if (line.empty() || line[0] == '#')
            continue;
        const std::string where = path + ":" + std::to_string(number);
        const size_t equals = line.find('=');
        if (equals == std::string::npos) {
            *problem = where + ": expected KEY=VALUE, not '" + line + "'.";
            return false;
        }
        const std::string key = Trimmed(line.substr(0, equals));
        const std::string value = Trimmed(line.substr(equals + 1));
        if (key == PortKey) {
            defaults->port = value;
        } else if (key == ModemKey) {
            if (!CheckModem(value, where, problem))
                return false;
            defaults->modem = value;
        } else {
            *problem = where + ": unknown key '" + key + "' (the keys are " + PortKey + " and " + ModemKey + ").";
            return false;
        }
    }
    return true;
}

} // namespace

std::string CliDefaultsPath(const EnvironmentLookup& environment)
{
    namespace fs = std::filesystem;
    const char* config = environment("XDG_CONFIG_HOME");
    fs::path folder;
    if (config != nullptr && *config != '\0') {
        folder = config;
    } else if (const char* appData = environment("APPDATA"); appData != nullptr && *appData != '\0') {
        folder = appData;
    } else if (const char* home = environment("HOME"); home != nullptr && *home != '\0') {
        folder = fs::path(home) / ".config";
    } else {
        return {};
    }
    return (folder / "pravel" / "pravel-cli.conf").string();
}

bool ReadCliDefaults(const EnvironmentLookup& environment, const std::string& path, CliDefaults* defaults,
                     std::string* problem)
{
    *defaults = {};
    if (!ReadFile(path, defaults, problem))
        return false;
    if (const char* port = environment(PortKey); port != nullptr && *port != '\0')
        defaults->port = port;
    if (const char* modem = environment(ModemKey); modem != nullptr && *modem != '\0') {
        if (!CheckModem(modem, ModemKey, problem))
            return false;
        defaults->modem = modem;
    }
    return true;
}

bool ReadCliDefaults(CliDefaults* defaults, std::string* problem)
{
    const EnvironmentLookup environment = [](const char* name) -> const char* { return std::getenv(name); };
    return ReadCliDefaults(environment, CliDefaultsPath(environment), defaults, problem);
}
