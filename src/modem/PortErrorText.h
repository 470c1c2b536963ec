// What the user is told when the modem's serial port cannot be opened: string 102 with the port's
// name, then on a line of its own what the system's error means for a technician.
#pragma once

#include <string>

// "Can't open serial port /dev/ttyUSB0\nThe device does not exist." for ENOENT, and so on: error is
// the system's code (errno on POSIX, GetLastError on Windows).
std::string PortOpenErrorText(const std::string& portName, int error);

// The reason given when the system refused the port for want of permission. Linux: which group
// to join (the device's own when it is not dialout). Windows: the port is in use, as a COM port
// that another program holds is refused with "access denied".
std::string PortPermissionReason(const std::string& portName);
