#include "modem/StatusRecord.h"

#include <string>

namespace {

long Flag(char c)
{
    return c != '0' ? 1 : 0;
}

} // namespace

std::vector<StatusValue> DecodeStatusRecord(std::string_view answer, char firmwareMajor)
{
    std::vector<StatusValue> values;
    auto has = [&](size_t position) { return position < answer.size(); };
    auto at = [&](size_t position) { return answer[position]; };

    if (has(0))
        values.push_back({1042, CMessageValue::Text(std::string(1, at(0)))});
    if (has(1))
        values.push_back({1043, CMessageValue::Number(Flag(at(1)))});
    if (has(3))
        values.push_back({1037, CMessageValue::Number(Flag(at(3)))});
    if (has(7))
        values.push_back({1038, CMessageValue::Text(std::string(answer.substr(4, 4)))});
    if (has(9))
        values.push_back({1041, CMessageValue::Text(std::to_string(10 * (at(8) - '0') + (at(9) - '0')))});
    if (has(11))
        values.push_back({1040, CMessageValue::Number(at(11) == 'A' ? 10 : at(11) - '0')});
    if (has(12))
        values.push_back({1044, CMessageValue::Text(std::to_string(at(12) - '0'))});
    if (has(13)) {
        if (has(14))
            values.push_back({1048, CMessageValue::Text(std::string(answer.substr(13, 2)))});
        if (has(15))
            values.push_back({1062, CMessageValue::Number(Flag(at(15)))});
        if (has(16))
            values.push_back({1060, CMessageValue::Number(at(16) - '0')});
        if (has(17))
            values.push_back({1064, CMessageValue::Number(Flag(at(17)))});
    }
    if (firmwareMajor == '2' && has(18))
        values.push_back({1036, CMessageValue::Number(Flag(at(18)))});
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
