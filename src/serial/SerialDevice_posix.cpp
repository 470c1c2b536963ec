#include <cctype>
#include <cerrno>
#include <string>

#include "serial/SerialDevice.h"

std::string SerialDevicePath(const std::string& portName)
{
    if (!portName.empty() && portName[0] == '/')
        return portName;
    // "comN", any case, N a decimal number from 1: the N-th serial port is /dev/ttyS(N-1).
    if (portName.size() < 4 || portName.size() > 8)
        return {};
    for (size_t i = 0; i < 3; ++i) {
        if (std::tolower(static_cast<unsigned char>(portName[i])) != "com"[i])
            return {};
    }
    unsigned long number = 0;
    for (size_t i = 3; i < portName.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(portName[i])))
            return {};
        number = number * 10 + static_cast<unsigned long>(portName[i] - '0');
    }
    if (number == 0 || portName[3] == '0')
        return {};
    return "/dev/ttyS" + std::to_string(number - 1);
}

bool IsDeviceGone(int error)
{
    switch (error) {
    case EBADF:
    case EIO:
    case ENXIO:
    case ENODEV:
    case EPIPE:
    case ECONNRESET:
        return true;
    default:
        return false;
    }
}
