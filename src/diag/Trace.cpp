#include "diag/Trace.h"

#include <cstdio>
#include <cstring>
#include <mutex>

namespace {

constexpr size_t WorkAreaSize = TraceWorkAreaSize;
constexpr size_t ComposeLimit = TraceComposeLimit;

std::mutex& SinkLock()
{
    static std::mutex lock;
    return lock;
}

TraceSink& Sink()
{
    static TraceSink sink = WriteTraceToSystem;
    return sink;
}

void Emit(std::string_view text)
{
    TraceSink sink;
    {
        std::lock_guard<std::mutex> guard(SinkLock());
        sink = Sink();
    }
    if (sink)
        sink(text);
}

} // namespace

TraceSink SetTraceSink(TraceSink sink)
{
    std::lock_guard<std::mutex> guard(SinkLock());
    TraceSink previous = std::move(Sink());
    Sink() = std::move(sink);
    return previous;
}

void ResetTraceSink()
{
    SetTraceSink(WriteTraceToSystem);
}

void TraceText(const char* text)
{
    if (text != nullptr)
        Emit(text);
}

void TraceLastError(uint32_t code, const char* prefix, const char* file, int line)
{
    if (prefix == nullptr)
        prefix = "";
    char lineText[WorkAreaSize];
    char errorText[WorkAreaSize];
    const char* text = FormatLastError(code, errorText, sizeof errorText);
    if (text != nullptr) {
        size_t length = std::strlen(errorText);
        if (length > 0 && errorText[length - 1] == '\n')
            errorText[length - 1] = '\0';
        if (file != nullptr)
            (void)!std::snprintf(lineText, ComposeLimit, "%sGetLastError returned: \"%s\" in File \"%s\", Line %d\r\n", prefix,
                          errorText, file, line);
        else
            (void)!std::snprintf(lineText, ComposeLimit, "%sGetLastError returned: \"%s\"\r\n", prefix, errorText);
    } else {
        if (file != nullptr)
            (void)!std::snprintf(lineText, ComposeLimit, "%sOut of memory in file %s,line %d\r\n", prefix, file, line);
        else
            (void)!std::snprintf(lineText, ComposeLimit, "%sOut of memory\r\n", prefix);
    }
    Emit(lineText);
}

void TraceVPrintf(const char* format, va_list args)
{
    char text[WorkAreaSize];
    // Keep room for the line end and the NUL; longer texts are cut.
    int n = std::vsnprintf(text, sizeof text - 2, format, args);
    size_t length = n < 0 ? 0 : static_cast<size_t>(n);
    if (length > sizeof text - 3)
        length = sizeof text - 3;
    if (length == 0 || text[length - 1] != '\n') {
        text[length++] = '\r';
        text[length++] = '\n';
    }
    text[length] = '\0';
    Emit(std::string_view(text, length));
}

void TracePrintf(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    TraceVPrintf(format, args);
    va_end(args);
}
