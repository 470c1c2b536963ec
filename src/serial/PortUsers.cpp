#include "serial/PortUsers.h"

#include "model/StringTable.h"

std::string PortUsersWarning(const std::string& portName, const std::vector<PortUser>& users)
{
    std::string list;
    for (const PortUser& user : users) {
        if (!list.empty())
            list += ", ";
        list += (user.name.empty() ? std::string("?") : user.name) + " (pid " + std::to_string(user.pid) + ")";
    }
    return FormatString(IDS_PORT_USERS_WARNING, {portName, list}); // one pass: a "%2" in the name stays
}
