#include "winui/WinNotifyWindow.h"

#include "model/JobMessages.h"

namespace {

std::atomic<long> g_liveValues{0};

} // namespace

CWinNotifyWindow::CHeldValue::CHeldValue(CMessageValue value) : m_value(std::move(value))
{
    ++g_liveValues;
}

CWinNotifyWindow::CHeldValue::~CHeldValue()
{
    --g_liveValues;
}

CWinNotifyWindow::~CWinNotifyWindow()
{
    Close();
}

void CWinNotifyWindow::Attach(HWND window)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_window = window;
    m_closed = window == nullptr;
}

void CWinNotifyWindow::Close()
{
    std::map<LPARAM, std::unique_ptr<CHeldValue>> released;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_closed = true;
        m_window = nullptr;
        released.swap(m_pending);
    }
    // Released outside the lock; messages still queued for them find nothing to take.
}

bool CWinNotifyWindow::IsClosed() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_closed;
}

LPARAM CWinNotifyWindow::Hold(CMessageValue value, HWND* window)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_closed)
        return 0;
    LPARAM ticket = m_nextTicket++;
    m_pending.emplace(ticket, std::make_unique<CHeldValue>(std::move(value)));
    *window = m_window;
    return ticket;
}

void CWinNotifyWindow::Release(LPARAM ticket)
{
    std::unique_ptr<CHeldValue> value = Take(ticket);
}

std::unique_ptr<CWinNotifyWindow::CHeldValue> CWinNotifyWindow::Take(LPARAM ticket)
{
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_pending.find(ticket);
    if (it == m_pending.end())
        return nullptr;
    std::unique_ptr<CHeldValue> value = std::move(it->second);
    m_pending.erase(it);
    return value;
}

void CWinNotifyWindow::PostMessage(uint32_t message, uint32_t wParam, CMessageValue lParam)
{
    HWND window = nullptr;
    if (message != WM_SET_TEXT) {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            if (m_closed)
                return;
            window = m_window;
        }
        ::PostMessageA(window, message, wParam, static_cast<LPARAM>(lParam.NumberValue()));
        return;
    }
    LPARAM ticket = Hold(std::move(lParam), &window);
    if (ticket == 0)
        return;
    if (!::PostMessageA(window, message, wParam, ticket))
        Release(ticket);
}

void CWinNotifyWindow::SendMessage(uint32_t message, uint32_t wParam, CMessageValue lParam)
{
    HWND window = nullptr;
    DWORD_PTR result = 0;
    if (message != WM_SET_TEXT) {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            if (m_closed)
                return;
            window = m_window;
        }
        ::SendMessageTimeoutA(window, message, wParam, static_cast<LPARAM>(lParam.NumberValue()), SMTO_NORMAL,
                              SendTimeoutMs, &result);
        return;
    }
    LPARAM ticket = Hold(std::move(lParam), &window);
    if (ticket == 0)
        return;
    ::SendMessageTimeoutA(window, message, wParam, ticket, SMTO_NORMAL, SendTimeoutMs, &result);
    // Handled: the dialog took it. Not handled (timed out, window gone): released here, and a late
    // delivery finds nothing.
    Release(ticket);
}

size_t CWinNotifyWindow::PendingCount() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_pending.size();
}

long CWinNotifyWindow::LiveValues()
{
    return g_liveValues.load();
}
