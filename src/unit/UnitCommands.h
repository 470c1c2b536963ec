// The unit's command vocabulary: which code reads or writes which parameter, and how a value
// becomes the code that writes it. Pure data and text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "model/ParameterTable.h"

// "20" + programming code logs in; "99" logs off; "22227" asks for the status record.
constexpr const char* LoginCodePrefix = "20";
constexpr const char* LogoffCode = "99";
constexpr const char* StatusReadCode = "22227";
// Every code that reads (a location, or the status) starts with this; reading changes nothing.
constexpr const char* ReadCodePrefix = "22";
// The answer to a login with a wrong programming code starts with this.
constexpr const char* LoginRefused = "011";
// Every answer to a login has at least this many characters: "011", or the firmware's three.
constexpr size_t LoginAnswerLength = 3;

// The codes of one parameter. Its mask bit and the update box its answer goes to are those of
// its row in ParameterTable.
struct UnitCommand {
    ParameterRow row;
    const char* readCode;      // null: read through the status record
    const char* writeCode;     // "21" + location
    const char* writeRestCode; // location + 12 for the second part of a long number; null otherwise
    bool needsFirmware2;       // takes part only when the firmware major version is '2'
};

// One command per parameter, in the order of ParameterTable.
extern const UnitCommand UnitCommands[ParameterCount];

// The command of a parameter row, or null for the status row and anything out of range.
const UnitCommand* UnitCommandFor(int row);

// "21251" + 'A' for index 10, else the index digit. slot is the combo index as decimal text.
std::string TestAlarmTimeWriteCode(const char* slot);
// "21248" + tens digit + units digit of the slot's number ("4" -> "2124804").
std::string AlarmButtonDelayWriteCode(const char* slot);
