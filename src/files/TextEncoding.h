// Texts in parameter files are 8-bit, as the controls hold them; for output they are read as
// Windows-1252.
#pragma once

#include <string>

// Each byte as its Windows-1252 character in UTF-8. The five bytes 1252 leaves undefined (0x81,
// 0x8D, 0x8F, 0x90, 0x9D) become the control characters of the same number, so nothing is lost.
std::string Windows1252ToUtf8(const std::string& text);
