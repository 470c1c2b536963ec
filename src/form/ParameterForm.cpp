#include "form/ParameterForm.h"

#include <cstdio>
#include <cstring>

#include "form/MainDialogTemplate.h"
#include "model/DialogIds.h"
#include "model/ParameterTable.h"
#include "model/StringTable.h"

namespace {

// Copies at most limit characters of text into a buffer of the given size.
void CopyCut(char* destination, size_t size, const std::string& text, size_t limit)
{
    size_t length = text.size();
    if (length > limit)
        length = limit;
    if (length > size - 1)
        length = size - 1;
    std::memcpy(destination, text.data(), length);
    destination[length] = '\0';
}

} // namespace

void SetInitialValues(IDialogItems& items)
{
    CheckRadioButton(items, IDC_UNIT_FIRST, IDC_UNIT_LAST, IDC_UNIT_FIRST);
    CheckRadioButton(items, IDC_TWO_COLOURS, IDC_ONE_COLOUR, IDC_TWO_COLOURS);
    items.SetItemText(IDC_PROGRAMMING_CODE, "3958");
    items.SetItemText(IDC_ALARM_BUTTON_DELAY, "4");
    items.SetItemText(IDC_ALARM_TYPE, "10");
    items.CheckButton(1040, false);
    items.CheckButton(1060, false);
    items.CheckButton(1041, false);
    items.SetComboSelection(IDC_TEST_ALARM_TIME, 10);
    items.SetComboSelection(IDC_PHONE_ACKNOWLEDGE, 0);
}

bool HasNumberAndCode(const IDialogItems& items)
{
    return items.GetItemText(IDC_PROGRAMMING_CODE).size() == 4 && !items.GetItemText(IDC_PHONE_NUMBER).empty();
}

bool AnyUpdateBoxTicked(const IDialogItems& items)
{
    for (int row = 0; ParameterTable[row].updateBoxId != 0; ++row)
        if (items.IsButtonChecked(ParameterTable[row].updateBoxId))
            return true;
    return false;
}

void TickAllUpdateBoxes(IDialogItems& items)
{
    // The status row's id names no control, so ticking it has no effect.
    for (int row = 0; ParameterTable[row].updateBoxId != 0; ++row)
        items.CheckButton(ParameterTable[row].updateBoxId, true);
}

bool FillJob(const IDialogItems& items, ProgrammingJob& job, JobMode mode, INotifyWindow* window)
{
    job.reset(window);
    job.mode = mode;
    CopyCut(job.phoneNumber, sizeof job.phoneNumber, items.GetItemText(IDC_PHONE_NUMBER), 20);
    CopyCut(job.programmingCode, sizeof job.programmingCode, items.GetItemText(IDC_PROGRAMMING_CODE), 4);
    for (int row = 0; ParameterTable[row].updateBoxId != 0; ++row)
        if (items.IsButtonChecked(ParameterTable[row].updateBoxId))
            job.selectionMask |= ParameterTable[row].maskBit;
    for (int id = IDC_UNIT_FIRST; id <= IDC_UNIT_LAST; ++id) {
        if (items.IsButtonChecked(id)) {
            job.unit = id - (IDC_UNIT_FIRST - 1);
            return true;
        }
    }
    return false;
}

int ComboChoice(const IDialogItems& items, int comboId)
{
    const std::string typed = items.GetItemText(comboId);
    if (typed.empty())
        return items.GetComboSelection(comboId);
    for (int i = 0; i < MainDialogTemplate.controlCount; ++i) {
        const ControlTemplate& control = MainDialogTemplate.controls[i];
        if (control.id != comboId)
            continue;
        // The items, one a line.
        const std::string list = control.text;
        int index = 0;
        for (size_t start = 0;; ++index) {
            size_t end = list.find('\n', start);
            if (list.compare(start, end == std::string::npos ? std::string::npos : end - start, typed) == 0)
                return index;
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
        return -1;
    }
    return items.GetComboSelection(comboId);
}

void CopyValuesToJob(const IDialogItems& items, ProgrammingJob& job)
{
    for (int row = 0; row < ParameterCount; ++row) {
        const ParameterDescriptor& p = ParameterTable[row];
        char* slot = job.Slot(p.slot);
        size_t width = static_cast<size_t>(SlotWidths[p.slot]);
        if (p.kind == KindText) {
            CopyCut(slot, width, items.GetItemText(p.valueControlId), static_cast<size_t>(p.maxLength));
        } else if (p.kind == KindCombo) {
            std::snprintf(slot, width, "%d", ComboChoice(items, p.valueControlId));
        }
    }
    job.SetSlot(SlotLedSequence, items.IsButtonChecked(IDC_TWO_COLOURS) ? FlagOn : FlagOff);
    job.SetSlot(SlotDialToneDetection, items.IsButtonChecked(IDC_DIAL_TONE) ? FlagOn : FlagOff);
    job.SetSlot(SlotIdBeep, items.IsButtonChecked(IDC_ID_BEEP) ? FlagOn : FlagOff);
    job.SetSlot(SlotInfoAlarm, items.IsButtonChecked(IDC_INFO_ALARM) ? FlagOn : FlagOff);
}

void ApplySetText(IDialogItems& items, int jobMode, int id, const CMessageValue& value)
{
    if (jobMode != JobWrite) {
        const std::string& text = value.TextValue();
        bool on = value.NumberValue() != 0;
        if (id >= 1010 && id <= 1019) {
            items.SetItemText(1000 + (id - 1010), text);
        } else {
            switch (id) {
            case 1039:
                items.SetItemText(1033, text);
                break;
            case 1070:
                items.SetItemText(1042, text);
                break;
            case 1038:
                items.SetItemText(1031, text);
                break;
            case 1041:
                items.SetItemText(IDC_ALARM_BUTTON_DELAY, text);
                break;
            case 1048:
                items.SetItemText(IDC_ALARM_TYPE, text);
                break;
            case IdFirmware:
                items.SetItemText(IDC_FIRMWARE, text);
                break;
            case 1036:
                CheckRadioButton(items, IDC_TWO_COLOURS, IDC_ONE_COLOUR, on ? IDC_TWO_COLOURS : IDC_ONE_COLOUR);
                break;
            case 1037:
                items.CheckButton(IDC_DIAL_TONE, on);
                break;
            case 1062:
                items.CheckButton(IDC_ID_BEEP, on);
                break;
            case 1064:
                items.CheckButton(IDC_INFO_ALARM, on);
                break;
            case 1040:
                items.SetComboSelection(IDC_TEST_ALARM_TIME, static_cast<int>(value.NumberValue()));
                break;
            case 1060:
                items.SetComboSelection(IDC_PHONE_ACKNOWLEDGE, static_cast<int>(value.NumberValue()));
                break;
            case IdStatusPower:
                items.SetItemText(IDC_POWER_STATUS, LoadString(on ? IDS_EXTERNAL_POWER : IDS_LINE_POWER));
                break;
            default:
                // Status positions 0 (1042) and 12 (1044) have no field of their own: they are not
                // shown. 1042 is also the battery alarm code's edit, which must not receive them.
                break;
            }
        }
    }
    // Only an update box is cleared here; an id that names another control is left alone.
    if (FindParameterByUpdateBox(id) >= 0)
        items.CheckButton(id, false);
}
