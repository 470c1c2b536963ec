#include "form/ParameterFileLoader.h"

#include <vector>

#include "files/ParameterFileCodec.h"
#include "files/ParameterFileIo.h"
#include "model/DialogIds.h"
#include "model/ParameterTable.h"
#include "model/StringTable.h"

namespace {

const ParameterDescriptor& RowOfSlot(int slot)
{
    for (int row = 0; row < ParameterCount; ++row)
        if (ParameterTable[row].slot == slot)
            return ParameterTable[row];
    return ParameterTable[ParameterCount + 1]; // the terminator: ids 0 name no control
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

bool LoadParameterFile(const std::string& path, IDialogItems& items, std::string* message, int* version,
                       LoadOutcome* outcome)
{
    if (version != nullptr)
        *version = -1;
    std::vector<uint8_t> bytes;
    if (!ReadParameterFile(path, &bytes, message))
        return false;
    LoadOutcome result = LoadParameterImage(bytes.data(), bytes.size(), items, version);
    if (outcome != nullptr)
        *outcome = result;
    if (result == LoadOutcome::Loaded)
        return true;
    if (message != nullptr)
        *message = LoadString(LoadOutcomeMessageId(result));
    return false;
}
