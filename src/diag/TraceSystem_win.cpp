#include "diag/Trace.h"

#include <windows.h>

#include <cstdio>

namespace {

constexpr DWORD UsEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US); // 0x0409
// Each failed lookup looks up the text of its own failure; a chain this deep means the system
// has no texts at all, and the answer is null.
constexpr int LookupDepthLimit = 4;

// The program passes no values for inserts: a text with insert markers keeps them as they stand.
constexpr DWORD LookupFlags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;

char* FormatErrorText(uint32_t code, char* buffer, size_t size, int depth)
{
    if (depth > LookupDepthLimit)
        return nullptr;
    const bool allocating = buffer == nullptr;
    DWORD length = 0;
    if (allocating) {
        char* text = nullptr;
        length = ::FormatMessageA(LookupFlags | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, code, UsEnglish,
                                  reinterpret_cast<LPSTR>(&text), 0, nullptr);
        if (length != 0)
            return text;
        const DWORD failure = ::GetLastError();
        if (text != nullptr)
            ::LocalFree(text); // whatever the failed request left behind
        buffer = static_cast<char*>(::LocalAlloc(LMEM_ZEROINIT, TraceWorkAreaSize));
        size = TraceWorkAreaSize;
        if (buffer == nullptr) {
            TraceText("Out of memory trying to FormatLastError\r\n");
            return nullptr;
        }
        ::SetLastError(failure);
    } else {
        const DWORD capacity = size > 0xFFFF ? 0xFFFF : static_cast<DWORD>(size);
        length = ::FormatMessageA(LookupFlags, nullptr, code, UsEnglish, buffer, capacity, nullptr);
        if (length != 0)
            return buffer;
    }

    const DWORD failure = ::GetLastError();
    char* reason = FormatErrorText(failure, nullptr, 0, depth + 1);
    if (reason == nullptr) {
        if (allocating)
            ::LocalFree(buffer);
        return nullptr;
    }
    if (size > 0) {
        const size_t limit = size < TraceComposeLimit ? size : TraceComposeLimit;
        (void)!std::snprintf(buffer, limit, "FormatMessage failed on error 0x%lx for the following reasons: %s",
                             static_cast<unsigned long>(code), reason);
    }
    ::LocalFree(reason);
    return buffer;
}

} // namespace

void WriteTraceToSystem(std::string_view text)
{
    // Both channels take the line in one call; OutputDebugStringA needs it ended by a NUL.
    char line[TraceWorkAreaSize];
    const size_t length = text.size() < sizeof line - 1 ? text.size() : sizeof line - 1;
    text.copy(line, length);
    line[length] = '\0';
    ::OutputDebugStringA(line);
    DWORD written = 0;
    HANDLE standardError = ::GetStdHandle(STD_ERROR_HANDLE);
    if (standardError != nullptr && standardError != INVALID_HANDLE_VALUE)
        (void)::WriteFile(standardError, line, static_cast<DWORD>(length), &written, nullptr);
}

void FreeErrorText(char* text)
{
    if (text != nullptr)
        ::LocalFree(text);
}

char* FormatLastError(uint32_t code, char* buffer, size_t size)
{
    return FormatErrorText(code, buffer, size, 0);
}
