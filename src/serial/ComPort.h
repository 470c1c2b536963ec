// CComPort: one serial device, its reader thread and its write path. The only code that talks to
// the serial device. This header is the port's contract on every platform; the back end behind it
// is ComPort_posix.cpp (termios and poll) or ComPort_win.cpp (overlapped I/O and line events).
//
// Threads: Open (on the owner's thread) starts the reader thread, which alone reads the device and
// calls OnReceive, OnCarrierChange and OnDeviceGone. It sleeps in one wait on the device, its line
// events and the shutdown event. The owner stops it with StopReadThread (from Close): the shutdown
// event is set, the thread ends at its next wait or check, and the owner joins it, which releases
// it exactly once; a thread that has not ended after the bound is traced and still joined, never
// killed. The thread also ends by itself when a call on the device fails or OnReceive returns
// false; the port then stays open and Write still works.
// Write runs on the caller's thread, one writer at a time, beside the reader. The shutdown event
// wins over data and events and releases a waiting Write, which returns false; Close waits for a
// released writer to leave before it closes the device.
// Open, Close and the settings calls belong to the owner's thread; Close and StopReadThread must not
// be called from OnReceive or OnCarrierChange. Not copyable. The owner should Close before the
// object goes away (the destructor closes as a last resort, when overrides are already gone).
#pragma once

#include <cstdint>
#include <memory>

#include "serial/CommSettings.h"
#include "serial/SerialHandle.h"
#ifdef _WIN32
#include "serial/WinSerialDevice.h"
#else
#include "serial/SerialDevice.h"
#endif

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
    // Reader thread, once, as it ends because the device is gone (hung up, unplugged): the owner
    // learns it at once instead of at its next write. Not called on a normal stop.
    virtual void OnDeviceGone();

    // Takes an open device, configures the line and starts the reader thread. On success the port
    // owns the device; on failure the caller still owns it.
    bool Open(SerialDevice* device);
    // The same; on success the device is taken out of the handle.
    bool Open(SerialHandle& device);
    // Stops the reader thread, discards the transmit side and closes the device. Does nothing
    // when no port is held.
    void Close();

    // The owner may change the line settings and time-outs while the reader runs; the reader
    // works on under the changed settings (a changed read interval applies from the next wait of
    // the running read). Results as the device gives them; false (EBADF, or ERROR_INVALID_HANDLE
    // on Windows) while no port is held.
    bool GetCommState(CommState& state);
    bool SetCommState(const CommState& state);
    bool GetCommTimeouts(CommTimeouts& timeouts);
    bool SetCommTimeouts(const CommTimeouts& timeouts);

    bool IsOpen() const;

protected:
    void StopReadThread();

    // The reader thread's entry; a null parameter returns 0 at once.
    static uint32_t ReadThreadProc(void* param);
    // How long StopReadThread waits for the reader before it says so (10000 ms).
    void SetStopTimeout(uint32_t timeoutMs);

public:
    // The port's inside (ComPortImpl.h): the half both systems share, and the system's back end
    // (ComPort_posix.cpp, ComPort_win.cpp) derived from it. Known only inside the serial folder.
    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};
