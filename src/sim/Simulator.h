// The simulated voice modem with Emergency phone units behind it, on a pseudo-terminal.
//
// Start opens a pseudo-terminal pair and starts the serving thread; Pravel opens DevicePath() as
// its serial port. The simulator keeps a descriptor of its own on that side for its whole life, so
// the line never hangs up while no program has it open, and it leaves the terminal settings as the
// system made them: the program that opens the port puts it in raw mode.
//
// Thread contract: Start (any thread) starts one serving thread, which blocks in poll(2) on the
// master side and a stop event, with the next scheduled output as its time-out; it alone touches
// the descriptors. It shares the modem state with the callers of UnitState, InjectFaults and
// Faults under one mutex. Stop (any thread but the serving one) signals the stop event and joins
// the thread, then closes the pair; the destructor stops. Not copyable.
//
// With the fault unplugWhileDialling a dial command makes the serving thread close both of the
// simulator's descriptors and end, as a USB modem pulled out: the program's side hangs up and the
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

class CSimModem;

class CSimulator {
public:
    CSimulator();
    ~CSimulator();
    CSimulator(const CSimulator&) = delete;
    CSimulator& operator=(const CSimulator&) = delete;

    // False with a message when the configuration is not valid, the simulator already runs, or no
    // pseudo-terminal or thread can be had.
    bool Start(const SimConfig& config, std::string* error);
    // The path of the side Pravel opens, such as "/dev/pts/3"; empty before Start.
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
    // Readable once the modem has been unplugged, to poll beside other descriptors; -1 when not
    // started.
    int UnpluggedFd() const { return m_unplugged.Fd(); }

private:
    void Serve();
    void Unplug();
    void Close();

    CEvent m_stop;
    mutable CEvent m_unplugged;     // set by the serving thread; lives until the next Start
    std::atomic<bool> m_wasUnplugged{false};
    CThread m_thread;
    int m_master = -1;
    int m_slave = -1; // our own descriptor on Pravel's side, open for the life of the pair
    std::string m_path;
    std::string m_pendingOutput; // serving thread only

    mutable std::mutex m_lock; // guards m_modem
    std::unique_ptr<CSimModem> m_modem;
};
