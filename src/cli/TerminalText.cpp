#include "cli/TerminalText.h"

#include <cstdio>

namespace {

std::string Hex(const char* prefix, unsigned value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%s%02X", prefix, value & 0xFFu);
    return text;
}

} // namespace

std::string EscapeControlCharacters(const std::string& utf8)
{
    std::string shown;
    shown.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte < 0x20 || byte == 0x7F) {
            shown += Hex("\\x", byte);
        } else if (byte == '\\') {
            shown += "\\\\";
        } else if (byte == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(utf8[i + 1]) <= 0x9F) {
            // U+0080 to U+009F: the C1 controls, CSI and OSC among them.
            shown += Hex("\\u00", static_cast<unsigned char>(utf8[i + 1]));
            ++i;
        } else {
            shown += static_cast<char>(byte);
        }
    }
    return shown;
}

std::string MessageText(const std::string& utf8)
{
    std::string shown;
    size_t start = 0;
    for (size_t end = utf8.find('\n'); end != std::string::npos; end = utf8.find('\n', start)) {
        shown += EscapeControlCharacters(utf8.substr(start, end - start)) + '\n';
        start = end + 1;
    }
    return shown + EscapeControlCharacters(utf8.substr(start));
}
