// The dialog's end of the job channel on Windows: the job side's messages become real window
// messages, WM_SET_TEXT (0x8003) and WM_SHOW_PROGRESS (0x8004), posted or sent to the dialog.
//
// A WM_SET_TEXT value (text or number) is a heap copy kept here under a ticket number that
// travels as lParam; the dialog takes it over with Take when it handles the message, and so
// releases it exactly once. A value whose message never reaches the dialog (the post failed, the
// window is gone, a send timed out) is released here: at once, or by Close. WM_SHOW_PROGRESS
// carries its count as lParam itself.
//
// SendMessage waits for the dialog at most SendTimeoutMs and never once the channel is closed,
// so a job side that reports while the dialog closes cannot hang it or be hung by it.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "platform/NotifyWindow.h"

class CWinNotifyWindow : public INotifyWindow {
public:
    // A value held for the dialog; it counts itself so that tests can see that none is leaked.
    class CHeldValue {
    public:
        explicit CHeldValue(CMessageValue value);
        ~CHeldValue();
        CHeldValue(const CHeldValue&) = delete;
        CHeldValue& operator=(const CHeldValue&) = delete;
        const CMessageValue& Value() const { return m_value; }

    private:
        CMessageValue m_value;
    };

    static constexpr UINT SendTimeoutMs = 2000;

    CWinNotifyWindow() = default;
    ~CWinNotifyWindow() override;
    CWinNotifyWindow(const CWinNotifyWindow&) = delete;
    CWinNotifyWindow& operator=(const CWinNotifyWindow&) = delete;

    // The window the messages go to; opens the channel.
    void Attach(HWND window);
    // From now on messages are dropped; values not yet taken are released.
    void Close();
    bool IsClosed() const;

    void PostMessage(uint32_t message, uint32_t wParam, CMessageValue lParam) override;
    void SendMessage(uint32_t message, uint32_t wParam, CMessageValue lParam) override;

    // On the dialog's thread, for a WM_SET_TEXT: the value its lParam stands for, now the caller's;
    // null when it is not (or no longer) held here.
    std::unique_ptr<CHeldValue> Take(LPARAM ticket);

    // Values handed over and not yet taken or released (for tests).
    size_t PendingCount() const;
    // Values alive in the whole process, held here or taken and not yet destroyed (for tests).
    static long LiveValues();

private:
    // Puts the value under a new ticket; 0 when the channel is closed.
    LPARAM Hold(CMessageValue value, HWND* window);
    void Release(LPARAM ticket);

    mutable std::mutex m_lock;
    HWND m_window = nullptr;
    bool m_closed = true;
    LPARAM m_nextTicket = 1;
    std::map<LPARAM, std::unique_ptr<CHeldValue>> m_pending;
};
