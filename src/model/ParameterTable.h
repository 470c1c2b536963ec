// The unit's settings as the program knows them: which controls show each parameter, what kind of
// value it is, how long its text may be, its bit in the selection mask and its value slot.
// Every loop over the parameters visits them in the order of this table.
#pragma once

#include <cstdint>
#include <string_view>

#include "model/ProgrammingJob.h"

enum ParameterKind : int32_t {
    KindText = 0,    // text in an edit control
    KindRadioPair = 1,
    KindCheckBox = 2,
    KindCombo = 3,   // value is the selected index
};

struct ParameterDescriptor {
    int32_t updateBoxId;     // the parameter's update box; 0 ends the table
    int32_t valueControlId;  // edit, check box, combo box, or first radio button
    int32_t secondControlId; // second radio button of a pair; 0 otherwise
    int32_t kind;            // ParameterKind
    int32_t maxLength;       // kind 0: largest number of characters; kind 3: width of the index text
    uint32_t maskBit;        // bit in ProgrammingJob::selectionMask
    // Our additions: the parameter's name (as pravel-cli knows it) and its slot (-1: none).
    const char* name;
    int32_t slot;
};

// The rows of ParameterTable. Code that means one parameter names its row, so that a misspelt
// parameter does not compile instead of silently matching nothing.
enum ParameterRow : int32_t {
    RowNone = -1,
    RowAlarmReceiver1 = 0,
    RowAlarmReceiver2,
    RowTestAlarmReceiver,
    RowBatteryAlarmReceiver,
    RowAlarmCode1,
    RowAlarmCode2,
    RowTestAlarmCode,
    RowBatteryAlarmCode,
    RowSequenceReceiver3,
    RowSequenceReceiver4,
    RowSequenceReceiver5,
    RowSequenceReceiver6,
    RowAlarmType,
    RowLedSequence,
    RowDialToneDetection,
    RowIdBeep,
    RowInfoAlarm,
    RowNewProgrammingCode,
    RowTestAlarmTime,
    RowPhoneAcknowledge,
    RowAlarmButtonDelay,
    RowStatus, // the status row
};

// 21 parameters, the status row (1043/1045, no mask bit, no slot), and the terminator row.
constexpr int ParameterCount = RowStatus;
extern const ParameterDescriptor ParameterTable[ParameterCount + 2];

// Index of the parameter with this name in ParameterTable, or -1.
int FindParameter(std::string_view name);
// Index of the parameter whose update box this is, or -1.
int FindParameterByUpdateBox(int updateBoxId);
// The slot of a parameter row (for kinds 1 and 2 as well), or -1 for the status row.
int ParameterSlot(int row);

// The numbers a parameter may take where it is a number: AlarmType 0 to 99, AlarmButtonDelay 2 to
// 30 seconds, and the combo indexes (TestAlarmTime 0 to 10, PhoneAcknowledge 0 to 2). False for a
// row that has no such range. The job check, pravel-cli and the dialog's spin boxes all use it.
bool ParameterNumberRange(int row, int* lowest, int* highest);

// Mask bit 0x400 belongs to no parameter.
constexpr uint32_t AllParametersMask = 0x3FFBFF;

// Dialog ids shared by the job side and the dialog.
enum DialogId : int32_t {
    IdStatusPower = 1043,        // status row's id: power source
    IdStatusPowerField = 1045,   // the "External power" status field
    IdStatusPosition0 = 1042,    // status position 0
    IdStatusPosition12 = 1044,   // status position 12
    IdFirmware = 1065,           // firmware version text
    IdFirmwareField = 1054,
};
