// The serial device under the POSIX CComPort: the only place that makes system calls on the port.
// (The Win32 CComPort has a table of its own: WinSerialDevice.h.)
//
// CComPort talks to the device through this interface only, so that tests can drive it over a real
// pseudo-terminal (CPosixSerialDevice) or a scripted fake. Every call returns false (or -1) with
// errno set on failure.
//
// Threads: the reader thread of CComPort calls Read, SetEventMask, TakeEvents, ClearErrors and
// DiscardInput; the writer calls Write; the owner calls the line settings, DiscardOutput and Close.
// An implementation must allow these three to run at the same time (the system calls do).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <sys/types.h>

#include "serial/CommSettings.h"
#include "serial/SerialHandle.h"

// Line events a device reports (the values the modem world knows them by).
constexpr uint32_t EV_RXFLAG = 0x0002; // the event character was received
constexpr uint32_t EV_RLSD = 0x0020;   // the carrier-detect line changed state
constexpr uint32_t EV_ERR = 0x0080;    // a line error occurred

// Line error bits, as ClearErrors reports them.
constexpr uint32_t CE_RXOVER = 0x0001;   // the receive buffer overflowed
constexpr uint32_t CE_OVERRUN = 0x0002;  // a character was lost in the hardware
constexpr uint32_t CE_RXPARITY = 0x0004; // parity error
constexpr uint32_t CE_FRAME = 0x0008;    // framing error
constexpr uint32_t CE_BREAK = 0x0010;    // a break was received

// Parity and stop bit values of CommState (on Windows <windows.h> gives them).
constexpr uint8_t NOPARITY = 0;
constexpr uint8_t ODDPARITY = 1;
constexpr uint8_t EVENPARITY = 2;
constexpr uint8_t MARKPARITY = 3;
constexpr uint8_t SPACEPARITY = 4;
constexpr uint8_t ONESTOPBIT = 0;
constexpr uint8_t ONE5STOPBITS = 1;
constexpr uint8_t TWOSTOPBITS = 2;

class ISerialDevice {
public:
    virtual ~ISerialDevice() = default;

    // The descriptor to poll: POLLIN while received bytes wait, POLLOUT while the device takes more,
    // POLLHUP or POLLERR once the device has gone.
    virtual int Fd() const = 0;
    // True for a terminal (character device with line settings).
    virtual bool IsTerminal() const = 0;

    // Raw mode (no canonical input, no echo, no CR/LF translation either way), receiver on,
    // CLOCAL (the carrier cannot hang the port up) and HUPCL (closing drops DTR). Flow control and
    // the other settings stay as the device has them.
    virtual bool ConfigureLine() = 0;
    // Baud rate, byte size, parity and stop bits (evtChar is not the device's business).
    virtual bool GetLineSettings(CommState& state) = 0;
    virtual bool SetLineSettings(const CommState& state) = 0;

    // Never blocks: -1 with EAGAIN when nothing waits. 0 means the device has gone.
    virtual ssize_t Read(void* buffer, size_t size) = 0;
    // Never blocks: -1 with EAGAIN when the device takes nothing now; may take part of the block.
    virtual ssize_t Write(const void* data, size_t size) = 0;
    // Discard what waits in the receive or transmit queue.
    virtual bool DiscardInput() = 0;
    virtual bool DiscardOutput() = 0;

    // Line events. SetEventMask chooses which of EV_RLSD and EV_ERR the device watches; a device
    // without such means (a pseudo-terminal) accepts the mask and never reports one. EventFd is
    // readable while events wait (-1: never); TakeEvents takes what waits (0 for nothing) without
    // blocking, one carrier change per call; ClearErrors takes the line error bits gathered so far.
    virtual bool SetEventMask(uint32_t mask) = 0;
    virtual int EventFd() const = 0;
    virtual bool TakeEvents(uint32_t& events) = 0;
    virtual bool ClearErrors(uint32_t& errors) = 0;
};

// True for the errno values that mean the device has gone (unplugged, hung up, closed under us).
bool IsDeviceGone(int error);
