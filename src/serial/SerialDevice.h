// The serial device under CComPort: the only place that makes system calls on the port.
//
// CComPort talks to the device through this interface only, so that tests can drive it over a real
// pseudo-terminal (PosixSerialDevice) or a scripted fake. Every call returns false (or -1) with
// errno set on failure. (Draft interface: the serial module owns and may refine it.)
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

// The line settings CComPort and the modem driver care about; everything else of the device is
// kept as the device reports it.
struct CommState {
    uint32_t baudRate = 9600;
    uint8_t byteSize = 8;
    uint8_t parity = 0;    // NOPARITY
    uint8_t stopBits = 0;  // ONESTOPBIT
    bool abortOnError = false;
    char evtChar = '\n';   // receiving it raises the event-character line event; 0 for none
};

struct CommTimeouts {
    uint32_t readIntervalTimeout = 20; // ms between two received bytes that ends a read
    uint32_t readTotalTimeoutMultiplier = 0;
    uint32_t readTotalTimeoutConstant = 0;
    uint32_t writeTotalTimeoutMultiplier = 0;
    uint32_t writeTotalTimeoutConstant = 0;
};

class ISerialDevice;

// Opens the port by its name: "comN" (N from 1) is /dev/ttyS(N-1); a name starting with "/" is a
// device path used as it stands. Opened without becoming the controlling terminal, exclusive.
// Null on failure with *error set to the errno value (ENOENT, EACCES, EBUSY, ENOTTY, ...).
std::unique_ptr<ISerialDevice> OpenSerialDevice(const std::string& portName, int* error);

// The device path a port name stands for ("com1" -> "/dev/ttyS0").
std::string SerialDevicePath(const std::string& portName);
