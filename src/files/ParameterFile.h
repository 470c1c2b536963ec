// A parameter file's content: building the image Save writes from the filled job, and loading an
// image into the main dialog's controls.
//
// Layout (version 3): header "OXL!", version Word, reserved Word, mask bits 0-15 Word; then Texts
// for the number, the code and the parameters in file order, mask bits 16-31 Word, Texts for
// AlarmType, IdBeep, InfoAlarm, the unit minus 1 Word, and the power and firmware status Texts.
// Versions 0 and 1 end after the parameters up to AlarmButtonDelay; version 2 after InfoAlarm.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/ProgrammingJob.h"

// The value slots of fields 3 to 20, in file order.
inline constexpr int FirstFieldSlots[] = {
    SlotAlarmReceiver1, SlotAlarmReceiver2, SlotTestAlarmReceiver, SlotBatteryAlarmReceiver,
    SlotAlarmCode1,     SlotAlarmCode2,     SlotTestAlarmCode,     SlotBatteryAlarmCode,
    SlotSequenceReceiver3, SlotSequenceReceiver4, SlotSequenceReceiver5, SlotSequenceReceiver6,
    SlotLedSequence,    SlotDialToneDetection, SlotNewProgrammingCode, SlotPhoneAcknowledge,
    SlotTestAlarmTime,  SlotAlarmButtonDelay,
};
// Fields 22 to 24, after the mask's high half.
inline constexpr int SecondFieldSlots[] = {SlotAlarmType, SlotIdBeep, SlotInfoAlarm};

enum class LoadOutcome {
    Loaded,
    NotPravelFile,  // fewer than ParameterFileMinimumSize bytes, or another magic: message 115
    UnknownVersion, // version above 3: message 116
    Corrupt,        // a field runs past the bytes, or a Text lacks its zero byte: message 117
};

// The string-table id of the message for an outcome (115, 116, 117); 0 for Loaded.
int LoadOutcomeMessageId(LoadOutcome outcome);

// The version 3 image of a filled job (number, code, selection mask, unit and every value slot,
// as FillJob and CopyValuesToJob leave them) and the two status texts, at most
// ParameterFileImageSize bytes. Slot texts are written as they stand up to their terminator. The
// status texts have no bound of their own: they are cut at a zero byte and so that the image fits
// (the power text first keeps what it can, leaving room for the firmware Text).
std::vector<uint8_t> BuildParameterImage(const ProgrammingJob& job, const std::string& powerText,
                                         const std::string& firmwareText);


// The flag rule: set when the text is not empty and does not begin with '0'.
bool IsFlagSet(const std::string& text);
// The combo index a loaded text stands for: its leading optional sign and digits in decimal, 0
// when it has no digits; -1 (no selection) when the value is beyond int.
int ComboIndexFromText(const std::string& text);
