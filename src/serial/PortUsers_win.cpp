// Windows: a COM port is opened without sharing, so another program that holds it makes our open
// fail with ERROR_ACCESS_DENIED, which the open already reports; there is no one to look for.
#include "serial/PortUsers.h"

std::vector<PortUser> FindOtherPortUsers(const std::string&)
{
    return {};
}
