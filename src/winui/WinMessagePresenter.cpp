#include "winui/WinMessagePresenter.h"

void CWinMessagePresenter::Attach(HWND window)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_window = window;
}

void CWinMessagePresenter::Close()
{
    std::map<LPARAM, std::unique_ptr<JobMessageBox>> released;
    std::lock_guard<std::mutex> guard(m_lock);
    m_window = nullptr;
    released.swap(m_pending);
}

void CWinMessagePresenter::ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon)
{
    HWND window = nullptr;
    LPARAM ticket = 0;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_window == nullptr)
            return;
        window = m_window;
        ticket = m_nextTicket++;
        m_pending.emplace(ticket, std::make_unique<JobMessageBox>(JobMessageBox{text, caption, icon}));
    }
    if (!::PostMessageA(window, WM_JOB_MESSAGE, 0, ticket))
        Take(ticket);
}

std::unique_ptr<JobMessageBox> CWinMessagePresenter::Take(LPARAM ticket)
{
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_pending.find(ticket);
    if (it == m_pending.end())
        return nullptr;
    std::unique_ptr<JobMessageBox> box = std::move(it->second);
    m_pending.erase(it);
    return box;
}

size_t CWinMessagePresenter::PendingCount() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_pending.size();
}

UINT MessageBoxIconStyle(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Error:
        return MB_ICONERROR;
    case MessageIcon::Exclamation:
        return MB_ICONEXCLAMATION;
    case MessageIcon::Information:
        return MB_ICONINFORMATION;
    }
    return 0;
}
