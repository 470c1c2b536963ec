#include "unit/UnitCommands.h"

#include <cstdio>
#include <cstdlib>

constexpr UnitCommand UnitCommands[ParameterCount] = {
    {RowAlarmReceiver1, "22000", "21000", "21012", false},
    {RowAlarmReceiver2, "22021", "21021", "21033", false},
    {RowTestAlarmReceiver, "22042", "21042", "21054", false},
    {RowBatteryAlarmReceiver, "22255", "21255", "21267", true},
    {RowAlarmCode1, "22063", "21063", nullptr, false},
    {RowAlarmCode2, "22084", "21084", nullptr, false},
    {RowTestAlarmCode, "22105", "21105", nullptr, false},
    {RowBatteryAlarmCode, "22276", "21276", nullptr, true},
    {RowSequenceReceiver3, "22126", "21126", "21138", false},
    {RowSequenceReceiver4, "22147", "21147", "21159", false},
    {RowSequenceReceiver5, "22168", "21168", "21180", false},
    {RowSequenceReceiver6, "22189", "21189", "21201", false},
    {RowAlarmType, nullptr, "21235", nullptr, false},
    {RowLedSequence, nullptr, "21242", nullptr, true},
    {RowDialToneDetection, nullptr, "21230", nullptr, false},
    {RowIdBeep, nullptr, "21237", nullptr, false},
    {RowInfoAlarm, nullptr, "21238", nullptr, false},
    {RowNewProgrammingCode, nullptr, "21231", nullptr, false},
    {RowTestAlarmTime, nullptr, "21251", nullptr, false},
    {RowPhoneAcknowledge, nullptr, "21239", nullptr, false},
    {RowAlarmButtonDelay, nullptr, "21248", nullptr, false},
};

namespace {

constexpr bool EachCommandSitsAtItsRow()
{
    for (int row = 0; row < ParameterCount; ++row)
        if (UnitCommands[row].row != row)
            return false;
    return true;
}
static_assert(EachCommandSitsAtItsRow());

} // namespace

const UnitCommand* UnitCommandFor(int row)
{
    if (row < 0 || row >= ParameterCount)
        return nullptr;
    return &UnitCommands[row];
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
