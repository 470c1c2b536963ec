#include "diag/Trace.h"

#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

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

TEST(TracePrintf, AppendsALineEndOnlyWhenTheTextLacksOne)
{
    TraceCapture trace;
    TracePrintf("Unexpected comm event %lx", 0x100ul);
    TracePrintf("Got '%s' from comm\n", "OK\r\n");
    TracePrintf("%s", "");
    auto lines = trace.Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Unexpected comm event 100\r\n");
    EXPECT_EQ(lines[1], "Got 'OK\r\n' from comm\n");
    EXPECT_EQ(lines[2], "\r\n");
}

TEST(TracePrintf, OverlongTextIsCutAndStillEndsTheLine)
{
    TraceCapture trace;
    std::string big(10000, 'x');
    TracePrintf("%s", big.c_str());
    auto line = trace.Lines().at(0);
    EXPECT_LT(line.size(), 4096u);
    EXPECT_EQ(line.substr(line.size() - 2), "\r\n");
}

TEST(TraceText, FixedTextsGoOutAsTheyStand)
{
    TraceCapture trace;
    TraceText("Stopping the Comm\n");
    EXPECT_EQ(trace.Lines(), std::vector<std::string>{"Stopping the Comm\n"});
}

TEST(TraceSink, EmptySinkSilencesTheTrace)
{
    TraceCapture outer;
    TraceSink previous = SetTraceSink({});
    TraceText("nobody hears this\n");
    SetTraceSink(std::move(previous));
    EXPECT_TRUE(outer.Lines().empty());
}
