// The name of the serial port the modem is on: "comN" or a device path. One per process; the user
// interface changes it at any time, a job reads it when it opens the port. Access is locked.
#pragma once

#include <string>

std::string GetComPortName();
void SetComPortName(const std::string& name);
