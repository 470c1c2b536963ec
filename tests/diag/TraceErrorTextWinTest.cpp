// The trace's texts for Win32 error codes: FormatMessageA's own texts, whatever the system's
// wording, in the shapes the trace gives them.
#include "diag/Trace.h"

#include <windows.h>

#include <gtest/gtest.h>
#include <string>

#include "support/TraceCapture.h"

namespace {

// The system's own text for a code, as FormatMessageA gives it.
std::string SystemText(DWORD code)
{
    char text[1024] = {};
    const DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                     MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), text, sizeof text, nullptr);
    return std::string(text, n);
}

} // namespace

TEST(Win32ErrorText, TraceLineKeepsTheCarriageReturnBeforeTheClosingQuote)
{
    const std::string text = SystemText(ERROR_FILE_NOT_FOUND);
    ASSERT_GE(text.size(), 2u);
    ASSERT_EQ(text.substr(text.size() - 2), "\r\n");
    TraceCapture trace;
    TraceLastError(ERROR_FILE_NOT_FOUND, "Modem: Unable to open serial port: ", "ComPort.cpp", 42);
    ASSERT_EQ(trace.Lines().size(), 1u);
    EXPECT_EQ(trace.Lines()[0], "Modem: Unable to open serial port: GetLastError returned: \"" +
                                    text.substr(0, text.size() - 1) + "\" in File \"ComPort.cpp\", Line 42\r\n");
}

TEST(Win32ErrorText, BufferAndAllocatingModesGiveTheSameText)
{
    char buffer[512];
    ASSERT_EQ(FormatLastError(ERROR_ACCESS_DENIED, buffer, sizeof buffer), buffer);
    char* allocated = FormatLastError(ERROR_ACCESS_DENIED, nullptr, 0);
    ASSERT_NE(allocated, nullptr);
    EXPECT_STREQ(allocated, buffer);
    EXPECT_EQ(std::string(buffer), SystemText(ERROR_ACCESS_DENIED));
    FreeErrorText(allocated);
}

TEST(Win32ErrorText, CodeWithoutTextGivesTheFailureSentenceInLowerCaseHex)
{
    // The customer bit: no system text exists for it.
    const DWORD unknown = 0x2000BEEF;
    char* text = FormatLastError(unknown, nullptr, 0);
    ASSERT_NE(text, nullptr);
    const std::string sentence = "FormatMessage failed on error 0x2000beef for the following reasons: ";
    ASSERT_EQ(std::string(text).substr(0, sentence.size()), sentence);
    // The reason is the system's text of the lookup's own failure.
    EXPECT_EQ(std::string(text).substr(sentence.size()), SystemText(ERROR_MR_MID_NOT_FOUND));
    FreeErrorText(text);
}

TEST(Win32ErrorText, TextThatDoesNotFitIsAFailureOfItsOwn)
{
    char buffer[64];
    ASSERT_EQ(FormatLastError(ERROR_FILE_NOT_FOUND, buffer, 8), buffer);
    EXPECT_STREQ(buffer, "FormatM");
}
