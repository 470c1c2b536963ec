// The simulated voice modem with Emergency phone units behind it, on a pseudo-terminal or an
// in-process memory line (sim/SimTransport.h).
//
// Start opens the line and starts the serving thread; Pravel opens DevicePath() as its serial
// port ("/dev/pts/3", or "sim:1" for the memory line). The line never hangs up while no program
// has it open.
//
// Thread contract: Start (any thread) starts one serving thread, which blocks on the line and a
// stop event, with the next scheduled output as its time-out; it alone touches the line. It shares the modem state with the callers of UnitState, InjectFaults and
// Faults under one mutex. Stop (any thread but the serving one) signals the stop event and joins
// the thread, then closes the pair; the destructor stops. Not copyable.
//
// With the fault unplugWhileDialling a dial command makes the serving thread give the line up and
// end, as a USB modem pulled out: the program's side hangs up and the
// device path goes away. Stop is safe after that as before.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/Event.h"
#include "platform/Thread.h"
#include "sim/SimConfig.h"
#include "sim/SimTransport.h"

class CSimModem;

class CSimulator {
public:
    CSimulator();
    ~CSimulator();
    CSimulator(const CSimulator&) = delete;
    CSimulator& operator=(const CSimulator&) = delete;

    // False with a message when the configuration is not valid, the simulator already runs, or no
    // line or thread can be had. The line is the system's default (DefaultSimLink) or the one asked
    // for.
    bool Start(const SimConfig& config, std::string* error);
    bool Start(const SimConfig& config, std::string* error, SimLink link);
    // What Pravel opens, such as "/dev/pts/3" or "sim:1"; empty before Start.
    std::string DevicePath() const;
    // False once the modem has been unplugged.
    bool IsRunning() const;
    void Stop();

    // A snapshot of a unit as it is now (after Stop: as it was left). A unit that is not
    // configured comes back with unit number 0.
    SimUnit UnitState(const std::string& number, int unit) const;
    // Replaces the faults, from now on.
    void InjectFaults(const SimFaults& faults);
    // The faults in force, with what is left of the counters.
    SimFaults Faults() const;

    // Waits until the modem has been unplugged (fault unplugWhileDialling), up to timeoutMs
    // (INFINITE for no limit); true when it has. After Stop: whether it had been.
    bool WaitUnplugged(uint32_t timeoutMs) const;
#ifndef _WIN32
    // Readable once the modem has been unplugged, to poll beside other descriptors; -1 when not
    // started.
    int UnpluggedFd() const { return m_unplugged.Fd(); }
#endif

private:
    void Serve();
    void Unplug();
    void Close();

    CEvent m_stop;
    mutable CEvent m_unplugged;     // set by the serving thread; lives until the next Start
    std::atomic<bool> m_wasUnplugged{false};
    CThread m_thread;
    std::unique_ptr<ISimTransport> m_line;
    std::string m_path;
    std::string m_pendingOutput; // serving thread only

    mutable std::mutex m_lock; // guards m_modem
    std::unique_ptr<CSimModem> m_modem;
};
