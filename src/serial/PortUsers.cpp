#include "serial/PortUsers.h"

#include <cctype>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "job/StringTable.h"
#include "serial/SerialDevice.h"

namespace {

// The same file: a device by its device number (any node of it), anything else by its inode.
bool SameFile(const struct stat& a, const struct stat& b)
{
    if (S_ISCHR(a.st_mode) || S_ISBLK(a.st_mode))
        return (a.st_mode & S_IFMT) == (b.st_mode & S_IFMT) && a.st_rdev == b.st_rdev;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// A decimal number and nothing else; -1 otherwise.
long DecimalName(const char* name)
{
    if (*name == '\0')
        return -1;
    long value = 0;
    for (const char* p = name; *p != '\0'; ++p) {
        if (!std::isdigit(static_cast<unsigned char>(*p)) || value > 100000000)
            return -1;
        value = value * 10 + (*p - '0');
    }
    return value;
}

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
using DirPtr = std::unique_ptr<DIR, DirCloser>;

// True when one of the process's descriptors is the file; a process we may not look into, or
// that has gone meanwhile, has none.
bool HasOpen(const std::string& pidDir, const struct stat& target)
{
    const std::string fdDir = pidDir + "/fd";
    DirPtr dir(::opendir(fdDir.c_str()));
    if (!dir)
        return false;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (DecimalName(entry->d_name) < 0)
            continue;
        struct stat status {};
        // stat follows the descriptor's link to the file itself without opening it.
        if (::stat((fdDir + "/" + entry->d_name).c_str(), &status) == 0 && SameFile(status, target))
            return true;
    }
    return false;
}

std::string CommandName(const std::string& pidDir)
{
    std::ifstream in(pidDir + "/comm");
    std::string name;
    std::getline(in, name);
    return name;
}

} // namespace

std::vector<PortUser> FindOtherPortUsers(const std::string& portName)
{
    std::vector<PortUser> users;
    const std::string path = SerialDevicePath(portName);
    struct stat target {};
    if (path.empty() || ::stat(path.c_str(), &target) != 0)
        return users;
    DirPtr proc(::opendir("/proc"));
    if (!proc)
        return users;
    const long self = static_cast<long>(::getpid());
    while (const dirent* entry = ::readdir(proc.get())) {
        const long pid = DecimalName(entry->d_name);
        if (pid <= 0 || pid == self)
            continue;
        const std::string pidDir = std::string("/proc/") + entry->d_name;
        if (HasOpen(pidDir, target))
            users.push_back(PortUser{static_cast<int>(pid), CommandName(pidDir)});
    }
    return users;
}

std::string PortUsersWarning(const std::string& portName, const std::vector<PortUser>& users)
{
    std::string list;
    for (const PortUser& user : users) {
        if (!list.empty())
            list += ", ";
        list += (user.name.empty() ? std::string("?") : user.name) + " (pid " + std::to_string(user.pid) + ")";
    }
    // One pass over the template, so that a "%2" inside the port's name stays as it is.
    const std::string form = LoadString(IDS_PORT_USERS_WARNING);
    std::string text;
    for (size_t i = 0; i < form.size(); ++i) {
        if (form[i] == '%' && i + 1 < form.size() && (form[i + 1] == '1' || form[i + 1] == '2')) {
            text += form[i + 1] == '1' ? portName : list;
            ++i;
        } else {
            text += form[i];
        }
    }
    return text;
}
