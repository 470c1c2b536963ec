// The job side's message boxes, shown on the user-interface thread: the caller hands over the text
// and returns at once; the box opens modal to the parent window, with its caption and icon.
#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

#include "platform/MessagePresenter.h"
#include "ui/GuiDispatcher.h"

class CQtMessagePresenter : public IMessagePresenter {
public:
    // Made on the user-interface thread. parent may be null or change later.
    explicit CQtMessagePresenter(QWidget* parent = nullptr) : m_parent(parent) {}

    // Takes each message on the user-interface thread before a box is made; when it returns true,
    // the message was taken over (the main dialog shows it in its status line, and a box of its
    // own only for the first failure of a job) and no box is made here.
    using Taker = std::function<bool(const QString& text, const QString& caption, MessageIcon icon)>;

    void SetParent(QWidget* parent) { m_parent = parent; }
    void SetTaker(Taker taker) { m_taker = std::move(taker); }
    void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override;
    // Messages handed over from now on are dropped.
    void Close() { m_dispatcher.Close(); }

private:
    QPointer<QWidget> m_parent; // read on the user-interface thread only
    Taker m_taker;              // set and called on the user-interface thread only
    CGuiDispatcher m_dispatcher;
};
