#include "serial/SimulatorPorts.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
using DirPtr = std::unique_ptr<DIR, DirCloser>;

bool IsNumber(const char* name)
{
    if (*name == '\0')
        return false;
    for (; *name != '\0'; ++name)
        if (*name < '0' || *name > '9')
            return false;
    return true;
}

std::string LinkTarget(const std::string& path)
{
    char link[256] = {};
    const ssize_t length = ::readlink(path.c_str(), link, sizeof link - 1);
    return std::string(link, length > 0 ? static_cast<size_t>(length) : 0);
}

long PtsNumber(const std::string& path)
{
    const std::string prefix = "/dev/pts/";
    if (path.rfind(prefix, 0) != 0 || !IsNumber(path.c_str() + prefix.size()))
        return -1;
    return std::strtol(path.c_str() + prefix.size(), nullptr, 10);
}

} // namespace

std::vector<std::string> FindSimulatorPorts(const std::string& procRoot)
{
    std::vector<long> numbers;
    DirPtr proc(::opendir(procRoot.c_str()));
    if (!proc)
        return {};
    while (const dirent* entry = ::readdir(proc.get())) {
        if (!IsNumber(entry->d_name))
            continue;
        const std::string pidDir = procRoot + "/" + entry->d_name;
        std::string name;
        std::getline(std::ifstream(pidDir + "/comm"), name);
        if (name != "pravel-sim")
            continue;
        DirPtr fds(::opendir((pidDir + "/fd").c_str()));
        if (!fds)
            continue;
        while (const dirent* fd = ::readdir(fds.get())) {
            if (!IsNumber(fd->d_name) || std::atoi(fd->d_name) <= 2)
                continue;
            const std::string target = LinkTarget(pidDir + "/fd/" + fd->d_name);
            if (long number = PtsNumber(target); number >= 0) {
                numbers.push_back(number);
            } else if (target == "/dev/ptmx" || target == "/dev/pts/ptmx") {
                std::ifstream info(pidDir + "/fdinfo/" + fd->d_name);
                std::string line;
                while (std::getline(info, line))
                    if (line.rfind("tty-index:", 0) == 0)
                        numbers.push_back(std::strtol(line.c_str() + 10, nullptr, 10));
            }
        }
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    std::vector<std::string> ports;
    for (long number : numbers)
        ports.push_back("/dev/pts/" + std::to_string(number));
    return ports;
}
