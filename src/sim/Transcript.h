// The transcript of a simulator session: one line per command received, result or tones sent, and
// what the modem and the units made of them, each with the local time to the millisecond:
//   "14:03:07.215 <- AT#VTS=C,2,B,0,B,0,9,D"
#pragma once

#include <string>
#include <string_view>

std::string TranscriptLine(std::string_view direction, std::string_view text);
