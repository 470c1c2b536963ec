// Texts from parameter files and from units may hold any bytes; printed raw, an ESC or a CR in
// them would drive the terminal. Table output shows them escaped instead: C0 controls and DEL as
// "\xNN", C1 controls (U+0080 to U+009F) as "\u00NN", and a backslash as "\\", so that what is
// shown can be read back unambiguously. JSON output has its own escaping and does not use this.
#pragma once

#include <string>

// The UTF-8 text with its control characters escaped.
std::string EscapeControlCharacters(const std::string& utf8);
// The program's own messages: their line breaks print as line breaks; any other control
// character (from a path or a modem's answer quoted in them) is escaped as above.
std::string MessageText(const std::string& utf8);
