#include "FuzzTargets.h"

#include <algorithm>
#include <climits>
#include <string>

#include "unit/DtmfFraming.h"

namespace {

bool AllDigits(const std::string& text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The frame the unit would play for a code framed by our encoder: the tone command without its
// "AT#VTS=", commas and line end.
std::string FrameOf(const std::string& code)
{
    std::string frame;
    for (char c : BuildDtmfCommand(code).substr(7))
        if (c != ',' && c != '\r' && c != '\n')
            frame += c;
    return frame;
}

} // namespace

bool FuzzDtmfFrame(const uint8_t* data, size_t size)
{
    if (size > static_cast<size_t>(INT_MAX))
        size = static_cast<size_t>(INT_MAX);
    std::string collected(reinterpret_cast<const char*>(data), size);
    DtmfFrameResult result = CheckDtmfFrame(collected.data(), static_cast<int>(collected.size()));

    size_t end = collected.find('D');
    if (end == std::string::npos)
        return result.status == DtmfFrameStatus::NoFrame && result.answer.empty();
    if (result.status == DtmfFrameStatus::NoFrame)
        return false;

    DtmfFrameResult upToEnd = CheckDtmfFrame(collected.substr(0, end + 1));
    if (upToEnd.status != result.status || upToEnd.answer != result.answer)
        return false;
    if (result.status != DtmfFrameStatus::Valid)
        return result.answer.empty();
    if (result.answer.size() + 2 != end)
        return false;

    if (AllDigits(result.answer) && result.answer.size() <= MaxCodeLength) {
        DtmfFrameResult framed = CheckDtmfFrame(FrameOf(result.answer));
        if (framed.status != DtmfFrameStatus::Valid || framed.answer != result.answer)
            return false;
    }
    return true;
}
