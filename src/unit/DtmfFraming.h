// How a command code travels to the unit as DTMF tones, and how the unit's answer frame is
// checked. Pure text processing, no state.
//
// A frame is: start tone 'C', the characters (a character equal to the one emitted before it goes
// out as the repeat mark 'B'), a check digit, end tone 'D'.
#pragma once

#include <string>
#include <string_view>

// Longest code sent in one tone command; SendCode cuts longer ones.
constexpr size_t MaxCodeLength = 17;

// The check digit of a code: (number of characters + sum of weights) mod 10 as '0'..'9'.
// Weights: '0'..'9' their value, '*' 4, 'A'..'F' 0..5, anything else 0.
char DtmfCheckDigit(std::string_view code);

// The modem tone command for a code: "AT#VTS=C,<framed characters>,<check>,D\r\n".
// "22000" gives "AT#VTS=C,2,B,0,B,0,9,D\r\n". The result is at most 99 characters for a code of
// at most MaxCodeLength characters.
std::string BuildDtmfCommand(std::string_view code);

enum class DtmfFrameStatus { NoFrame, Invalid, Valid };

struct DtmfFrameResult {
    DtmfFrameStatus status = DtmfFrameStatus::NoFrame;
    std::string answer; // the characters between the start and the check digit, repeats resolved
};

// Checks the collected characters up to the first 'D'. NoFrame when there is no 'D' yet.
DtmfFrameResult CheckDtmfFrame(const char* buffer, int length);
inline DtmfFrameResult CheckDtmfFrame(std::string_view collected)
{
    return CheckDtmfFrame(collected.data(), static_cast<int>(collected.size()));
}
