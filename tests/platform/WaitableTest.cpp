#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

#include "platform/Event.h"
#include "platform/Semaphore.h"
#include "platform/Thread.h"

TEST(Event, ManualResetStaysSignalledUntilReset)
{
    CEvent event;
    ASSERT_TRUE(event.Create(true, false));
    EXPECT_EQ(WaitForObject(event, 0), WAIT_TIMEOUT);
    event.Set();
    event.Set();
    EXPECT_EQ(WaitForObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForObject(event, 0), WAIT_OBJECT_0);
    event.Reset();
    EXPECT_FALSE(event.IsSet());
    EXPECT_EQ(WaitForObject(event, 0), WAIT_TIMEOUT);
}

TEST(Event, AutoResetReleasesOneWaitPerSignal)
{
    CEvent event;
    ASSERT_TRUE(event.Create(false, true));
    EXPECT_EQ(WaitForObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForObject(event, 0), WAIT_TIMEOUT);
    event.Set();
    event.Set(); // a second set of a signalled event adds nothing
    EXPECT_EQ(WaitForObject(event, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForObject(event, 0), WAIT_TIMEOUT);
}

TEST(Semaphore, CountsUpToItsMaximum)
{
    CSemaphore semaphore;
    ASSERT_TRUE(semaphore.Create(0, 3));
    EXPECT_TRUE(semaphore.Release());
    EXPECT_TRUE(semaphore.Release());
    EXPECT_TRUE(semaphore.Release());
    EXPECT_FALSE(semaphore.Release());
    EXPECT_EQ(semaphore.Count(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(WaitForObject(semaphore, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForObject(semaphore, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(semaphore.Release());
}

TEST(WaitForObjects, LowestSignalledPositionWins)
{
    CEvent stop, step;
    CSemaphore data;
    ASSERT_TRUE(stop.Create(true, false));
    ASSERT_TRUE(step.Create(false, false));
    ASSERT_TRUE(data.Create(0, 200));
    data.Release();
    step.Set();
    EXPECT_EQ(WaitForObjects({&stop, &data, &step}, 0), WAIT_OBJECT_0 + 1);
    EXPECT_EQ(WaitForObjects({&stop, &data, &step}, 0), WAIT_OBJECT_0 + 2);
    stop.Set();
    data.Release();
    EXPECT_EQ(WaitForObjects({&stop, &data, &step}, 0), WAIT_OBJECT_0);
}

TEST(WaitForObjects, TimesOutNoEarlierThanAsked)
{
    CEvent event;
    ASSERT_TRUE(event.Create(true, false));
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WaitForObject(event, 30), WAIT_TIMEOUT);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
}

TEST(WaitForObjects, WakesWhenAnotherThreadSignals)
{
    CEvent event;
    ASSERT_TRUE(event.Create(false, false));
    std::thread setter([&] { event.Set(); });
    EXPECT_EQ(WaitForObject(event, INFINITE), WAIT_OBJECT_0);
    setter.join();
}

TEST(WaitForObjects, ObjectNotCreatedFails)
{
    CEvent event;
    EXPECT_EQ(WaitForObject(event, 0), WAIT_FAILED);
}

TEST(Thread, BoundedWaitThenJoin)
{
    CEvent go;
    ASSERT_TRUE(go.Create(true, false));
    std::atomic<bool> ran{false};
    CThread thread;
    ASSERT_TRUE(thread.Start(
        [&] {
            WaitForObject(go, INFINITE);
            ran = true;
        },
        ThreadPriority::Highest));
    EXPECT_FALSE(thread.WaitForEnd(20));
    EXPECT_FALSE(thread.HasEnded());
    go.Set();
    EXPECT_TRUE(thread.WaitForEnd(INFINITE));
    thread.Join();
    EXPECT_TRUE(ran);
    EXPECT_FALSE(thread.IsStarted());
}
