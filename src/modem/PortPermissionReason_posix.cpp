#include "modem/PortErrorText.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>

#include "model/StringTable.h"
#include "serial/SerialHandle.h"

namespace {

// The names by number, as the number where none is known (the reentrant calls: a job's thread
// may ask at the same time as the user-interface thread).
std::string UserName(uid_t uid)
{
    passwd entry{};
    passwd* found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr)
        return found->pw_name;
    return std::to_string(uid);
}

std::string GroupName(gid_t gid)
{
    group entry{};
    group* found = nullptr;
    char buffer[4096];
    if (::getgrgid_r(gid, &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr)
        return found->gr_name;
    return std::to_string(gid);
}

} // namespace

// What to do about a refused device: join the group it belongs to. The usual group of serial
// ports is dialout; a device of another group (plugdev, uucp, or root alone) is named as found.
std::string PortPermissionReason(const std::string& portName)
{
    const std::string path = SerialDevicePath(portName);
    struct stat status {};
    if (!path.empty() && ::stat(path.c_str(), &status) == 0) {
        const std::string groupName = GroupName(status.st_gid);
        if (groupName != "dialout")
            return FormatString(status.st_gid == 0 ? IDS_PORT_NOT_ALLOWED_ROOT : IDS_PORT_NOT_ALLOWED_GROUP,
                                {path, UserName(status.st_uid), groupName});
    }
    return LoadString(IDS_PORT_NOT_ALLOWED);
}
