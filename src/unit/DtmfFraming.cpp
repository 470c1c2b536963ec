#include "unit/DtmfFraming.h"

#include <string>
#include <vector>

namespace {

int Weight(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c == '*')
        return 4;
    if (c >= 'A' && c <= 'F')
        return c - 'A';
    return 0;
}

// The value of a received character in the frame sum; characters compare as signed chars, so
// '*' counts -6, '#' -13 and 'C' 2.
int FrameValue(char c)
{
    int x = static_cast<signed char>(c);
    return x <= '9' ? x - '0' : x - 'A';
}

} // namespace

char DtmfCheckDigit(std::string_view code)
{
    int sum = static_cast<int>(code.size());
    for (char c : code)
        sum += Weight(c);
    return static_cast<char>('0' + sum % 10);
}

std::string BuildDtmfCommand(std::string_view code)
{
    if (code.size() > MaxCodeLength)
        code = code.substr(0, MaxCodeLength);
    std::string command = "AT#VTS=C";
    char previous = '\0'; // the first character is compared with nothing
    auto emit = [&](char c, bool first) {
        char out = (!first && c == previous) ? 'B' : c;
        command += ',';
        command += out;
        previous = out;
    };
    bool first = true;
    for (char c : code) {
        emit(c, first);
        first = false;
    }
    emit(DtmfCheckDigit(code), first);
    command += ",D\r\n";
    return command;
}

DtmfFrameResult CheckDtmfFrame(const char* buffer, int length)
{
    DtmfFrameResult result;
    int j = -1;
    for (int i = 0; i < length; ++i) {
        if (buffer[i] == 'D') {
            j = i;
            break;
        }
    }
    if (j < 0)
        return result;
    result.status = DtmfFrameStatus::Invalid;
    if (j < 2)
        return result;

    std::vector<char> f(buffer, buffer + j + 1);
    for (int i = 1; i <= j; ++i)
        if (f[static_cast<size_t>(i)] == 'B')
            f[static_cast<size_t>(i)] = f[static_cast<size_t>(i) - 1];

    int sum = j + 6;
    for (int k = 0; k <= j - 2; ++k)
        sum += FrameValue(f[static_cast<size_t>(k)]);
    const char checkDigit = f[static_cast<size_t>(j) - 1];
    std::string answer(f.begin() + 1, f.begin() + (j - 1));
    if (sum % 10 != checkDigit - '0') {
        // The received sum counts '#' as -13 where the unit weighs it 0 when it computes its check
        // digit, so an answer holding '#' would never pass. Such a frame is also accepted when its
        // check digit is the one the unit computes. ('*' agrees under both sums.)
        if (answer.find('#') == std::string::npos || DtmfCheckDigit(answer) != checkDigit)
            return result;
    }

    result.status = DtmfFrameStatus::Valid;
    result.answer = std::move(answer);
    return result;
}
