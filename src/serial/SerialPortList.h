// The serial devices present on this machine, for a technician choosing the modem's port: each
// tty that the kernel ties to a device (/sys/class/tty/NAME/device), with the stable name that
// links to it from /dev/serial/by-id and the driver that serves it. Ports of the kernel's serial
// core that it lists whether or not a UART is there (the on-board 8250 ports) are left out when
// their "type" is 0 (none found).
//
// The root folder is a parameter, so that a test can give a fake /dev and /sys tree. On Windows
// (SerialPortList_win.cpp) the ports come from the registry instead: path is the port name ("COM3"),
// driver the device the system names for it ("\Device\Serial0"), and the root is not used.
#pragma once

#include <string>
#include <vector>

struct SerialPortEntry {
    std::string path;   // "/dev/ttyUSB0" (under the root as given, the root itself not shown)
    std::string byId;   // "/dev/serial/by-id/usb-FTDI_..." linking to it; empty when none does
    std::string driver; // "ftdi_sio", "cdc_acm", "port"; empty when not known
};

// The devices under root ("/" for the machine itself), sorted by path. Empty when none are found
// or /sys cannot be read.
std::vector<SerialPortEntry> ListSerialPorts(const std::string& root = "/");
