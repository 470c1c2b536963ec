// The job side's message boxes, shown on the user-interface thread: the caller hands over the text
// and returns at once; the box opens modal to the parent window, with its caption and icon.
#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/MessagePresenter.h"
#include "ui/GuiDispatcher.h"

class CQtMessagePresenter : public IMessagePresenter {
public:
    // Made on the user-interface thread. parent may be null or change later.
    explicit CQtMessagePresenter(QWidget* parent = nullptr) : m_parent(parent) {}

    void SetParent(QWidget* parent) { m_parent = parent; }
    void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override;
    // Messages handed over from now on are dropped.
    void Close() { m_dispatcher.Close(); }

private:
    QPointer<QWidget> m_parent; // read on the user-interface thread only
    CGuiDispatcher m_dispatcher;
};
