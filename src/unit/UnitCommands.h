// The unit's command vocabulary: which code reads or writes which parameter, and how a value
// becomes the code that writes it. Pure data and text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// "20" + programming code logs in; "99" logs off; "22227" asks for the status record.
constexpr const char* LoginCodePrefix = "20";
constexpr const char* LogoffCode = "99";
constexpr const char* StatusReadCode = "22227";
// The answer to a login with a wrong programming code starts with this.
constexpr const char* LoginRefused = "011";

struct UnitCommand {
    const char* parameter;     // name as in ParameterTable
    uint32_t maskBit;
    const char* readCode;      // null: read through the status record
    const char* writeCode;     // "21" + location
    const char* writeRestCode; // location + 12 for the second part of a long number; null otherwise
    int32_t answerId;          // the update box the answer is reported to
    bool needsFirmware2;       // takes part only when the firmware major version is '2'
};

constexpr int UnitCommandCount = 21;
extern const UnitCommand UnitCommands[UnitCommandCount];

// The command of a parameter by name, or null.
const UnitCommand* FindUnitCommand(std::string_view parameter);

// "21251" + 'A' for index 10, else the index digit. slot is the combo index as decimal text.
std::string TestAlarmTimeWriteCode(const char* slot);
// "21248" + tens digit + units digit of the slot's number ("4" -> "2124804").
std::string AlarmButtonDelayWriteCode(const char* slot);
