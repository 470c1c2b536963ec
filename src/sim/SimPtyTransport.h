// The simulator's end of a pseudo-terminal pair (POSIX). Open makes the pair; DevicePath is the
// side Pravel opens as its serial port. The transport keeps no descriptor of its own on that side
// (save while bytes queued at open wait for the first program, which it gives up as that program
// first sends), so a program's last close of the port is seen here, as a modem sees DTR drop:
// Wait says PortClosed once, and output sent until a program opens the port again is dropped.
// The terminal settings stay as the system made them: the program that opens the port puts it
// in raw mode.
#pragma once

#include "sim/SimTransport.h"

class CSimPtyTransport : public ISimTransport {
public:
    CSimPtyTransport() = default;
    ~CSimPtyTransport() override;

    bool Open(const std::string& staleInput, std::string* error) override;
    std::string DevicePath() const override { return m_path; }
    Wake Wait(CEvent& stop, bool wantRoom, int timeoutMs) override;
    void Receive(std::string& into) override;
    size_t Send(const char* data, size_t size) override;
    bool ClientEchoes() override;
    void Unplug() override;
    void Close() override;

private:
    // While nobody has the port open the master side reports a hang-up at every poll: Wait then
    // looks again every few milliseconds instead of polling the master.
    Wake WaitWhileClosed(CEvent& stop, int timeoutMs);

    int m_master = -1;
    int m_slave = -1;        // our own descriptor on Pravel's side, held only while stale input waits
    bool m_portClosed = false; // the program has closed the port and none has opened it since
    std::string m_path;
};
