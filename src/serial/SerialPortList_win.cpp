// Windows: the serial ports the system has named, from the registry's HARDWARE\DEVICEMAP\SERIALCOMM
// (one value per port: the name is the driver's device, "\Device\Serial0", "\Device\VCP0"; the data
// the port's name, "COM3"). The root folder has no meaning here.
#include "serial/SerialPortList.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace {

// "COM3" before "COM10": by the number after the letters, then by the name.
bool PortOrder(const SerialPortEntry& a, const SerialPortEntry& b)
{
    auto number = [](const std::string& name) {
        size_t i = 0;
        while (i < name.size() && !std::isdigit(static_cast<unsigned char>(name[i])))
            ++i;
        return std::strtoul(name.c_str() + i, nullptr, 10);
    };
    const unsigned long na = number(a.path);
    const unsigned long nb = number(b.path);
    return na != nb ? na < nb : a.path < b.path;
}

} // namespace

std::vector<SerialPortEntry> ListSerialPorts(const std::string&)
{
    std::vector<SerialPortEntry> ports;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return ports;
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD nameSize = sizeof name;
        BYTE data[256];
        DWORD dataSize = sizeof data - 1;
        DWORD type = 0;
        const LONG result = ::RegEnumValueA(key, index, name, &nameSize, nullptr, &type, data, &dataSize);
        if (result == ERROR_NO_MORE_ITEMS)
            break;
        if (result != ERROR_SUCCESS || type != REG_SZ)
            continue;
        data[dataSize] = '\0';
        SerialPortEntry entry;
        entry.path = reinterpret_cast<const char*>(data);
        while (!entry.path.empty() && entry.path.back() == '\0')
            entry.path.pop_back();
        entry.driver = name;
        if (!entry.path.empty())
            ports.push_back(std::move(entry));
    }
    ::RegCloseKey(key);
    std::sort(ports.begin(), ports.end(), PortOrder);
    return ports;
}
