#include "diag/SystemError.h"

#include "diag/Trace.h"

std::string SystemErrorText(int error)
{
    char buffer[512];
    const char* text = FormatLastError(static_cast<uint32_t>(error), buffer, sizeof buffer);
    if (text == nullptr)
        return "Unknown error";
    std::string result(text);
    // Windows ends its texts with a line end; a message shown to the user carries none.
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == ' '))
        result.pop_back();
    return result;
}
