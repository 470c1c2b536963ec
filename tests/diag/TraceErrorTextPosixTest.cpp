// The trace's texts for errno values: the C library's own English texts.
#include "diag/Trace.h"

#include <cerrno>
#include <gtest/gtest.h>

#include "support/TraceCapture.h"

TEST(TraceLastError, LongFormNamesPrefixTextFileAndLine)
{
    TraceCapture trace;
    TraceLastError(ENOENT, "Unable to CreateEvent: ", "ComPort.cpp", 42);
    ASSERT_EQ(trace.Lines().size(), 1u);
    EXPECT_EQ(trace.Lines()[0],
              "Unable to CreateEvent: GetLastError returned: \"No such file or directory\" in File \"ComPort.cpp\", "
              "Line 42\r\n");
}

TEST(TraceLastError, NoPrefixAndNoFileGiveTheShortForm)
{
    TraceCapture trace;
    TraceLastError(EACCES, nullptr, nullptr, 7);
    ASSERT_EQ(trace.Lines().size(), 1u);
    EXPECT_EQ(trace.Lines()[0], "GetLastError returned: \"Permission denied\"\r\n");
}

TEST(TraceLastError, PrefixWithoutSeparatorRunsIntoTheWord)
{
    TraceCapture trace;
    TraceLastError(EBUSY, "Unable to create Read thread", nullptr, 0);
    EXPECT_EQ(trace.Lines().at(0), "Unable to create Read threadGetLastError returned: \"Device or resource busy\"\r\n");
}

TEST(TraceLastError, CodeWithoutTextQuotesTheFailureSentence)
{
    TraceCapture trace;
    TraceLastError(0xBEEF, "X: ", nullptr, 0);
    EXPECT_EQ(trace.Lines().at(0), "X: GetLastError returned: \"FormatMessage failed on error 0xbeef for the following "
                                   "reasons: Invalid argument\"\r\n");
}

TEST(FormatLastError, WritesIntoTheCallersBuffer)
{
    char buffer[64];
    EXPECT_EQ(FormatLastError(EIO, buffer, sizeof buffer), buffer);
    EXPECT_STREQ(buffer, "Input/output error");
}

TEST(FormatLastError, AllocatingModeReturnsATextTheCallerFrees)
{
    char* text = FormatLastError(EPERM, nullptr, 0);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "Operation not permitted");
    FreeErrorText(text);
}

TEST(FormatLastError, TextThatDoesNotFitIsAFailureOfItsOwn)
{
    char buffer[64];
    ASSERT_EQ(FormatLastError(ENOENT, buffer, 8), buffer);
    // The failure sentence is cut to the buffer as well.
    EXPECT_STREQ(buffer, "FormatM");
}

TEST(FormatLastError, UnknownCodeInAllocatingModeGivesTheSentenceInLowerCaseHex)
{
    char* text = FormatLastError(0xABCDEF, nullptr, 0);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "FormatMessage failed on error 0xabcdef for the following reasons: Invalid argument");
    FreeErrorText(text);
}
