// The ports of the simulated modems that pravel-sim processes offer on this machine: the
// pseudo-terminals whose master side a process named "pravel-sim" holds (/proc/PID/fd and
// fdinfo's tty-index), for a technician choosing a port. On Windows there are none to find.
#pragma once

#include <string>
#include <vector>

// "/dev/pts/N" of each, sorted by number, once each; procRoot is "/proc" but for tests.
std::vector<std::string> FindSimulatorPorts(const std::string& procRoot = "/proc");
