// Playing the modem's side of a trace back: what is answered when, what counts as a difference, and
// the files that are not traces.
#include <gtest/gtest.h>

#include "sim/TraceReplay.h"

namespace {

using namespace std::chrono_literals;

const char* const Trace = "# Pravel modem trace, format 1\n"
                          "# program: pravel-cli 1.0\n"
                          "0 > ATZ\\r\\n\n"
                          "40 < OK\n"
                          "50 > AT+VTS=1\\r\\n\n"
                          "60 < OK\n"
                          "90 ~ /\n"
                          "90 ~ 5\n"
                          "120 ~ \\x7F\n";

class TraceReplayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(replay.Parse(Trace, &error)) << error;
        replay.SetNotes([this](std::string_view text) { notes.emplace_back(text); });
        replay.Start(t0);
    }
    std::string At(CTraceReplay::Clock::duration after)
    {
        std::string out;
        replay.Advance(t0 + after, &out);
        return out;
    }

    CTraceReplay replay;
    CTraceReplay::TimePoint t0 = CTraceReplay::Clock::now();
    std::vector<std::string> notes;
};

TEST_F(TraceReplayTest, AnswersEachCommandAtTheRecordedDelay)
{
    EXPECT_EQ(replay.CommandCount(), 2u);
    EXPECT_EQ(replay.Header().front(), "program: pravel-cli 1.0");
    replay.Receive("ATZ\r\n", t0 + 100ms);
    EXPECT_EQ(At(139ms), "");
    EXPECT_EQ(At(140ms), "\r\nOK\r\n");
    replay.Receive("AT+VTS=1\r", t0 + 200ms);
    EXPECT_EQ(At(210ms), "\r\nOK\r\n");
    EXPECT_FALSE(replay.Finished());
    EXPECT_EQ(At(240ms), std::string("\x10/\x10" "5"));
    EXPECT_EQ(At(270ms), "\x10\x7F");
    EXPECT_TRUE(replay.Finished());
    EXPECT_EQ(replay.Differences(), 0);
    EXPECT_TRUE(notes.empty());
}

TEST_F(TraceReplayTest, ADifferentCommandIsReportedAndRefused)
{
    replay.Receive("ATZ\r", t0);
    EXPECT_EQ(At(40ms), "\r\nOK\r\n");
    replay.Receive("AT+VTS=2\r", t0 + 50ms);
    EXPECT_EQ(At(50ms), "\r\nERROR\r\n");
    EXPECT_EQ(replay.Differences(), 1);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0], "command 2 differs: the trace has \"AT+VTS=1\", the program sent \"AT+VTS=2\"");
    // The command the trace has is still answered when it comes.
    replay.Receive("AT+VTS=1\r", t0 + 60ms);
    EXPECT_EQ(At(70ms), "\r\nOK\r\n");
}

TEST_F(TraceReplayTest, AnEarlyCommandGetsWhatCameBeforeItFirst)
{
    replay.Receive("ATZ\r", t0);
    // The next command comes before the OK to the first was due: the OK goes out at once, first.
    replay.Receive("AT+VTS=1\r", t0 + 5ms);
    EXPECT_EQ(At(5ms), "\r\nOK\r\n");
    EXPECT_EQ(At(15ms), "\r\nOK\r\n");
}

TEST_F(TraceReplayTest, CommandsAfterTheEndAreDifferences)
{
    replay.Receive("ATZ\rAT+VTS=1\rATH\r", t0);
    EXPECT_EQ(replay.Differences(), 1);
    EXPECT_EQ(notes.back(), "command after the end of the trace: \"ATH\"");
}

struct BadTrace {
    const char* text;
    const char* error;
};

class TraceReplayParseTest : public ::testing::TestWithParam<BadTrace> {};

TEST_P(TraceReplayParseTest, RefusesWithTheLineAndReason)
{
    CTraceReplay replay;
    std::string error;
    EXPECT_FALSE(replay.Parse(GetParam().text, &error));
    EXPECT_EQ(error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Files, TraceReplayParseTest,
    ::testing::Values(
        BadTrace{"", "the file is empty"},
        BadTrace{"hello\n", "line 1: not a Pravel modem trace (the first line must be \"# Pravel modem trace, format 1\")"},
        BadTrace{"# Pravel modem trace, format 1\nx > ATZ\n", "line 2: the time must be milliseconds"},
        BadTrace{"# Pravel modem trace, format 1\n5 > ATZ\n4 < OK\n", "line 3: the times must not go back"},
        BadTrace{"# Pravel modem trace, format 1\n5 ? ATZ\n", "line 2: unknown record kind '?' (>, < or ~)"},
        BadTrace{"# Pravel modem trace, format 1\n5 ~ 12\n", "line 2: a DLE record holds one character"},
        BadTrace{"# Pravel modem trace, format 1\n5 < \\q\n",
                 "line 2: a malformed escape (\\r, \\n, \\\\ and \\xHH are known)"},
        BadTrace{"# Pravel modem trace, format 1\n5>ATZ\n", "line 2: a record is <milliseconds> <kind> <text>"}));

TEST(TraceReplayEscapeTest, UndoesEveryEscape)
{
    std::string out;
    ASSERT_TRUE(UnescapeTraceText("a\\r\\n\\\\\\x10\\x7f", &out));
    EXPECT_EQ(out, std::string("a\r\n\\\x10\x7f"));
    EXPECT_FALSE(UnescapeTraceText("\\x1", &out));
}

} // namespace
