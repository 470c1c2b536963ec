// CComPort::Impl: the port's inside, split the way the port works on every system. ComPort.cpp
// holds what both back ends share: the public operations with their guards, the open and close
// sequences, stopping the reader, the writer-count bracket that keeps Close from closing the device
// under a writer, the carrier and line-error events, and the trace helpers every failed call goes
// through. Each back end (ComPort_posix.cpp, ComPort_win.cpp) derives from it and gives only its
// platform calls: the device, the shutdown event, the reader thread, the read and the write loop.
// Internal to the serial folder; nothing outside it includes this header.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

#include "serial/ComPort.h"

// The device has gone. The read calls have their own spellings of it, kept as traces have them.
constexpr const char* InvalidHandleText =
    "ERROR_INVALID_HANDLE, Likely that the Service Provider has closed the port.\n";
constexpr const char* ReadInvalidHandleText =
    "ERROR_INVALID_HANDLE, Likely that the service Provider has closed the port.\n";
constexpr const char* ReadResultInvalidHandleText =
    "ERROR_INVALID_HANDLE, Likely that the Service Privider has closed the port.\n";

// The system's error codes the shared half needs, and the system's reading of an error code.
enum class PortFault { NoPort, NotComm, Busy };
// Sets the thread's last error (errno, SetLastError) to the system's code for the fault, or to
// the code given.
void SetPortFault(PortFault fault);
void SetLastPortError(uint32_t error);
// The thread's last error (errno, GetLastError).
uint32_t LastPortError();
// True when the error means the handle itself is no more (its trace is the invalid-handle text).
bool IsHandleGoneError(uint32_t error);
// True when the error means the device has gone (unplugged, hung up, closed under us).
bool IsDeviceGoneError(uint32_t error);

// Traces a failed platform call, the one way for every call on both systems: the invalid-handle
// text when the handle has gone, else the call's prefix with the system's text for the error
// code, at the caller's file and line. True when the device has gone.
bool TracePortCallError(uint32_t error, const char* prefix, const char* goneText, const char* file, int line);
#define TRACE_PORT_CALL(error, prefix) TracePortCallError((error), (prefix), InvalidHandleText, __FILE__, __LINE__)
#define TRACE_PORT_CALL_GONE(error, prefix, goneText) \
    TracePortCallError((error), (prefix), (goneText), __FILE__, __LINE__)
// A failed write: the call traced, then "Closing port" unless the handle itself has gone.
void TraceWriteFailure(uint32_t error, const char* prefix, const char* file, int line);
#define TRACE_WRITE_FAILURE(error, prefix) TraceWriteFailure((error), (prefix), __FILE__, __LINE__)
// A line error's bits by name ("CE_FRAME and CE_OVERRUN"), as traced for a line error.
void TraceLineErrors(uint32_t errors);
// A wait that ended with a result it does not know.
void TraceUnexpectedWait(unsigned long result);
// A write that took no byte and gave no error: asking again would loop without end.
void TraceNothingWritten();

struct CComPort::Impl {
    explicit Impl(CComPort& owner) : m_owner(owner) {}
    virtual ~Impl() = default;
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    // The system's back end.
    static std::unique_ptr<Impl> Create(CComPort& owner);
    // The reader thread's entry, CComPort::ReadThreadProc, for the back end's thread.
    static uint32_t ReaderEntry(void* owner) { return CComPort::ReadThreadProc(owner); }

    // ---- shared (ComPort.cpp) ----
    bool Open(SerialDevice* device);
    void Close();
    void StopReadThread();
    bool Write(const void* data, uint32_t count);
    // The carrier and line-error bits of a collected event mask, served; the event character is
    // the back end's. False ends the reader (a failed call, or an event it does not know).
    bool ServeLineEvents(uint32_t mask);

    // ---- the back end's platform calls ----
    virtual bool HoldsDevice() const = 0;
    virtual bool IsCommDevice(SerialDevice* device) const = 0;
    // Under the write lock: the device into the members, and out of them again.
    virtual void AttachDevice(SerialDevice* device) = 0;
    virtual void DetachDevice() = 0;
    // 9600 8N1, line feed as event character, reads ended by a 20 ms gap; the receive queue emptied.
    virtual void ConfigureLine() = 0;
    // The shutdown event and the reader thread; on failure traced, and everything made undone but
    // the attached device.
    virtual bool StartReader() = 0;
    // After the device has been detached: the transmit side discarded, DTR dropped, the device and
    // the port's events closed.
    virtual void CloseDetached() = 0;
    virtual void SignalShutdown() = 0;
    virtual void DiscardInput() = 0;
    virtual bool ReaderStarted() const = 0;
    virtual bool OnReaderThread() const = 0;
    virtual bool ReaderEnded() = 0;
    // Waits at most timeoutMs for the reader to end; true when it has.
    virtual bool WaitForReader(uint32_t timeoutMs) = 0;
    // Waits for the reader to end, however long, and releases it.
    virtual void ReleaseReader() = 0;
    virtual void RunReader() = 0;
    // Inside the writer bracket: sends every byte, or traces the failure and returns false.
    virtual bool WriteAll(const uint8_t* bytes, uint32_t count) = 0;
    // Takes the device's line-error bits; false with the call's error code.
    virtual bool ClearLineErrors(uint32_t& errors, uint32_t& error) = 0;
    virtual bool GetState(CommState& state) = 0;
    virtual bool SetState(const CommState& state) = 0;
    virtual bool GetTimeouts(CommTimeouts& timeouts) = 0;
    virtual bool SetTimeouts(const CommTimeouts& timeouts) = 0;

    CComPort& m_owner;
    // The reader ended because the device has gone (reader thread only).
    bool m_deviceGone = false;
    uint32_t m_stopTimeoutMs = 10000;

    // Writers inside Write, so that Close does not close the device under them. The back end's
    // device members change only under this lock.
    std::mutex m_writeLock;
    std::condition_variable m_writersGone;
    int m_writers = 0;
};
