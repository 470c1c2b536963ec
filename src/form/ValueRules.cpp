#include "form/ValueRules.h"

#include "form/ParameterForm.h"
#include "model/DialogIds.h"
#include "model/ParameterTable.h"

namespace {

// The edits that take digits only in the dialog.
bool IsDigitsOnlyControl(int controlId)
{
    switch (controlId) {
    case 1003:
    case 1004:
    case 1005:
    case 1042:
    case 1031:
    case IDC_ALARM_BUTTON_DELAY:
    case IDC_ALARM_TYPE:
        return true;
    default:
        return false;
    }
}

bool AllDigits(const std::string& text)
{
    return text.find_first_not_of("0123456789") == std::string::npos;
}

bool Refuse(std::string* problem, const std::string& text)
{
    *problem = text;
    return false;
}

// A number in the row's range, when the row has one.
bool CheckRange(int row, const std::string& value, std::string* problem)
{
    int lowest = 0;
    int highest = 0;
    if (!ParameterNumberRange(row, &lowest, &highest))
        return true;
    const std::string name = ParameterTable[row].name;
    const std::string choose = name + ": choose a value from " + std::to_string(lowest) + " to " +
                               std::to_string(highest) + ".";
    if (value.empty() || value.size() > 3 || !AllDigits(value))
        return Refuse(problem, choose);
    int number = std::stoi(value);
    if (number < lowest || number > highest)
        return Refuse(problem, choose);
    return true;
}

} // namespace

bool CheckPhoneNumber(const std::string& number, std::string* problem)
{
    if (number.size() > sizeof(ProgrammingJob::phoneNumber) - 1)
        return Refuse(problem, "Telephone number: at most 20 characters.");
    return true;
}

bool CheckProgrammingCode(const std::string& code, std::string* problem)
{
    if (code.size() != 4 || !AllDigits(code))
        return Refuse(problem, "Programming code: enter the unit's code of exactly four digits.");
    return true;
}

bool CheckParameterValue(int row, const std::string& value, std::string* problem)
{
    const ParameterDescriptor& p = ParameterTable[row];
    const std::string name = p.name;
    switch (p.kind) {
    case KindText:
        if (IsDigitsOnlyControl(p.valueControlId) && !AllDigits(value))
            return Refuse(problem, name + ": digits only.");
        if (value.size() > static_cast<size_t>(p.maxLength))
            return Refuse(problem, name + ": at most " + std::to_string(p.maxLength) + " characters.");
        return CheckRange(row, value, problem);
    case KindRadioPair:
    case KindCheckBox:
        if (value != "0" && value != "1")
            return Refuse(problem, name + ": the value must be 0 or 1.");
        return true;
    case KindCombo:
        return CheckRange(row, value, problem);
    default:
        return true;
    }
}

bool CheckDialogValues(const IDialogItems& items, bool values, std::string* problem)
{
    if (!CheckPhoneNumber(items.GetItemText(IDC_PHONE_NUMBER), problem))
        return false;
    if (!CheckProgrammingCode(items.GetItemText(IDC_PROGRAMMING_CODE), problem))
        return false;
    if (!values)
        return true;
    for (int row = 0; row < ParameterCount; ++row) {
        const ParameterDescriptor& p = ParameterTable[row];
        if (!items.IsButtonChecked(p.updateBoxId))
            continue;
        // The LED pair and the check boxes can only hold 0 or 1.
        std::string value;
        if (p.kind == KindText)
            value = items.GetItemText(p.valueControlId);
        else if (p.kind == KindCombo)
            value = std::to_string(ComboChoice(items, p.valueControlId));
        else
            continue;
        if (!CheckParameterValue(row, value, problem))
            return false;
    }
    return true;
}
