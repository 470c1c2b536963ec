// Texts in parameter files are 8-bit, as the controls hold them, and are Windows-1252 wherever they
// are shown or typed: in the dialog and in pravel-cli alike.
#pragma once

#include <string>

// Each byte as its Windows-1252 character in UTF-8. The five bytes 1252 leaves undefined (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) become the control characters of the same number, so nothing is lost.
std::string Windows1252ToUtf8(const std::string& text);

// The reverse, for text typed by the user: a character Windows-1252 has becomes its byte, any
// other character (and a broken UTF-8 sequence) becomes '?'.
std::string Utf8ToWindows1252(const std::string& text);
