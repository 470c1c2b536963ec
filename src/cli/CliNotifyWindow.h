// pravel-cli's end of the job messages: the job side posts and sends WM_SHOW_PROGRESS and
// WM_SET_TEXT here from its threads; the command's thread takes them off the queue one by one
// and handles them, as the dialog's message loop would.
//
// Threads: PostMessage and SendMessage are called from the job worker and the driver thread;
// TakeMessage, MessageHandled and Close only from the command's thread. SendMessage returns once
// the command's thread has handled the message, or at once when the window is closed (the message
// is then dropped), so a driver never waits on a command that has finished.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/NotifyWindow.h"

// Marks a sent message as handled, so its sender may return.
struct SendTicket {
    bool done = false;
};

class CCliNotifyWindow : public INotifyWindow {
public:
    struct Message {
        uint32_t message = 0;
        uint32_t wParam = 0;
        CMessageValue value;
        std::shared_ptr<SendTicket> ticket; // set for a sent message
    };

    CCliNotifyWindow() = default;
    ~CCliNotifyWindow() override;
    CCliNotifyWindow(const CCliNotifyWindow&) = delete;
    CCliNotifyWindow& operator=(const CCliNotifyWindow&) = delete;

    void PostMessage(uint32_t message, uint32_t wParam, CMessageValue lParam) override;
    void SendMessage(uint32_t message, uint32_t wParam, CMessageValue lParam) override;

    // The next message, waiting at most timeout for one; nothing when none came.
    std::optional<Message> TakeMessage(std::chrono::milliseconds timeout);
    // Tells the sender of a sent message that it has been handled.
    void MessageHandled(const Message& message);
    // From now on new messages are dropped and every sender still waiting is released; messages
    // already queued can still be taken.
    void Close();

private:
    std::mutex m_lock;
    std::condition_variable m_arrived;
    std::condition_variable m_handled;
    std::deque<Message> m_queue;
    bool m_closed = false;
};
