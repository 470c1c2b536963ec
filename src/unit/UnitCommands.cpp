#include "unit/UnitCommands.h"

#include <cstdio>
#include <cstdlib>

const UnitCommand UnitCommands[UnitCommandCount] = {
    {"AlarmReceiver1", 0x1, "22000", "21000", "21012", 1010, false},
    {"AlarmReceiver2", 0x2, "22021", "21021", "21033", 1011, false},
    {"TestAlarmReceiver", 0x4, "22042", "21042", "21054", 1012, false},
    {"BatteryAlarmReceiver", 0x80000, "22255", "21255", "21267", 1039, true},
    {"AlarmCode1", 0x8, "22063", "21063", nullptr, 1013, false},
    {"AlarmCode2", 0x10, "22084", "21084", nullptr, 1014, false},
    {"TestAlarmCode", 0x20, "22105", "21105", nullptr, 1015, false},
    {"BatteryAlarmCode", 0x100000, "22276", "21276", nullptr, 1070, true},
    {"SequenceReceiver3", 0x40, "22126", "21126", "21138", 1016, false},
    {"SequenceReceiver4", 0x80, "22147", "21147", "21159", 1017, false},
    {"SequenceReceiver5", 0x100, "22168", "21168", "21180", 1018, false},
    {"SequenceReceiver6", 0x200, "22189", "21189", "21201", 1019, false},
    {"AlarmType", 0x8000, nullptr, "21235", nullptr, 1048, false},
    {"LedSequence", 0x200000, nullptr, "21242", nullptr, 1036, true},
    {"DialToneDetection", 0x800, nullptr, "21230", nullptr, 1037, false},
    {"IdBeep", 0x20000, nullptr, "21237", nullptr, 1062, false},
    {"InfoAlarm", 0x40000, nullptr, "21238", nullptr, 1064, false},
    {"NewProgrammingCode", 0x1000, nullptr, "21231", nullptr, 1038, false},
    {"PhoneAcknowledge", 0x10000, nullptr, "21239", nullptr, 1060, false},
    {"TestAlarmTime", 0x2000, nullptr, "21251", nullptr, 1040, false},
    {"AlarmButtonDelay", 0x4000, nullptr, "21248", nullptr, 1041, false},
};

const UnitCommand* FindUnitCommand(std::string_view parameter)
{
    for (const UnitCommand& command : UnitCommands)
        if (parameter == command.parameter)
            return &command;
    return nullptr;
}

std::string TestAlarmTimeWriteCode(const char* slot)
{
    int index = std::atoi(slot);
    char text[16];
    std::snprintf(text, sizeof text, "21251%c", index == 10 ? 'A' : static_cast<char>('0' + index % 10));
    return text;
}

std::string AlarmButtonDelayWriteCode(const char* slot)
{
    int number = std::atoi(slot);
    char text[32];
    std::snprintf(text, sizeof text, "21248%d%d", number / 10, number % 10);
    return text;
}
