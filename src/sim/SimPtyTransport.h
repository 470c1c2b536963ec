// The simulator's end of a pseudo-terminal pair (POSIX). Open makes the pair; DevicePath is the
// side Pravel opens as its serial port. The transport keeps a descriptor of its own on that side
// for its whole life, so the line never hangs up while no program has it open, and it leaves the
// terminal settings as the system made them: the program that opens the port puts it in raw mode.
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
    int m_master = -1;
    int m_slave = -1; // our own descriptor on Pravel's side, open for the life of the pair
    std::string m_path;
};
