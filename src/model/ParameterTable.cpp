#include "model/ParameterTable.h"

#include <string_view>

constexpr ParameterDescriptor ParameterTable[ParameterCount + 2] = {
    {1010, 1000, 0, KindText, 20, 0x1, "AlarmReceiver1", SlotAlarmReceiver1},
    {1011, 1001, 0, KindText, 20, 0x2, "AlarmReceiver2", SlotAlarmReceiver2},
    {1012, 1002, 0, KindText, 20, 0x4, "TestAlarmReceiver", SlotTestAlarmReceiver},
    {1039, 1033, 0, KindText, 20, 0x80000, "BatteryAlarmReceiver", SlotBatteryAlarmReceiver},
    {1013, 1003, 0, KindText, 10, 0x8, "AlarmCode1", SlotAlarmCode1},
    {1014, 1004, 0, KindText, 10, 0x10, "AlarmCode2", SlotAlarmCode2},
    {1015, 1005, 0, KindText, 10, 0x20, "TestAlarmCode", SlotTestAlarmCode},
    {1070, 1042, 0, KindText, 10, 0x100000, "BatteryAlarmCode", SlotBatteryAlarmCode},
    {1016, 1006, 0, KindText, 20, 0x40, "SequenceReceiver3", SlotSequenceReceiver3},
    {1017, 1007, 0, KindText, 20, 0x80, "SequenceReceiver4", SlotSequenceReceiver4},
    {1018, 1008, 0, KindText, 20, 0x100, "SequenceReceiver5", SlotSequenceReceiver5},
    {1019, 1009, 0, KindText, 20, 0x200, "SequenceReceiver6", SlotSequenceReceiver6},
    {1048, 1047, 0, KindText, 2, 0x8000, "AlarmType", SlotAlarmType},
    {1036, 1028, 1029, KindRadioPair, 0, 0x200000, "LedSequence", SlotLedSequence},
    {1037, 1030, 0, KindCheckBox, 0, 0x800, "DialToneDetection", SlotDialToneDetection},
    {1062, 1061, 0, KindCheckBox, 0, 0x20000, "IdBeep", SlotIdBeep},
    {1064, 1063, 0, KindCheckBox, 0, 0x40000, "InfoAlarm", SlotInfoAlarm},
    {1038, 1031, 0, KindText, 4, 0x1000, "NewProgrammingCode", SlotNewProgrammingCode},
    {1040, 1032, 0, KindCombo, 2, 0x2000, "TestAlarmTime", SlotTestAlarmTime},
    {1060, 1052, 0, KindCombo, 2, 0x10000, "PhoneAcknowledge", SlotPhoneAcknowledge},
    {1041, 1034, 0, KindText, 2, 0x4000, "AlarmButtonDelay", SlotAlarmButtonDelay},
    {IdStatusPower, IdStatusPowerField, 0, KindText, 0, 0, "Status", -1},
    {0, 0, 0, 0, 0, 0, nullptr, -1},
};

namespace {

// Each row enumerator names the row it stands for.
constexpr bool RowsMatchTheirNames()
{
    constexpr std::string_view Names[] = {
        "AlarmReceiver1",    "AlarmReceiver2",
        "TestAlarmReceiver", "BatteryAlarmReceiver",
        "AlarmCode1",        "AlarmCode2",
        "TestAlarmCode",     "BatteryAlarmCode",
        "SequenceReceiver3", "SequenceReceiver4",
        "SequenceReceiver5", "SequenceReceiver6",
        "AlarmType",         "LedSequence",
        "DialToneDetection", "IdBeep",
        "InfoAlarm",         "NewProgrammingCode",
        "TestAlarmTime",     "PhoneAcknowledge",
        "AlarmButtonDelay",  "Status",
    };
    static_assert(std::size(Names) == RowStatus + 1);
    for (int row = 0; row <= RowStatus; ++row)
        if (Names[row] != ParameterTable[row].name)
            return false;
    return true;
}
static_assert(RowsMatchTheirNames());

} // namespace

int FindParameter(std::string_view name)
{
    for (int row = 0; row < ParameterCount; ++row)
        if (name == ParameterTable[row].name)
            return row;
    return -1;
}

int FindParameterByUpdateBox(int updateBoxId)
{
    for (int row = 0; row < ParameterCount; ++row)
        if (ParameterTable[row].updateBoxId == updateBoxId)
            return row;
    return -1;
}

bool ParameterNumberRange(int row, int* lowest, int* highest)
{
    struct Range {
        int slot;
        int lowest;
        int highest;
    };
    static constexpr Range Ranges[] = {
        {SlotAlarmType, 0, 99},
        {SlotAlarmButtonDelay, 2, 30},
        {SlotTestAlarmTime, 0, 10},
        {SlotPhoneAcknowledge, 0, 2},
    };
    const int slot = ParameterSlot(row);
    for (const Range& range : Ranges) {
        if (range.slot == slot) {
            *lowest = range.lowest;
            *highest = range.highest;
            return true;
        }
    }
    return false;
}

int ParameterSlot(int row)
{
    if (row < 0 || row >= ParameterCount)
        return -1;
    return ParameterTable[row].slot;
}
