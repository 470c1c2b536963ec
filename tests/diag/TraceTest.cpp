#include "diag/Trace.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

#include "support/TraceCapture.h"

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
