#include "cli/ParameterNames.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "model/ParameterTable.h"

namespace {

std::string Lower(const std::string& text)
{
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

// Edits (insert, delete, replace) between two texts.
size_t Distance(const std::string& a, const std::string& b)
{
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::string AllNames()
{
    std::string names;
    for (int row = 0; row < ParameterCount; ++row)
        names += (row > 0 ? ", " : "") + std::string(ParameterTable[row].name);
    return names;
}

} // namespace

int FindParameterAnyCase(const std::string& name, std::string* problem)
{
    const std::string wanted = Lower(name);
    int nearest = -1;
    size_t nearestDistance = 0;
    for (int row = 0; row < ParameterCount; ++row) {
        const std::string candidate = Lower(ParameterTable[row].name);
        if (candidate == wanted)
            return row;
        size_t distance = Distance(wanted, candidate);
        if (nearest < 0 || distance < nearestDistance) {
            nearest = row;
            nearestDistance = distance;
        }
    }
    // A near miss: a few letters wrong, or a prefix that only one name has.
    int prefixed = -1;
    int prefixCount = 0;
    for (int row = 0; row < ParameterCount && !wanted.empty(); ++row) {
        if (Lower(ParameterTable[row].name).rfind(wanted, 0) == 0) {
            prefixed = row;
            ++prefixCount;
        }
    }
    if (prefixCount == 1 && wanted.size() >= 3)
        nearest = prefixed;
    else if (nearestDistance > 3 || nearestDistance * 3 > wanted.size())
        nearest = -1;
    if (nearest >= 0)
        *problem = "Unknown parameter '" + name + "'. Did you mean '" + ParameterTable[nearest].name + "'?";
    else
        *problem = "Unknown parameter '" + name + "'. The parameters are: " + AllNames() + ".";
    return -1;
}
