// The debug trace: diagnostic lines for the developer, never shown to the user.
//
// Lines go to a sink; the default sink (WriteTraceToSystem) writes each line in one call to
// standard error, and on Windows to the debugger's output channel (OutputDebugStringA) as well.
// Front ends may silence the trace (pravel-cli without --trace) and tests install a capturing
// sink to assert on exact lines. Every routine here may be called from any thread at any time.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

// The stack area of one trace text, and the bound on texts composed from a system error text:
// 1024 bytes, the terminating NUL included.
constexpr size_t TraceWorkAreaSize = 4096;
constexpr size_t TraceComposeLimit = 1024;

// Receives one complete trace text per call, exactly as built (line ends included).
using TraceSink = std::function<void(std::string_view text)>;

// Replaces the sink; an empty function silences the trace. Returns the sink that was in place.
TraceSink SetTraceSink(TraceSink sink);
// Restores the default sink.
void ResetTraceSink();
// The default sink: the system's trace channel. A failing channel is not noticed.
void WriteTraceToSystem(std::string_view text);

// Sends a fixed text to the trace as it stands ("Stopping the Comm\n").
void TraceText(const char* text);

// The text of a system error code, US English: an errno value on POSIX (the C library's text), a
// GetLastError code on Windows (FormatMessageA's text, which ends in "\r\n").
// With a buffer, the text goes into it (at most size bytes) and the buffer is returned.
// Without one (buffer null), the text is allocated for the caller, who releases it with
// FreeErrorText (LocalFree on Windows).
// An unknown code, or a text that does not fit, gives the sentence
// "FormatMessage failed on error 0x<code> for the following reasons: <text of the failure>".
// Returns null only when memory runs out.
char* FormatLastError(uint32_t code, char* buffer, size_t size);
void FreeErrorText(char* text);

// One trace line for a failed system call:
//   <prefix>GetLastError returned: "<text>" in File "<file>", Line <line>\r\n
// prefix and file may be null.
void TraceLastError(uint32_t code, const char* prefix, const char* file, int line);

// A trace line formatted as printf does; "\r\n" is added unless the text ends in a line feed.
// mingw-w64 formats with its own C99 printf (%zu, %lld), not the Microsoft one its "printf"
// format check stands for.
#ifdef __MINGW32__
#define PRAVEL_PRINTF_FORMAT(f, a) __attribute__((format(gnu_printf, f, a)))
#else
#define PRAVEL_PRINTF_FORMAT(f, a) __attribute__((format(printf, f, a)))
#endif
void TracePrintf(const char* format, ...) PRAVEL_PRINTF_FORMAT(1, 2);
void TraceVPrintf(const char* format, va_list args);

// TraceLastError with the caller's own file and line.
#define TRACE_LAST_ERROR(code, prefix) TraceLastError((code), (prefix), __FILE__, __LINE__)
