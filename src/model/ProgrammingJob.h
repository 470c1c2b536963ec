// The one programming job: what the dialog (or pravel-cli) hands to the job worker and the modem
// driver, and what the parameter file code fills and empties. The layout and sizes are fixed:
// the file format and the dialogue index into the value slots.
#pragma once

#include <cstddef>
#include <cstdint>

class INotifyWindow;

enum JobMode : int32_t {
    JobIdle = 0,
    JobRead = 1,
    JobWrite = 2,
};

// The value slots, in their order inside ProgrammingJob::values.
enum ValueSlot : int {
    SlotAlarmReceiver1,
    SlotAlarmReceiver2,
    SlotTestAlarmReceiver,
    SlotAlarmCode1,
    SlotAlarmCode2,
    SlotTestAlarmCode,
    SlotSequenceReceiver3,
    SlotSequenceReceiver4,
    SlotSequenceReceiver5,
    SlotSequenceReceiver6,
    SlotNewProgrammingCode,
    SlotDialToneDetection,
    SlotTestAlarmTime,
    SlotAlarmButtonDelay,
    SlotAlarmType,
    SlotPhoneAcknowledge,
    SlotIdBeep,
    SlotInfoAlarm,
    SlotBatteryAlarmCode,
    SlotBatteryAlarmReceiver,
    SlotLedSequence,
    SlotCount
};

// Width in bytes of each slot, the terminator included.
constexpr int SlotWidths[SlotCount] = {21, 21, 21, 11, 11, 11, 21, 21, 21, 21, 5, 2, 3, 3, 3, 3, 2, 2, 11, 21, 2};

constexpr int SlotOffset(int slot)
{
    int offset = 0;
    for (int i = 0; i < slot; ++i)
        offset += SlotWidths[i];
    return offset;
}

constexpr int ValuesSize = SlotOffset(SlotCount);
static_assert(ValuesSize == 237);

// A telephone number longer than this goes to the unit in two codes.
constexpr int NumberFirstPartLength = 12;

struct ProgrammingJob {
    int32_t mode;                 // JobMode
    char phoneNumber[21];         // number to dial, at most 20 characters
    char programmingCode[5];      // the unit's current code, at most 4 characters
    int32_t unit;                 // 1..6
    INotifyWindow* notifyWindow;  // where progress and values are reported; may be null
    uint32_t selectionMask;       // OR of the mask bits of the parameters to transfer
    char values[ValuesSize];      // one NUL-terminated slot per parameter
    // Write only: once written, the parameters are read back in the same call and compared.
    bool verifyWrites;

    // mode 0, empty number and code, unit 1, the given window, empty selection, no read-back.
    // values untouched.
    void reset(INotifyWindow* window);

    char* Slot(int slot) { return values + SlotOffset(slot); }
    const char* Slot(int slot) const { return values + SlotOffset(slot); }
    // Copies text into the slot, cut to fit its width.
    void SetSlot(int slot, const char* text);
};

// The shared texts for check boxes and the LED pair.
extern const char* const FlagOff; // "0"
extern const char* const FlagOn;  // "1"

// The process's one job record. The front end writes it only while no job runs.
extern ProgrammingJob theJob;
