#include "ui/QtMessagePresenter.h"

#include <QMessageBox>

#include "ui/MessageBoxes.h"

void CQtMessagePresenter::ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon)
{
    QString body = QString::fromLocal8Bit(text);
    QString title = QString::fromLocal8Bit(caption);
    m_dispatcher.Post([this, body, title, icon] {
        if (m_taker && m_taker(body, title, icon))
            return;
        QMessageBox* box = NewMessageBox(icon, title, body, m_parent.data());
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    });
}
