#include "form/StatusLineText.h"

#include <vector>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string Trimmed(const std::string& line)
{
    size_t begin = 0;
    size_t end = line.size();
    while (begin < end && IsBlank(line[begin]))
        ++begin;
    while (end > begin && IsBlank(line[end - 1]))
        --end;
    return line.substr(begin, end - begin);
}

bool EndsClause(const std::string& line)
{
    const char last = line.back();
    return last == '.' || last == '!' || last == '?' || last == ':' || last == ';' || last == ',';
}

} // namespace

std::string StatusLineText(const std::string& message)
{
    std::vector<std::string> lines;
    std::string line;
    for (size_t i = 0; i <= message.size(); ++i) {
        const char c = i < message.size() ? message[i] : '\n';
        if (c == '\r' || c == '\n') {
            std::string trimmed = Trimmed(line);
            if (!trimmed.empty())
                lines.push_back(std::move(trimmed));
            line.clear();
            if (c == '\r' && i + 1 < message.size() && message[i + 1] == '\n')
                ++i;
            continue;
        }
        const auto byte = static_cast<unsigned char>(c);
        line += byte < 0x20 || byte == 0x7F ? ' ' : c;
    }
    std::string text;
    for (const std::string& part : lines) {
        if (!text.empty())
            text += EndsClause(text) ? " " : ": ";
        text += part;
    }
    return text;
}
