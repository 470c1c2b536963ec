// Who else has the modem's serial device open. Another program that holds the port (a terminal
// program, or ModemManager probing a new modem) may take the modem's answers away from a job, so
// the front ends look before they dial and warn the user.
#pragma once

#include <string>
#include <vector>

struct PortUser {
    int pid;
    std::string name; // name from /proc/PID/comm
};

// Other processes that have this serial device open (found through /proc/*/fd), this process
// excluded. portName as the user gives it ("com1" -> /dev/ttyS0, or a path). Empty when none
// or when /proc cannot be read.
std::vector<PortUser> FindOtherPortUsers(const std::string& portName);

// "Another program has %1 open: %2. It may take the modem's answers. Close it and try again
// (on many desktops ModemManager probes new modems)." with %2 as "name (pid N), ..."
std::string PortUsersWarning(const std::string& portName, const std::vector<PortUser>& users);
