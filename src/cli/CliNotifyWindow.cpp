#include "cli/CliNotifyWindow.h"

CCliNotifyWindow::~CCliNotifyWindow()
{
    Close();
}

void CCliNotifyWindow::PostMessage(uint32_t message, uint32_t wParam, CMessageValue lParam)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_closed)
        return;
    m_queue.push_back(Message{message, wParam, std::move(lParam), nullptr});
    m_arrived.notify_one();
}

void CCliNotifyWindow::SendMessage(uint32_t message, uint32_t wParam, CMessageValue lParam)
{
    auto ticket = std::make_shared<SendTicket>();
    std::unique_lock<std::mutex> guard(m_lock);
    if (m_closed)
        return;
    m_queue.push_back(Message{message, wParam, std::move(lParam), ticket});
    m_arrived.notify_one();
    m_handled.wait(guard, [&] { return ticket->done || m_closed; });
}

std::optional<CCliNotifyWindow::Message> CCliNotifyWindow::TakeMessage(std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> guard(m_lock);
    if (!m_arrived.wait_for(guard, timeout, [&] { return !m_queue.empty(); }))
        return std::nullopt;
    Message message = std::move(m_queue.front());
    m_queue.pop_front();
    return message;
}

void CCliNotifyWindow::MessageHandled(const Message& message)
{
    if (!message.ticket)
        return;
    std::lock_guard<std::mutex> guard(m_lock);
    message.ticket->done = true;
    m_handled.notify_all();
}

void CCliNotifyWindow::Close()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_closed = true;
    m_handled.notify_all();
}
