#include "unit/StatusRecord.h"

#include <string>

#include "model/ParameterTable.h"

namespace {

long Flag(char c)
{
    return c != '0' ? 1 : 0;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool AllDigits(std::string_view text)
{
    for (char c : text)
        if (!IsDigit(c))
            return false;
    return true;
}

bool IsFlag(std::string_view text)
{
    return text == "0" || text == "1";
}

bool IsDtmfCharacter(char c)
{
    return IsDigit(c) || c == '*' || c == '#' || (c >= 'A' && c <= 'D');
}

// Digits whose number lies in the parameter's range.
bool InRange(std::string_view text, ParameterRow row)
{
    int lowest = 0;
    int highest = 0;
    if (text.empty() || !AllDigits(text) || !ParameterNumberRange(row, &lowest, &highest))
        return false;
    const int number = std::stoi(std::string(text));
    return number >= lowest && number <= highest;
}

StatusValue Make(int id, CMessageValue value, const char* name, std::string_view raw, bool valid)
{
    return StatusValue{id, std::move(value), valid, name, std::string(raw)};
}

} // namespace

std::vector<StatusValue> DecodeStatusRecord(std::string_view answer, char firmwareMajor)
{
    std::vector<StatusValue> values;
    auto has = [&](size_t position) { return position < answer.size(); };
    auto at = [&](size_t position) { return answer[position]; };
    auto raw = [&](size_t position, size_t count) { return answer.substr(position, count); };

    if (has(0))
        values.push_back(Make(1042, CMessageValue::Text(std::string(1, at(0))), "status position 0", raw(0, 1),
                              IsDtmfCharacter(at(0))));
    if (has(1))
        values.push_back(Make(1043, CMessageValue::Number(Flag(at(1))), "power source", raw(1, 1), IsFlag(raw(1, 1))));
    if (has(3))
        values.push_back(
            Make(1037, CMessageValue::Number(Flag(at(3))), "DialToneDetection", raw(3, 1), IsFlag(raw(3, 1))));
    if (has(7))
        values.push_back(Make(1038, CMessageValue::Text(std::string(raw(4, 4))), "programming code", raw(4, 4),
                              AllDigits(raw(4, 4))));
    if (has(9))
        values.push_back(Make(1041, CMessageValue::Text(std::to_string(10 * (at(8) - '0') + (at(9) - '0'))),
                              "AlarmButtonDelay", raw(8, 2), InRange(raw(8, 2), RowAlarmButtonDelay)));
    if (has(11))
        values.push_back(Make(1040, CMessageValue::Number(at(11) == 'A' ? 10 : at(11) - '0'), "TestAlarmTime",
                              raw(11, 1), at(11) == 'A' || IsDigit(at(11))));
    if (has(12))
        values.push_back(Make(1044, CMessageValue::Text(std::to_string(at(12) - '0')), "status position 12",
                              raw(12, 1), IsDigit(at(12))));
    if (has(13)) {
        if (has(14))
            values.push_back(Make(1048, CMessageValue::Text(std::string(raw(13, 2))), "AlarmType", raw(13, 2),
                                  InRange(raw(13, 2), RowAlarmType)));
        if (has(15))
            values.push_back(
                Make(1062, CMessageValue::Number(Flag(at(15))), "IdBeep", raw(15, 1), IsFlag(raw(15, 1))));
        if (has(16))
            values.push_back(Make(1060, CMessageValue::Number(at(16) - '0'), "PhoneAcknowledge", raw(16, 1),
                                  InRange(raw(16, 1), RowPhoneAcknowledge)));
        if (has(17))
            values.push_back(
                Make(1064, CMessageValue::Number(Flag(at(17))), "InfoAlarm", raw(17, 1), IsFlag(raw(17, 1))));
    }
    if (firmwareMajor == '2' && has(18))
        values.push_back(
            Make(1036, CMessageValue::Number(Flag(at(18))), "LedSequence", raw(18, 1), IsFlag(raw(18, 1))));
    return values;
}

LoginAnswer ParseLoginAnswer(std::string_view answer)
{
    LoginAnswer login;
    if (answer.substr(0, 3) == "011") {
        login.refused = true;
        return login;
    }
    for (size_t i = 0; i < 3 && i < answer.size(); ++i) {
        if (i > 0)
            login.firmwareText += '.';
        login.firmwareText += answer[i];
    }
    login.firmwareMajor = answer.empty() ? '\0' : answer[0];
    return login;
}
