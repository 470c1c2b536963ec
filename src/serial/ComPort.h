// CComPort: one serial device, its reader thread and its write path. The only code that talks to
// the serial device.
//
// Threads: Open (on the owner's thread) starts the reader thread, which alone reads the device,
// calls OnReceive and OnCarrierChange and touches m_readBuffer, m_readOverlapped and m_eventMask.
// It sleeps in one poll on the device, its line events and the shutdown event, with a time-out only
// while the read interval of a started read runs. The owner stops it with StopReadThread (from
// Close): the shutdown event is set, the thread ends at its next wait or check, and the owner joins
// it, which releases it exactly once; a thread that has not ended after the bound is traced and
// still joined, never killed. The thread also ends by itself when a call on the device fails or
// OnReceive returns false; the port then stays open and Write still works.
// Write runs on the caller's thread, one writer at a time, beside the reader. The shutdown event
// wins over data and events and releases a waiting Write, which returns false; Close waits for a
// released writer to leave before it closes the device.
// Open, Close and the settings calls belong to the owner's thread; Close and StopReadThread must not
// be called from OnReceive or OnCarrierChange. Not copyable. The owner should Close before the
// object goes away (the destructor closes as a last resort, when overrides are already gone).
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

#include "platform/Event.h"
#include "platform/Thread.h"
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
    // Reader thread, once, as it ends because the device is gone (hung up, unplugged, EIO): the
    // owner learns it at once instead of at its next write. Not called on a normal stop.
    virtual void OnDeviceGone();

    // Takes an open device, configures the line and starts the reader thread. On success the port
    // owns the device; on failure the caller still owns it.
    bool Open(ISerialDevice* device);
    // The same; on success the device is taken out of the pointer.
    bool Open(std::unique_ptr<ISerialDevice>& device);
    // Stops the reader thread, discards the transmit side and closes the device. Does nothing
    // when no port is held.
    void Close();

    // The owner may change the line settings and time-outs while the reader runs; the reader
    // works on under the changed settings (a changed read interval applies from the next wait of
    // the running read). Results as the device gives them; false with EBADF while no port is held.
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
    void SetStopTimeout(uint32_t timeoutMs) { m_stopTimeoutMs = timeoutMs; }

private:
    // The outstanding read: bytes gathered so far into m_readBuffer, when the last came, and the
    // error that ended it (0 for none).
    struct ReadRecord {
        uint32_t count = 0;
        std::chrono::steady_clock::time_point lastByte{};
        int error = 0;
    };
    enum class ReadOutcome { Pending, Complete, EventChar, Failed };

    void RunReader();
    bool StartRead(uint8_t* buffer, uint32_t size);
    bool CompleteRead(uint8_t* buffer, uint32_t& count);
    bool WaitForCommEvent();
    bool HandleCommEvent(bool collectResult);
    // One read from the device into the outstanding read; hangup: poll reported the device gone.
    ReadOutcome ReadFromDevice(uint8_t* buffer, uint32_t size, bool hangup);
    bool ServeRead(ReadOutcome outcome);
    // Nanoseconds until the read interval of the outstanding read runs out; -1 for no limit.
    int64_t ReadIntervalLeft() const;

    uint8_t m_readBuffer[ReadBufferSize];
    ReadRecord m_readOverlapped;
    ISerialDevice* m_hCommFile = nullptr;
    uint32_t m_eventMask = 0;
    // The reader ended because the device has gone (reader thread only).
    bool m_deviceGone = false;
    std::atomic<uint32_t> m_readThreadId{0};
    CThread m_hReadThread;
    CEvent m_hShutdownEvent;

    // Settings of ours the reader follows while it runs.
    std::atomic<char> m_evtChar{'\n'};
    std::atomic<bool> m_abortOnError{false};
    std::atomic<uint32_t> m_readInterval{20};
    std::mutex m_timeoutsLock;
    CommTimeouts m_timeouts;

    // Writers inside Write, so that Close does not close the device under them.
    std::mutex m_writeLock;
    std::condition_variable m_writersGone;
    int m_writers = 0;

    uint32_t m_stopTimeoutMs = 10000;
};
