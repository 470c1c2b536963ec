#include "cli/TerminalWidth.h"

namespace {

bool IsContinuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

std::string FitToWidth(const std::string& line, int columns)
{
    if (columns <= 0)
        return line;
    const size_t room = columns > 1 ? static_cast<size_t>(columns - 1) : 1;
    size_t characters = 0;
    for (char c : line)
        characters += IsContinuation(c) ? 0 : 1;
    if (characters <= room)
        return line;
    const size_t keep = room > 3 ? room - 3 : room;
    std::string cut;
    size_t kept = 0;
    for (char c : line) {
        if (!IsContinuation(c) && kept++ == keep)
            break;
        cut += c;
    }
    return room > 3 ? cut + "..." : cut;
}
