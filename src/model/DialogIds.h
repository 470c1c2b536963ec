// Control ids of the main dialog that the job side, the parameter files and the front ends share.
#pragma once

enum MainDialogId : int {
    IDC_PHONE_NUMBER = 1020,
    IDC_PROGRAMMING_CODE = 1021,
    IDC_UNIT_FIRST = 1022, // radio buttons "1" .. "6"
    IDC_UNIT_LAST = 1027,
    IDC_TWO_COLOURS = 1028,
    IDC_ONE_COLOUR = 1029,
    IDC_DIAL_TONE = 1030,
    IDC_TEST_ALARM_TIME = 1032,   // combo, indices 0..10
    IDC_ALARM_BUTTON_DELAY = 1034,
    IDC_ALARM_BUTTON_DELAY_SPIN = 1035,
    IDC_POWER_STATUS = 1045,      // "External power" status field
    IDC_ALARM_TYPE = 1047,
    IDC_PHONE_ACKNOWLEDGE = 1052, // combo, indices 0..2
    IDC_FIRMWARE = 1054,          // "Firmware" status field
    IDC_ID_BEEP = 1061,
    IDC_INFO_ALARM = 1063,
    IDC_ALARM_TYPE_SPIN = 1066,
};

constexpr int TestAlarmTimeItems = 11;
constexpr int PhoneAcknowledgeItems = 3;
