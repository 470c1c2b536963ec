// The line settings and time-outs of a serial port, as CComPort and the modem driver speak of them
// on every platform; each back end maps them onto its device (termios, or the Win32 DCB and
// COMMTIMEOUTS) and keeps everything else as the device reports it.
#pragma once

#include <cstdint>

// The line settings CComPort and the modem driver care about. parity 0 is none, stopBits 0 one
// stop bit (the values the modem world knows them by).
struct CommState {
    uint32_t baudRate = 9600;
    uint8_t byteSize = 8;
    uint8_t parity = 0;
    uint8_t stopBits = 0;
    bool abortOnError = false;
    char evtChar = '\n'; // receiving it raises the event-character line event; 0 for none
};

// Read time-outs in ms. A read ends when ReadBufferSize bytes have come, or when, after the first
// byte, more than readIntervalTimeout passes without a further byte (0: the gap does not end a read;
// 0xFFFFFFFF: whatever has come ends it at once). A read never times out while nothing arrives.
// The POSIX back end keeps and reports the total time-outs but does not act on them; the Win32 one
// hands all five to the device.
struct CommTimeouts {
    uint32_t readIntervalTimeout = 20;
    uint32_t readTotalTimeoutMultiplier = 0;
    uint32_t readTotalTimeoutConstant = 0;
    uint32_t writeTotalTimeoutMultiplier = 0;
    uint32_t writeTotalTimeoutConstant = 0;
};
