#include "files/ParameterFile.h"

#include <climits>
#include <cstring>

#include "files/ParameterFileCodec.h"
#include "job/DialogIds.h"
#include "job/ParameterTable.h"
#include "job/StringTable.h"

namespace {

// The value slots of fields 3 to 20, in file order.
constexpr int FirstFieldSlots[] = {
    SlotAlarmReceiver1, SlotAlarmReceiver2, SlotTestAlarmReceiver, SlotBatteryAlarmReceiver,
    SlotAlarmCode1,     SlotAlarmCode2,     SlotTestAlarmCode,     SlotBatteryAlarmCode,
    SlotSequenceReceiver3, SlotSequenceReceiver4, SlotSequenceReceiver5, SlotSequenceReceiver6,
    SlotLedSequence,    SlotDialToneDetection, SlotNewProgrammingCode, SlotPhoneAcknowledge,
    SlotTestAlarmTime,  SlotAlarmButtonDelay,
};
// Fields 22 to 24, after the mask's high half.
constexpr int SecondFieldSlots[] = {SlotAlarmType, SlotIdBeep, SlotInfoAlarm};

const ParameterDescriptor& RowOfSlot(int slot)
{
    for (int row = 0; row < ParameterCount; ++row)
        if (ParameterTable[row].slot == slot)
            return ParameterTable[row];
    return ParameterTable[ParameterCount + 1]; // the terminator: ids 0 name no control
}

// A slot's text up to its terminator, never past the slot's width.
std::string SlotText(const ProgrammingJob& job, int slot)
{
    const char* text = job.Slot(slot);
    return std::string(text, strnlen(text, static_cast<size_t>(SlotWidths[slot]) - 1));
}

template <size_t N> std::string FieldText(const char (&field)[N])
{
    return std::string(field, strnlen(field, N - 1));
}

std::string UpToZero(const std::string& text)
{
    return text.substr(0, text.find('\0'));
}

// Puts one loaded parameter value into its control by the row's kind.
void ApplyValue(IDialogItems& items, const ParameterDescriptor& row, const std::string& text)
{
    switch (row.kind) {
    case KindText:
        items.SetItemText(row.valueControlId, text);
        break;
    case KindRadioPair:
        CheckRadioButton(items, row.valueControlId, row.secondControlId,
                         IsFlagSet(text) ? row.valueControlId : row.secondControlId);
        break;
    case KindCheckBox:
        items.CheckButton(row.valueControlId, IsFlagSet(text));
        break;
    case KindCombo:
        items.SetComboSelection(row.valueControlId, ComboIndexFromText(text));
        break;
    }
}

} // namespace

int LoadOutcomeMessageId(LoadOutcome outcome)
{
    switch (outcome) {
    case LoadOutcome::Loaded:
        return 0;
    case LoadOutcome::NotPravelFile:
        return IDS_NOT_PRAVEL_FILE;
    case LoadOutcome::UnknownVersion:
        return IDS_UNKNOWN_FILE_VERSION;
    case LoadOutcome::Corrupt:
        break;
    }
    return IDS_FILE_CORRUPT;
}

bool IsFlagSet(const std::string& text)
{
    return !text.empty() && text[0] != '0';
}

int ComboIndexFromText(const std::string& text)
{
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            return -1; // no list has such an index
    }
    if (negative)
        value = -value;
    if (value < INT_MIN || value > INT_MAX)
        return -1;
    return static_cast<int>(value);
}

std::vector<uint8_t> BuildParameterImage(const ProgrammingJob& job, const std::string& powerText,
                                         const std::string& firmwareText)
{
    std::vector<uint8_t> image(ParameterFileImageSize);
    uint8_t* buffer = image.data();
    size_t position = 0;

    AppendDword(buffer, position, ParameterFileMagic);
    AppendWord(buffer, position, ParameterFileVersion);
    AppendWord(buffer, position, 0);
    AppendWord(buffer, position, job.selectionMask & 0xFFFFu);
    AppendText(buffer, position, FieldText(job.phoneNumber));
    AppendText(buffer, position, FieldText(job.programmingCode));
    for (int slot : FirstFieldSlots)
        AppendText(buffer, position, SlotText(job, slot));
    AppendWord(buffer, position, job.selectionMask >> 16);
    for (int slot : SecondFieldSlots)
        AppendText(buffer, position, SlotText(job, slot));
    AppendWord(buffer, position, static_cast<uint32_t>(job.unit - 1));

    // At most 329 bytes so far. The status texts share the rest of the image.
    std::string power = UpToZero(powerText);
    std::string firmware = UpToZero(firmwareText);
    size_t room = ParameterFileImageSize - position - 2 * TextFieldOverhead;
    if (power.size() > room)
        power.resize(room);
    room -= power.size();
    if (firmware.size() > room)
        firmware.resize(room);
    AppendText(buffer, position, power);
    AppendText(buffer, position, firmware);

    image.resize(position);
    return image;
}

LoadOutcome LoadParameterImage(const uint8_t* data, size_t byteCount, IDialogItems& items, int* version)
{
    if (version != nullptr)
        *version = -1;
    if (byteCount > ParameterFileImageSize)
        byteCount = ParameterFileImageSize;
    if (data == nullptr || byteCount < ParameterFileMinimumSize)
        return LoadOutcome::NotPravelFile;

    size_t position = 0;
    if (ReadDword(data, position) != ParameterFileMagic)
        return LoadOutcome::NotPravelFile;
    uint16_t fileVersion = ReadWord(data, position);
    ReadWord(data, position); // reserved
    uint32_t mask = ReadWord(data, position);
    if (version != nullptr)
        *version = fileVersion;
    if (fileVersion > ParameterFileVersion)
        return LoadOutcome::UnknownVersion;

    std::string text;
    if (!ReadText(data, position, byteCount, &text))
        return LoadOutcome::Corrupt;
    items.SetItemText(IDC_PHONE_NUMBER, text);
    if (!ReadText(data, position, byteCount, &text))
        return LoadOutcome::Corrupt;
    items.SetItemText(IDC_PROGRAMMING_CODE, text);
    for (int slot : FirstFieldSlots) {
        if (!ReadText(data, position, byteCount, &text))
            return LoadOutcome::Corrupt;
        ApplyValue(items, RowOfSlot(slot), text);
    }

    if (fileVersion >= 2) {
        uint16_t high = 0;
        if (!ReadWordField(data, position, byteCount, &high))
            return LoadOutcome::Corrupt;
        mask |= static_cast<uint32_t>(high) << 16;
        for (int slot : SecondFieldSlots) {
            if (!ReadText(data, position, byteCount, &text))
                return LoadOutcome::Corrupt;
            ApplyValue(items, RowOfSlot(slot), text);
        }
    } else {
        items.SetItemText(IDC_ALARM_TYPE, "10");
        items.CheckButton(IDC_ID_BEEP, false);
        items.CheckButton(IDC_INFO_ALARM, false);
    }

    if (fileVersion >= 3) {
        uint16_t unit = 0;
        if (!ReadWordField(data, position, byteCount, &unit))
            return LoadOutcome::Corrupt;
        // A value above 5 names none of the six: all are unchecked.
        CheckRadioButton(items, IDC_UNIT_FIRST, IDC_UNIT_LAST, IDC_UNIT_FIRST + unit);
        if (!ReadText(data, position, byteCount, &text))
            return LoadOutcome::Corrupt;
        items.SetItemText(IDC_POWER_STATUS, text);
        if (!ReadText(data, position, byteCount, &text))
            return LoadOutcome::Corrupt;
        items.SetItemText(IDC_FIRMWARE, text);
    } else {
        CheckRadioButton(items, IDC_UNIT_FIRST, IDC_UNIT_LAST, 0);
        items.SetItemText(IDC_POWER_STATUS, "");
        items.SetItemText(IDC_FIRMWARE, "");
    }

    for (int row = 0; ParameterTable[row].updateBoxId != 0; ++row)
        items.CheckButton(ParameterTable[row].updateBoxId, (mask & ParameterTable[row].maskBit) != 0);
    return LoadOutcome::Loaded;
}
