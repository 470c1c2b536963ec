// A serial device over POSIX termios: a tty opened by OpenSerialDevice, or any descriptor handed in.
//
// Line events come from what the driver offers. Carrier-detect changes are seen by comparing the
// modem-status lines (TIOCMGET) each time the device is read or asked for events; line errors by
// comparing the driver's error counts (TIOCGICOUNT) at the same moments (errors come with received
// bytes). A device that offers neither (a pseudo-terminal) simply reports no line events. Nothing
// here blocks or starts a thread.
//
// Not copyable. The destructor closes the descriptor, which drops DTR when HUPCL is set and lets go
// of the port's lock (see OpenSerialDevice) when this descriptor holds it.
#pragma once

#include <cstdint>

#include "platform/Event.h"
#include "serial/SerialDevice.h"

class CPosixSerialDevice : public ISerialDevice {
public:
    // Takes ownership of fd.
    explicit CPosixSerialDevice(int fd);
    CPosixSerialDevice(const CPosixSerialDevice&) = delete;
    CPosixSerialDevice& operator=(const CPosixSerialDevice&) = delete;
    ~CPosixSerialDevice() override;

    int Fd() const override { return m_fd; }
    bool IsTerminal() const override;
    bool ConfigureLine() override;
    bool GetLineSettings(CommState& state) override;
    bool SetLineSettings(const CommState& state) override;
    ssize_t Read(void* buffer, size_t size) override;
    ssize_t Write(const void* data, size_t size) override;
    bool DiscardInput() override;
    bool DiscardOutput() override;
    bool SetEventMask(uint32_t mask) override;
    int EventFd() const override { return m_event.Fd(); }
    bool TakeEvents(uint32_t& events) override;
    bool ClearErrors(uint32_t& errors) override;

private:
    struct ErrorCounts {
        int frame = 0;
        int overrun = 0;
        int parity = 0;
        int brk = 0;
        int bufferOverrun = 0;
    };

    // Compares the modem lines and error counts with those last seen and notes what changed.
    void LookForLineEvents();
    bool ReadErrorCounts(ErrorCounts& counts);

    int m_fd;
    // Line-event state, touched by the reader thread only.
    CEvent m_event;
    uint32_t m_eventMask = 0;
    bool m_watchCarrier = false;
    bool m_watchErrors = false;
    bool m_carrier = false;
    ErrorCounts m_counts;
    uint32_t m_carrierChanges = 0;
    uint32_t m_errors = 0;
    bool m_errorEvent = false;
};
