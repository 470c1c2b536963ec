#include "serial/PortUsers.h"

#include <cctype>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <memory>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

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

// Calls visit with the path of each descriptor of the process under /proc until it returns
// true; true then. A process we may not look into, or that has gone meanwhile, has none.
template <typename Visit>
bool AnyDescriptor(const std::string& pidDir, Visit visit)
{
    const std::string fdDir = pidDir + "/fd";
    DirPtr dir(::opendir(fdDir.c_str()));
    if (!dir)
        return false;
    while (const dirent* entry = ::readdir(dir.get()))
        if (DecimalName(entry->d_name) >= 0 && visit(fdDir + "/" + entry->d_name, std::string(entry->d_name)))
            return true;
    return false;
}

// True when one of the process's descriptors is the file.
bool HasOpen(const std::string& pidDir, const struct stat& target)
{
    return AnyDescriptor(pidDir, [&](const std::string& path, const std::string&) {
        struct stat status {};
        // stat follows the descriptor's link to the file itself without opening it.
        return ::stat(path.c_str(), &status) == 0 && SameFile(status, target);
    });
}

// The index of the pseudo-terminal whose slave side this is, or -1 for any other device.
long PtyIndex(const struct stat& device)
{
    if (!S_ISCHR(device.st_mode))
        return -1;
    const unsigned int major = ::major(device.st_rdev);
    if (major < 136 || major > 143) // the kernel's majors of pseudo-terminal slaves
        return -1;
    return static_cast<long>((major - 136) * 256 + ::minor(device.st_rdev));
}

// True when the process holds the master side of pseudo-terminal number index: it is the far
// end of the line (a simulated modem), not a program competing for its answers.
bool HoldsPtyMaster(const std::string& pidDir, long index)
{
    return AnyDescriptor(pidDir, [&](const std::string& path, const std::string& fd) {
        char link[64] = {};
        const ssize_t length = ::readlink(path.c_str(), link, sizeof link - 1);
        const std::string target(link, length > 0 ? static_cast<size_t>(length) : 0);
        if (target != "/dev/ptmx" && target != "/dev/pts/ptmx")
            return false;
        std::ifstream info(pidDir + "/fdinfo/" + fd);
        std::string line;
        while (std::getline(info, line))
            if (line.rfind("tty-index:", 0) == 0 && std::strtol(line.c_str() + 10, nullptr, 10) == index)
                return true;
        return false;
    });
}

std::string CommandName(const std::string& pidDir)
{
    std::ifstream in(pidDir + "/comm");
    std::string name;
    std::getline(in, name);
    return name;
}

// A terminal device: its major number is one of the kernel's tty drivers (/proc/tty/drivers,
// "name /dev/path major minors type"). /dev/null or a disk is no port, and who holds it is no
// concern of a job.
bool IsTerminalDevice(const struct stat& target)
{
    if (!S_ISCHR(target.st_mode))
        return false;
    if (PtyIndex(target) >= 0)
        return true; // the pseudo-terminal slaves span several majors, listed as one
    std::ifstream drivers("/proc/tty/drivers");
    if (!drivers)
        return true; // cannot tell: look
    std::string name, device;
    unsigned major = 0;
    std::string rest;
    while (drivers >> name >> device >> major) {
        if (major == ::major(target.st_rdev))
            return true;
        std::getline(drivers, rest);
    }
    return false;
}

} // namespace

std::vector<PortUser> FindOtherPortUsers(const std::string& portName)
{
    std::vector<PortUser> users;
    const std::string path = SerialDevicePath(portName);
    struct stat target {};
    if (path.empty() || ::stat(path.c_str(), &target) != 0 || !IsTerminalDevice(target))
        return users;
    DirPtr proc(::opendir("/proc"));
    if (!proc)
        return users;
    const long self = static_cast<long>(::getpid());
    const long ptyIndex = PtyIndex(target);
    while (const dirent* entry = ::readdir(proc.get())) {
        const long pid = DecimalName(entry->d_name);
        if (pid <= 0 || pid == self)
            continue;
        const std::string pidDir = std::string("/proc/") + entry->d_name;
        if (HasOpen(pidDir, target) && (ptyIndex < 0 || !HoldsPtyMaster(pidDir, ptyIndex)))
            users.push_back(PortUser{static_cast<int>(pid), CommandName(pidDir)});
    }
    return users;
}
