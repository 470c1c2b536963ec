#include "serial/SerialPortList.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// The last part of a link's target ("../../ttyUSB0" -> "ttyUSB0"), empty when path is no link.
std::string LinkTargetName(const fs::path& path)
{
    std::error_code error;
    fs::path target = fs::read_symlink(path, error);
    if (error)
        return {};
    return target.filename().string();
}

// A port of the kernel's serial core (the on-board 8250 ports among them) is listed whether or
// not a UART is there; its "type" 0 says none is. USB adapters have no such file.
bool IsEmptyUartPort(const fs::path& ttyFolder)
{
    std::ifstream type(ttyFolder / "type");
    int value = -1;
    return type >> value && value == 0;
}

// The by-id links, by the name of the device each points at.
std::map<std::string, std::string> ByIdLinks(const fs::path& root)
{
    std::map<std::string, std::string> links;
    std::error_code error;
    for (fs::directory_iterator it(root / "dev/serial/by-id", error), end; !error && it != end; it.increment(error)) {
        std::string target = LinkTargetName(it->path());
        if (!target.empty() && !links.count(target))
            links[target] = "/dev/serial/by-id/" + it->path().filename().string();
    }
    return links;
}

} // namespace

std::vector<SerialPortEntry> ListSerialPorts(const std::string& rootFolder)
{
    const fs::path root(rootFolder.empty() ? "/" : rootFolder);
    const std::map<std::string, std::string> byId = ByIdLinks(root);
    std::vector<SerialPortEntry> ports;
    std::error_code error;
    for (fs::directory_iterator it(root / "sys/class/tty", error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        const fs::path folder = it->path();
        std::error_code e;
        // Virtual terminals and pseudo-terminals have no device behind them.
        if (!fs::exists(fs::symlink_status(folder / "device", e)))
            continue;
        if (!fs::exists(fs::symlink_status(root / "dev" / name, e)))
            continue;
        SerialPortEntry entry;
        entry.path = "/dev/" + name;
        entry.driver = LinkTargetName(folder / "device/driver");
        if (IsEmptyUartPort(folder))
            continue;
        auto link = byId.find(name);
        if (link != byId.end())
            entry.byId = link->second;
        ports.push_back(std::move(entry));
    }
    std::sort(ports.begin(), ports.end(),
              [](const SerialPortEntry& a, const SerialPortEntry& b) { return a.path < b.path; });
    return ports;
}
