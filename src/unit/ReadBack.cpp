#include "unit/ReadBack.h"

#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

// The number a text stands for: digits with an optional fraction that is zero ("5.0"); none for
// anything else.
std::optional<long> WholeNumber(std::string_view text)
{
    if (text.empty() || text.size() > 12)
        return std::nullopt;
    const std::string copy(text);
    char* end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size() || !(copy[0] >= '0' && copy[0] <= '9') || value != std::floor(value))
        return std::nullopt;
    return static_cast<long>(value);
}

bool IsOn(std::string_view text)
{
    const std::optional<long> number = WholeNumber(text);
    return number ? *number != 0 : !text.empty();
}

} // namespace

bool CanReadBack(int row)
{
    return row >= 0 && row < ParameterCount && row != RowNewProgrammingCode;
}

bool SameUnitValue(int row, std::string_view written, std::string_view readBack)
{
    if (row < 0 || row >= ParameterCount)
        return false;
    int lowest = 0;
    int highest = 0;
    if (ParameterNumberRange(row, &lowest, &highest)) {
        const std::optional<long> a = WholeNumber(written);
        const std::optional<long> b = WholeNumber(readBack);
        if (a && b)
            return *a == *b;
        return written == readBack;
    }
    switch (ParameterTable[row].kind) {
    case KindCheckBox:
    case KindRadioPair:
        return IsOn(written) == IsOn(readBack);
    default:
        return written == readBack;
    }
}
