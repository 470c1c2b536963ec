#include "cli/CliNotifyWindow.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "model/JobMessages.h"
#include "support/WaitUntil.h"

using namespace std::chrono_literals;

TEST(CliNotifyWindow, PostedMessagesArriveInOrderWithTheirValues)
{
    CCliNotifyWindow window;
    window.PostMessage(WM_SHOW_PROGRESS, ProgressDialing, CMessageValue::Number(60));
    window.PostMessage(WM_SET_TEXT, 1010, CMessageValue::Text("0612345678"));
    auto first = window.TakeMessage(0ms);
    auto second = window.TakeMessage(0ms);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->message, WM_SHOW_PROGRESS);
    EXPECT_EQ(first->value.NumberValue(), 60);
    EXPECT_EQ(second->wParam, 1010u);
    EXPECT_EQ(second->value.TextValue(), "0612345678");
    EXPECT_FALSE(first->ticket);
    EXPECT_FALSE(window.TakeMessage(10ms));
}

TEST(CliNotifyWindow, SendReturnsOnlyAfterTheMessageWasHandled)
{
    CCliNotifyWindow window;
    std::atomic<bool> returned{false};
    std::thread sender([&] {
        window.SendMessage(WM_SET_TEXT, 1043, CMessageValue::Number(1));
        returned = true;
    });
    auto message = window.TakeMessage(10s);
    ASSERT_TRUE(message);
    ASSERT_TRUE(message->ticket);
    std::this_thread::sleep_for(20ms); // give a wrong implementation the chance to return early
    EXPECT_FALSE(returned);
    window.MessageHandled(*message);
    sender.join();
    EXPECT_TRUE(returned);
}

TEST(CliNotifyWindow, CloseReleasesAWaitingSenderAndDropsLaterMessages)
{
    CCliNotifyWindow window;
    std::thread sender([&] { window.SendMessage(WM_SET_TEXT, 1065, CMessageValue::Text("2.0.7")); });
    ASSERT_TRUE(WaitUntil([&] {
        // The sent message is queued once the sender waits.
        auto m = window.TakeMessage(0ms);
        return m.has_value();
    }));
    window.Close();
    sender.join(); // would hang if Close did not release it
    window.PostMessage(WM_SHOW_PROGRESS, ProgressEnded, CMessageValue::Number(0));
    window.SendMessage(WM_SET_TEXT, 1010, CMessageValue::Text("x")); // returns at once
    EXPECT_FALSE(window.TakeMessage(0ms));
}

TEST(CliNotifyWindow, MessagesQueuedBeforeCloseCanStillBeTaken)
{
    CCliNotifyWindow window;
    window.PostMessage(WM_SET_TEXT, 1011, CMessageValue::Text("1"));
    window.Close();
    auto message = window.TakeMessage(0ms);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->wParam, 1011u);
}
