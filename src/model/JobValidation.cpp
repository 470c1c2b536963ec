#include "model/JobValidation.h"

#include <cstring>
#include <string_view>

#include "model/ParameterTable.h"
#include "model/StringTable.h"

namespace {

// What a modem dials: digits, the tone and dial modifiers, and the spacing it skips.
bool IsDialCharacter(char c)
{
    if (c >= '0' && c <= '9')
        return true;
    if (c >= 'A' && c <= 'D')
        return true;
    return std::strchr("*#+,WPT!@ -().", c) != nullptr && c != '\0';
}

// What the unit can be sent inside a frame: 'B', 'C' and 'D' are the frame's own marks.
bool IsValueCharacter(char c)
{
    return (c >= '0' && c <= '9') || c == '*' || c == '#' || c == 'A';
}

bool AllDigits(std::string_view text)
{
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// The text of a fixed-size field; false when it has no terminator inside the field.
bool FieldText(const char* field, size_t width, std::string_view* text)
{
    size_t length = strnlen(field, width);
    if (length == width)
        return false;
    *text = std::string_view(field, length);
    return true;
}

bool Fail(std::string* problem, std::string text)
{
    if (problem != nullptr)
        *problem = std::move(text);
    return false;
}

bool CheckValue(const ProgrammingJob& job, const ParameterDescriptor& row, std::string* problem)
{
    const std::string name = row.name;
    std::string_view value;
    if (!FieldText(job.Slot(row.slot), static_cast<size_t>(SlotWidths[row.slot]), &value))
        return Fail(problem, FormatString(IDS_CHECK_VALUE_LENGTH, {name}));

    switch (row.kind) {
    case KindRadioPair:
    case KindCheckBox:
        if (value != "0" && value != "1")
            return Fail(problem, FormatString(IDS_CHECK_FLAG, {name}));
        return true;
    default:
        break;
    }

    // Numbers within their range: the combo indexes, the alarm type, the alarm button delay.
    int lowest = 0;
    int highest = 0;
    if (ParameterNumberRange(static_cast<int>(&row - ParameterTable), &lowest, &highest)) {
        const bool isNumber = !value.empty() && value.size() <= 2 && AllDigits(value);
        const int number = isNumber ? std::stoi(std::string(value)) : -1;
        if (number < lowest || number > highest) {
            if (row.slot == SlotAlarmButtonDelay)
                return Fail(problem,
                            FormatString(IDS_CHECK_DELAY, {name, std::to_string(lowest), std::to_string(highest)}));
            return Fail(problem,
                        FormatString(IDS_CHECK_RANGE, {name, std::to_string(lowest), std::to_string(highest)}));
        }
        return true;
    }

    if (row.slot == SlotNewProgrammingCode) {
        // A unit given a code of another length could not be logged in to again.
        if (value.size() != 4 || !AllDigits(value))
            return Fail(problem, FormatString(IDS_CHECK_NEW_CODE, {name}));
        return true;
    }
    for (char c : value)
        if (!IsValueCharacter(c))
            return Fail(problem, FormatString(IDS_CHECK_VALUE_CHARACTERS, {name}));
    return true;
}

} // namespace

bool ValidateJob(const ProgrammingJob& job, std::string* problem)
{
    if (job.mode != JobRead && job.mode != JobWrite)
        return Fail(problem, LoadString(IDS_CHECK_MODE));

    std::string_view number;
    if (!FieldText(job.phoneNumber, sizeof job.phoneNumber, &number))
        return Fail(problem, LoadString(IDS_CHECK_NUMBER_LENGTH));
    if (number.empty())
        return Fail(problem, LoadString(IDS_CHECK_NUMBER_EMPTY));
    for (char c : number)
        if (!IsDialCharacter(c))
            return Fail(problem, LoadString(IDS_CHECK_NUMBER_CHARACTERS));
    // Modifiers and spacing alone dial nothing: the modem would go off-hook and wait for a call
    // that never comes.
    if (number.find_first_of("0123456789") == std::string_view::npos)
        return Fail(problem, LoadString(IDS_CHECK_NUMBER_NO_DIGIT));

    std::string_view code;
    if (!FieldText(job.programmingCode, sizeof job.programmingCode, &code) || code.size() != 4 || !AllDigits(code))
        return Fail(problem, LoadString(IDS_CHECK_CODE));

    if (job.unit < 1 || job.unit > 6)
        return Fail(problem, LoadString(IDS_CHECK_UNIT));

    if (job.mode == JobWrite) {
        for (int row = 0; row < ParameterCount; ++row) {
            const ParameterDescriptor& descriptor = ParameterTable[row];
            if ((job.selectionMask & descriptor.maskBit) != 0 && !CheckValue(job, descriptor, problem))
                return false;
        }
    }
    return true;
}
