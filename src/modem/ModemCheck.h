// CModemCheck: the modem check a technician runs before the first call. It resets the modem, asks
// who it is (ATI, ATI3, AT+FMI?, AT+FMM?) and which service classes it has (AT+FCLASS=?), tries
// the voice class of each command set without dialling ('#': AT#CLS=8, V.253: AT+FCLASS=8), and
// says which set "auto" would speak. It never dials, and it resets the modem at the end whatever
// happened before (a stop asked for, a command that failed), unless the port itself is gone.
//
// Every wait is bounded: a modem that says nothing is found out within the reset's wait.
//
// Threads: Run runs on the caller's thread (a command's, or a dialog's worker thread) and returns
// when the check is over; the port's reader thread only appends received bytes under m_lock and
// wakes Run. The stop callback is polled by Run every few tens of milliseconds and may be called
// from that thread only. Not copyable.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "model/ModemProfile.h"
#include "serial/ComPort.h"

// What the check found.
struct ModemCheckReport {
    enum class Outcome {
        Voice,      // the modem answers and has a voice mode
        NoVoice,    // the modem answers but neither voice class is accepted
        Silent,     // nothing came back to the reset
        PortFailed, // the port could not be opened
        Stopped,    // the check was stopped before it was over
        Gone,       // the port went away during the check
    };
    Outcome outcome = Outcome::Silent;
    std::string port;
    std::string portError;                 // PortFailed: the text for the user
    std::vector<std::string> identity;     // ATI
    std::vector<std::string> information;  // ATI3
    std::string maker;                     // AT+FMI?, empty when not answered
    std::string model;                     // AT+FMM?
    std::string classes;                   // AT+FCLASS=? as the modem said it
    bool hashVoice = false;                // AT#CLS=8 was answered OK
    bool v253Voice = false;                // AT+FCLASS=8 was answered OK
    std::optional<ModemProfile> autoProfile; // what "auto" speaks with this modem; none without voice
    bool resetAtEnd = false;               // the final reset was answered OK

    // One sentence a technician acts on.
    std::string Verdict() const;
    // The verdict after the modem's name ("maker model: verdict") where the modem answered;
    // what the port dialogs show under their "Test modem" button.
    std::string Summary() const;
    // "voice", "no-voice", "silent", "port-error", "stopped" or "gone".
    const char* OutcomeWord() const;
};

// The waits of a check. Tests shorten them.
struct ModemCheckTiming {
    uint32_t resetWaitMs = 3000;   // the answer to ATZ
    uint32_t commandWaitMs = 2000; // the answer to any other command
    uint32_t finalResetWaitMs = 2000;
    uint32_t commandGapMs = 100; // between a result and the next command, as modems ask
};

class CModemCheck : public CComPort {
public:
    using StopRequested = std::function<bool()>;

    explicit CModemCheck(ModemCheckTiming timing = ModemCheckTiming());
    ~CModemCheck() override;
    CModemCheck(const CModemCheck&) = delete;
    CModemCheck& operator=(const CModemCheck&) = delete;

    // Opens portName, runs the check and closes the port. stop (may be empty) is asked between
    // and during the waits; once it says true the check ends with the modem reset.
    ModemCheckReport Run(const std::string& portName, const StopRequested& stop = {});

    bool OnReceive(const uint8_t* data, uint32_t count) override;
    void OnDeviceGone() override;

private:
    enum class Answer { Ok, Error, Nothing, Stopped, Gone };
    // Sends one command and collects the lines up to its result, at most waitMs.
    Answer Ask(const std::string& command, uint32_t waitMs, std::vector<std::string>* lines);
    // The next complete line received, waiting until the deadline.
    std::optional<std::string> NextLine(std::chrono::steady_clock::time_point deadline);
    void TraceExchange(const char* direction, const std::string& text);

    ModemCheckTiming m_timing;
    StopRequested m_stop;
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::string m_received;      // bytes not yet split into lines; under m_lock
    bool m_gone = false;         // under m_lock
    std::string m_lastCommand;   // to drop the modem's echo of it
    std::chrono::steady_clock::time_point m_start;
    std::chrono::steady_clock::time_point m_lastResult;
};
