// The child's outputs, exit status and stop, with POSIX programs (/bin/sh, /bin/sleep) as children.
#include "batch/ChildProcess.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "support/WaitUntil.h"

namespace {

TEST(ChildProcessTest, CollectsBothOutputsAndTheExitStatus)
{
    CChildProcess child;
    std::string problem;
    ASSERT_TRUE(child.Start({"/bin/sh", "-c", "read x; echo out-$x; echo err >&2; exit 3"}, &problem)) << problem;
    EXPECT_EQ(child.Wait(), 3);
    EXPECT_EQ(child.Output(), "out-\n"); // standard input is empty
    EXPECT_EQ(child.ErrorOutput(), "err\n");
}

TEST(ChildProcessTest, AskToStopInterruptsTheChild)
{
    CChildProcess child;
    std::string problem;
    // sleep keeps the interrupt's default action: it dies of the signal.
    ASSERT_TRUE(child.Start({"/bin/sleep", "30"}, &problem)) << problem;
    std::atomic<int> status{-2};
    std::thread waiter([&] { status = child.Wait(); });
    const auto began = std::chrono::steady_clock::now();
    ASSERT_TRUE(WaitUntil([&] {
        child.AskToStop();
        return status.load() != -2;
    }));
    waiter.join();
    EXPECT_EQ(status.load(), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(10));
    child.AskToStop(); // after the reap: nothing happens
}

} // namespace
