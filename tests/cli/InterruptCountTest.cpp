// How the interrupt handlers count: the same on every system.
#include "cli/Interrupt.h"

#include <gtest/gtest.h>

TEST(InterruptCount, FirstAsksForAStopSecondForAnAbortThirdEndsTheProgram)
{
    ClearInterrupt();
    // Outside a job command nothing has been dialled: the program ends as usual.
    EXPECT_EQ(CountInterrupt(), InterruptOutcome::EndProgram);
    EXPECT_FALSE(InterruptRequested());

    CInterruptScope scope;
    const struct {
        InterruptOutcome outcome;
        bool requested, abort;
    } presses[] = {
        {InterruptOutcome::Counted, true, false},
        {InterruptOutcome::Counted, true, true},
        {InterruptOutcome::EndProgram, true, true},
    };
    for (size_t i = 0; i < std::size(presses); ++i) {
        SCOPED_TRACE(i + 1);
        EXPECT_EQ(CountInterrupt(), presses[i].outcome);
        EXPECT_EQ(InterruptRequested(), presses[i].requested);
        EXPECT_EQ(AbortRequested(), presses[i].abort);
    }
    ClearInterrupt();
    EXPECT_FALSE(InterruptRequested());
    EXPECT_EQ(CountInterrupt(), InterruptOutcome::Counted);
    ClearInterrupt();
}

TEST(InterruptCount, ScopeEndsWithItsObject)
{
    {
        CInterruptScope scope;
        EXPECT_TRUE(InInterruptScope());
    }
    EXPECT_FALSE(InInterruptScope());
}
