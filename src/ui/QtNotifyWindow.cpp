#include "ui/QtNotifyWindow.h"

#include <utility>

CQtNotifyWindow::CQtNotifyWindow(Handler handler) : m_handler(std::move(handler)) {}

void CQtNotifyWindow::PostMessage(uint32_t message, uint32_t wParam, CMessageValue lParam)
{
    m_dispatcher.Post([this, message, wParam, value = std::move(lParam)] { m_handler(message, wParam, value); });
}

void CQtNotifyWindow::SendMessage(uint32_t message, uint32_t wParam, CMessageValue lParam)
{
    m_dispatcher.Send([this, message, wParam, value = std::move(lParam)] { m_handler(message, wParam, value); });
}
