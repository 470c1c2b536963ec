#include "winapp/PortChoices.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace {

// Windows numbers its ports up to COM256; a longer number is no port.
constexpr unsigned HighestPortNumber = 256;

bool SameName(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// The leading decimal digits of text from position start, as a number; 0 when there are none or
// the number runs beyond limit.
unsigned LeadingNumber(const std::string& text, size_t start, unsigned limit, size_t* end)
{
    unsigned number = 0;
    size_t i = start;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        number = number * 10 + static_cast<unsigned>(text[i] - '0');
        if (number > limit) {
            number = 0;
            // The rest of the digits belong to the same number.
            while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
                ++i;
            break;
        }
    }
    if (end != nullptr)
        *end = i;
    return number;
}

std::string NumberedText(const char* format, unsigned number)
{
    char text[16];
    std::snprintf(text, sizeof text, format, number);
    return text;
}

} // namespace

unsigned ComPortNumber(const std::string& name)
{
    if (name.size() < 4 || !SameName(name.substr(0, 3), "COM"))
        return 0;
    size_t end = 0;
    unsigned number = LeadingNumber(name, 3, HighestPortNumber, &end);
    return end == name.size() ? number : 0;
}

std::vector<PortChoice> BuildPortChoices(const std::vector<std::string>& presentPorts)
{
    std::vector<PortChoice> choices;
    for (unsigned n = 1; n <= NumberedPortChoices; ++n)
        choices.push_back({NumberedText("COM%02u", n), NumberedText("com%u", n)});

    std::vector<unsigned> numbered;
    std::vector<std::string> others;
    for (const std::string& port : presentPorts) {
        if (port.empty())
            continue;
        unsigned number = ComPortNumber(port);
        if (number >= 1 && number <= NumberedPortChoices)
            continue; // one of the ten
        if (number > NumberedPortChoices) {
            if (std::find(numbered.begin(), numbered.end(), number) == numbered.end())
                numbered.push_back(number);
            continue;
        }
        bool known = std::any_of(others.begin(), others.end(), [&](const std::string& o) { return SameName(o, port); });
        if (!known)
            others.push_back(port);
    }
    std::sort(numbered.begin(), numbered.end());
    for (unsigned number : numbered)
        choices.push_back({NumberedText("COM%u", number), NumberedText("com%u", number)});
    for (const std::string& other : others)
        choices.push_back({other, other});
    return choices;
}

int PortChoiceIndex(const std::vector<PortChoice>& choices, const std::string& portName)
{
    unsigned number = LeadingNumber(portName, std::min<size_t>(3, portName.size()), NumberedPortChoices, nullptr);
    if (portName.size() > 3 && number >= 1 && number <= NumberedPortChoices &&
        static_cast<size_t>(number) <= choices.size())
        return static_cast<int>(number - 1);
    for (size_t i = NumberedPortChoices; i < choices.size(); ++i)
        if (SameName(choices[i].portName, portName))
            return static_cast<int>(i);
    return -1;
}
