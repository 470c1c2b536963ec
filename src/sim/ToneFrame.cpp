#include "sim/ToneFrame.h"

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

} // namespace

char ToneCheckDigit(std::string_view text)
{
    int sum = static_cast<int>(text.size());
    for (char c : text)
        sum += Weight(c);
    return static_cast<char>('0' + sum % 10);
}

std::optional<char> ReceiverCheckDigit(std::string_view text)
{
    // The frame is 'C', the text, the check digit and 'D'; the index of the 'D' is the text's length
    // plus two, and the receiver adds 6 to it. The start tone 'C' counts 2.
    auto value = [](char c) {
        const int v = static_cast<signed char>(c);
        return v <= '9' ? v - '0' : v - 'A';
    };
    int sum = static_cast<int>(text.size()) + 2 + 6 + value('C');
    for (char c : text)
        sum += value(c);
    if (sum < 0)
        return std::nullopt;
    return static_cast<char>('0' + sum % 10);
}

std::optional<std::string> DecodeToneFrame(std::string_view tones)
{
    // At least the start, a check digit and the end.
    if (tones.size() < 3 || tones.front() != 'C' || tones.back() != 'D')
        return std::nullopt;
    std::string resolved(tones.substr(0, tones.size() - 1));
    for (size_t i = 1; i < resolved.size(); ++i)
        if (resolved[i] == 'B')
            resolved[i] = resolved[i - 1];
    const char check = resolved.back();
    std::string text = resolved.substr(1, resolved.size() - 2);
    if (check < '0' || check > '9' || check != ToneCheckDigit(text))
        return std::nullopt;
    return text;
}

std::string EncodeToneFrame(std::string_view text, int checkOffset)
{
    char check = ToneCheckDigit(text);
    if (checkOffset != 0)
        check = static_cast<char>('0' + ((check - '0' + checkOffset) % 10 + 10) % 10);
    return EncodeToneFrameWithCheck(text, check);
}

std::string EncodeToneFrameWithCheck(std::string_view text, char check)
{
    std::string tones = "C";
    auto emit = [&tones](char c, bool first) { tones += (!first && c == tones.back()) ? 'B' : c; };
    bool first = true;
    for (char c : text) {
        emit(c, first);
        first = false;
    }
    emit(check, first);
    tones += 'D';
    return tones;
}
