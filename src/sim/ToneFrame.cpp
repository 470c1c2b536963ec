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
    std::string tones = "C";
    auto emit = [&tones](char c, bool first) { tones += (!first && c == tones.back()) ? 'B' : c; };
    bool first = true;
    for (char c : text) {
        emit(c, first);
        first = false;
    }
    char check = ToneCheckDigit(text);
    if (checkOffset != 0)
        check = static_cast<char>('0' + ((check - '0' + checkOffset) % 10 + 10) % 10);
    emit(check, first);
    tones += 'D';
    return tones;
}
