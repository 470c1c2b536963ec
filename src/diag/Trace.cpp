#include "diag/Trace.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <mutex>
#include <string.h>
#include <unistd.h>

namespace {

constexpr size_t WorkAreaSize = 4096;
// Texts composed here are cut at 1024 bytes, the terminating NUL included.
constexpr size_t ComposeLimit = 1024;

void WriteToStandardError(std::string_view text)
{
    const char* p = text.data();
    size_t left = text.size();
    while (left > 0) {
        ssize_t n = ::write(STDERR_FILENO, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return; // a failing trace channel is not noticed
        p += n;
        left -= static_cast<size_t>(n);
    }
}

std::mutex& SinkLock()
{
    static std::mutex lock;
    return lock;
}

TraceSink& Sink()
{
    static TraceSink sink = WriteToStandardError;
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

// The C library's own text for an errno value in English, or null when it has none.
const char* EnglishErrorText(uint32_t code)
{
    if (code > static_cast<uint32_t>(INT32_MAX) || strerrorname_np(static_cast<int>(code)) == nullptr)
        return nullptr;
    static locale_t english = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    if (english == static_cast<locale_t>(0))
        return strerrordesc_np(static_cast<int>(code));
    return strerror_l(static_cast<int>(code), english);
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
    SetTraceSink(WriteToStandardError);
}

void TraceText(const char* text)
{
    if (text != nullptr)
        Emit(text);
}

void FreeErrorText(char* text)
{
    std::free(text);
}

char* FormatLastError(uint32_t code, char* buffer, size_t size)
{
    const bool allocating = buffer == nullptr;
    uint32_t failure = 0;
    const char* text = EnglishErrorText(code);
    if (text == nullptr) {
        failure = EINVAL; // no text for this code
    } else {
        size_t length = std::strlen(text);
        if (allocating) {
            char* copy = static_cast<char*>(std::malloc(length + 1));
            if (copy != nullptr) {
                std::memcpy(copy, text, length + 1);
                return copy;
            }
            failure = ENOMEM;
        } else if (length < size) {
            std::memcpy(buffer, text, length + 1);
            return buffer;
        } else {
            failure = ERANGE; // the text does not fit
        }
    }

    if (allocating) {
        buffer = static_cast<char*>(std::calloc(WorkAreaSize, 1));
        size = WorkAreaSize;
        if (buffer == nullptr) {
            TraceText("Out of memory trying to FormatLastError\r\n");
            return nullptr;
        }
    }
    char* reason = FormatLastError(failure, nullptr, 0);
    if (reason == nullptr) {
        if (allocating)
            std::free(buffer);
        return nullptr;
    }
    if (size > 0) {
        size_t limit = size < ComposeLimit ? size : ComposeLimit;
        (void)!std::snprintf(buffer, limit, "FormatMessage failed on error 0x%lx for the following reasons: %s",
                      static_cast<unsigned long>(code), reason);
    }
    FreeErrorText(reason);
    return buffer;
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
