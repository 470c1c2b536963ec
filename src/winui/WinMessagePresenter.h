// The job side's message boxes on Windows: ShowMessage keeps the text under a ticket and posts it
// to the dialog (WM_JOB_MESSAGE) and returns at once; the dialog takes it on its own thread and
// shows it (MessageBoxA with the caption and icon given). The driver thread never waits for a box.
// Texts whose message never arrives are released when the presenter is closed or destroyed.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/MessagePresenter.h"

constexpr UINT WM_JOB_MESSAGE = WM_APP + 0x10;

struct JobMessageBox {
    std::string text;
    std::string caption;
    MessageIcon icon;
};

class CWinMessagePresenter : public IMessagePresenter {
public:
    CWinMessagePresenter() = default;
    CWinMessagePresenter(const CWinMessagePresenter&) = delete;
    CWinMessagePresenter& operator=(const CWinMessagePresenter&) = delete;

    void Attach(HWND window);
    void Close();
    void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override;
    // On the dialog's thread: the message a WM_JOB_MESSAGE stands for; null when it is not held.
    std::unique_ptr<JobMessageBox> Take(LPARAM ticket);
    size_t PendingCount() const;

private:
    mutable std::mutex m_lock;
    HWND m_window = nullptr;
    LPARAM m_nextTicket = 1;
    std::map<LPARAM, std::unique_ptr<JobMessageBox>> m_pending;
};

// MB_ICONERROR, MB_ICONEXCLAMATION or MB_ICONINFORMATION.
UINT MessageBoxIconStyle(MessageIcon icon);
