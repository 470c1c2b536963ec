// What the user is told when the modem's serial port cannot be opened: string 102 with the port's
// name, then on a line of its own what the system's error means for a technician.
#pragma once

#include <string>

// "Can't open serial port /dev/ttyUSB0\nThe device does not exist." for ENOENT, and so on.
std::string PortOpenErrorText(const std::string& portName, int error);
