#include "modem/PortErrorText.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>

#include "diag/SystemError.h"
#include "model/StringTable.h"
#include "serial/SerialDevice.h"

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

// What to do about a refused device: join the group it belongs to. The usual group of serial
// ports is dialout; a device of another group (plugdev, uucp, or root alone) is named as found.
std::string PermissionHint(const std::string& portName)
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

} // namespace

std::string PortOpenErrorText(const std::string& portName, int error)
{
    std::string text = FormatString(IDS_CANT_OPEN_PORT, {portName});

    std::string reason;
    switch (ClassifySystemError(error)) {
    case SystemErrorKind::None:
        break;
    case SystemErrorKind::NotFound:
        reason = LoadString(IDS_PORT_NOT_FOUND);
        break;
    case SystemErrorKind::Permission:
        reason = PermissionHint(portName);
        break;
    case SystemErrorKind::Busy:
        reason = LoadString(IDS_PORT_IN_USE);
        break;
    case SystemErrorKind::NotATerminal:
        reason = LoadString(IDS_PORT_NOT_SERIAL);
        break;
    default:
        reason = SystemErrorText(error);
        break;
    }
    if (!reason.empty())
        text += "\n" + reason;
    return text;
}
