// CComPort: one serial device, its reader thread and its write path. The only code that talks to
// the serial device. (Draft of the public contract the modem driver builds on: the serial module
// owns this file and fills in the private part.)
//
// Threads: Open starts the reader thread, which calls OnReceive and OnCarrierChange; Close (on the
// owner's thread) stops and joins it. Write runs on the caller's thread, one writer at a time.
// The shutdown signal wins over data and events and releases a waiting Write, which returns false.
// Not copyable. The owner must Close before the object goes away.
#pragma once

#include <cstdint>
#include <memory>

#include "serial/SerialDevice.h"

class CComPort {
public:
    static constexpr uint32_t ReadBufferSize = 128;

    CComPort();
    CComPort(const CComPort&) = delete;
    CComPort& operator=(const CComPort&) = delete;
    virtual ~CComPort();

    // Virtual operations, in this order.
    // Reader thread: one completed read of 1..128 bytes; false ends the reader thread.
    virtual bool OnReceive(const uint8_t* data, uint32_t count);
    // Sends all bytes, or returns false (port being stopped, or a failure, traced).
    virtual bool Write(const void* data, uint32_t count);
    // Reader thread: the carrier-detect line changed.
    virtual void OnCarrierChange();

    // Takes an open device, configures the line and starts the reader thread. On success the port
    // owns the device; on failure the caller still owns it.
    bool Open(ISerialDevice* device);
    // Stops the reader thread, discards the transmit side and closes the device. Does nothing
    // when no port is held.
    void Close();

    // The owner may change the line settings and time-outs while the reader runs; the reader
    // works on under the changed settings. Results as the device gives them.
    bool GetCommState(CommState& state);
    bool SetCommState(const CommState& state);
    bool GetCommTimeouts(CommTimeouts& timeouts);
    bool SetCommTimeouts(const CommTimeouts& timeouts);

    bool IsOpen() const;

protected:
    void StopReadThread();
};
