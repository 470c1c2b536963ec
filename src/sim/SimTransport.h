// The line the simulated modem is reached over, apart from the modem itself: a pseudo-terminal
// (POSIX: the program under test opens its other side as a serial port) or an in-process memory
// line (every system: the program opens it by its name, "sim:N"). CSimulator's serving thread is
// the only user of a transport once it is open.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class CEvent;

enum class SimLink { Pty, Memory };

class ISimTransport {
public:
    // PortClosed: the program has closed the port (every descriptor of it), once per closing; the
    // modem hangs up and resets as a modem whose DTR drops does.
    enum class Wake { Stop, Ready, Failed, PortClosed };

    virtual ~ISimTransport() = default;

    // Makes the line; staleInput waits on the port's side for whoever opens it first. False with a
    // message in *error.
    virtual bool Open(const std::string& staleInput, std::string* error) = 0;
    // What the program under test opens: "/dev/pts/3", "sim:1".
    virtual std::string DevicePath() const = 0;
    // Sleeps until the stop event is set, bytes have come from the port's side, the line has room
    // for more output (only when wantRoom), or timeoutMs passes (-1: no limit). Failed is traced.
    virtual Wake Wait(CEvent& stop, bool wantRoom, int timeoutMs) = 0;
    // Appends everything the port's side has sent so far.
    virtual void Receive(std::string& into) = 0;
    // Sends what the line takes now; returns how much that was.
    virtual size_t Send(const char* data, size_t size) = 0;
    // True while the port's side echoes what it receives (a terminal still in its cooked settings).
    virtual bool ClientEchoes() = 0;
    // The modem is pulled out: the port's side hangs up and the device path goes away.
    virtual void Unplug() = 0;
    // Gives the line up; the transport may be opened again.
    virtual void Close() = 0;
};

// The line a simulator runs on when not told: the pseudo-terminal where the system has them, the
// memory line elsewhere.
SimLink DefaultSimLink();
// A new, unopened transport; null for a pseudo-terminal on a system without them.
std::unique_ptr<ISimTransport> MakeSimTransport(SimLink line);
