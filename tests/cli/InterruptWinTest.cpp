// Ctrl-C and Ctrl-Break reach pravel-cli's console handler and count as on Linux.
#include "cli/Interrupt.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "support/WaitUntil.h"

namespace {

struct InterruptWin : ::testing::Test {
    void SetUp() override
    {
        // A console of our own, whatever the test runs under: the events go to its processes.
        ::FreeConsole();
        ASSERT_TRUE(::AllocConsole());
        InstallInterruptHandler();
        ClearInterrupt();
    }
    void TearDown() override { ClearInterrupt(); }
};

} // namespace

TEST_F(InterruptWin, FirstCtrlCAsksForAStopTheSecondForAnAbort)
{
    CInterruptScope scope;
    ASSERT_TRUE(::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
    EXPECT_TRUE(WaitUntil([] { return InterruptRequested(); }));
    EXPECT_FALSE(AbortRequested());
    ASSERT_TRUE(::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
    EXPECT_TRUE(WaitUntil([] { return AbortRequested(); }));
}

TEST_F(InterruptWin, CtrlBreakCountsAsCtrlC)
{
    CInterruptScope scope;
    if (!::GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, 0))
        GTEST_SKIP() << "this console cannot send Ctrl-Break (error " << ::GetLastError() << ")";
    EXPECT_TRUE(WaitUntil([] { return InterruptRequested(); }));
    EXPECT_FALSE(AbortRequested());
}
