// The simulator's end of an in-process memory line (platform/MemoryLine.h). DevicePath is the
// line's registered name, which the serial layer opens as its device. Bytes the port sends wake
// the serving thread through an event; so does room made by the port's reads.
#pragma once

#include <memory>

#include "platform/Event.h"
#include "sim/SimTransport.h"

class CMemoryLine;

class CSimMemoryTransport : public ISimTransport {
public:
    CSimMemoryTransport() = default;
    ~CSimMemoryTransport() override;

    bool Open(const std::string& staleInput, std::string* error) override;
    std::string DevicePath() const override;
    Wake Wait(CEvent& stop, bool wantRoom, int timeoutMs) override;
    void Receive(std::string& into) override;
    size_t Send(const char* data, size_t size) override;
    bool ClientEchoes() override { return false; }
    void Unplug() override;
    void Close() override;

private:
    std::shared_ptr<CMemoryLine> m_line;
    std::string m_name;
    CEvent m_wake; // auto-reset: set by the line's wake-up of our end
};
