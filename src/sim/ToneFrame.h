// The framing of digit strings on the line, as the unit hears and plays them: a start tone 'C',
// the characters with 'B' standing for "the same as the tone before", a check digit, an end tone 'D'.
// The check digit is (n + sum of weights) mod 10 over the n characters: '0'-'9' weigh their value,
// '*' 4, 'A'-'F' 0 to 5, anything else 0.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The check digit of a text, '0'..'9'.
char ToneCheckDigit(std::string_view text);

// The check digit that Pravel's receiver requires of a frame carrying a text. Its rule sums the
// frame's characters as signed offsets ("x - '0'" up to '9', "x - 'A'" above), the start tone and
// the length: for digits that is the rule above, for other characters it is not ('#' counts -13,
// 'Z' 25). None when no digit can satisfy it (a sum below zero leaves a negative remainder).
std::optional<char> ReceiverCheckDigit(std::string_view text);

// Decodes the tones of one frame, from its 'C' to its 'D' inclusive. Repeat marks are resolved
// left to right; the text between the start and the check digit is returned when the check digit
// is right, nothing when it is wrong or the frame is malformed.
std::optional<std::string> DecodeToneFrame(std::string_view tones);

// The tones that carry a text: "C", the characters with repeats as 'B', the check digit, "D".
// A nonzero checkOffset adds to the check digit (mod 10) to make a frame the receiver must refuse.
std::string EncodeToneFrame(std::string_view text, int checkOffset = 0);
// The same with a given check digit.
std::string EncodeToneFrameWithCheck(std::string_view text, char check);
