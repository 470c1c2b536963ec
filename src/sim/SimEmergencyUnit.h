// One simulated Emergency phone unit: its memory, its login state and its answers to the codes it
// hears while selected.
//
// The unit answers "20" + code with its firmware (or "011" for a wrong code), "22" + location with
// what the location holds, "21" + location + value by storing the value and answering what the
// location then holds, "22227" with its status record, "99" with "99" (log-off). Before a login it
// answers only the login and the log-off. Codes it does not know, locations it does not have (the
// battery and LED locations on a firmware 1 unit among them), get no answer, as an old unit gives
// none. Not thread-safe: the modem that owns it serialises all calls.
#pragma once

#include <optional>
#include <string>

#include "sim/SimConfig.h"

class CSimEmergencyUnit {
public:
    explicit CSimEmergencyUnit(SimUnit state);

    struct Reply {
        std::optional<std::string> answer; // the text to play back; none: the unit stays silent
        bool loginAccepted = false;
        std::string note; // what the unit did, for the transcript
    };
    // storeWrong names a parameter (fault): a write to it stores another value than the one
    // written, yet answers as if it had stored what was written; only a read-back shows it.
    Reply Handle(const std::string& code, const std::string& storeWrong = {});

    // The call ended: the unit is logged off.
    void Hangup() { m_loggedIn = false; }

    bool LoggedIn() const { return m_loggedIn; }
    char FirmwareMajor() const { return m_state.firmware.empty() ? '0' : m_state.firmware[0]; }
    const SimUnit& State() const { return m_state; }
    // The answer to "22227".
    std::string StatusRecord() const;

private:
    Reply Read(int location) const;
    Reply Write(int location, const std::string& value, const std::string& storeWrong);
    std::string Setting(const std::string& name) const;

    SimUnit m_state;
    bool m_loggedIn = false;
};
