#include "diag/Trace.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <string.h>
#include <unistd.h>

namespace {

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

void WriteTraceToSystem(std::string_view text)
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
        buffer = static_cast<char*>(std::calloc(TraceWorkAreaSize, 1));
        size = TraceWorkAreaSize;
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
        size_t limit = size < TraceComposeLimit ? size : TraceComposeLimit;
        (void)!std::snprintf(buffer, limit, "FormatMessage failed on error 0x%lx for the following reasons: %s",
                      static_cast<unsigned long>(code), reason);
    }
    FreeErrorText(reason);
    return buffer;
}
