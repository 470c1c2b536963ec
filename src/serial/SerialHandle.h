// The open serial device a CComPort takes over, on every platform: opened by name, handed to
// CComPort::Open, closed by the port from then on (or by its owner when Open refused it).
//
// On POSIX it is an ISerialDevice (SerialDevice.h, a tty over termios); on Windows a
// CWinSerialDevice (WinSerialDevice.h: a HANDLE opened for overlapped I/O and the table of Win32
// calls that serve it). Destroying one closes the device.
#pragma once

#include <memory>
#include <string>

#ifdef _WIN32
class CWinSerialDevice;
using SerialDevice = CWinSerialDevice;
#else
class ISerialDevice;
using SerialDevice = ISerialDevice;
#endif

using SerialHandle = std::unique_ptr<SerialDevice>;

// Opens the port by its name for the port's exclusive use. POSIX: "comN" (N from 1) is
// /dev/ttyS(N-1), a name starting with "/" is a device path used as it stands; *error is the errno
// value on failure (ENOENT, EACCES, EBUSY, ENOTTY, ...). Windows: "comN" opens \\.\COMN, a name
// starting with "\\.\" is used as it stands, "sim:N" is an in-process memory line
// (platform/MemoryLine.h); *error is the Win32 error code on failure (ERROR_FILE_NOT_FOUND,
// ERROR_ACCESS_DENIED, ...). Null on failure.
SerialHandle OpenSerialDevice(const std::string& portName, int* error);

// The device a port name stands for ("com1" -> "/dev/ttyS0" on POSIX, "\\.\COM1" on Windows);
// empty for a name that stands for none.
std::string SerialDevicePath(const std::string& portName);
