// The modal questions the main dialog asks: the file dialogs of Save and Load and the application
// message boxes. Behind an interface so that tests answer them without a modal loop.
#pragma once

#include <QString>

#include "platform/MessagePresenter.h"

class QWidget;

class IDialogPrompts {
public:
    virtual ~IDialogPrompts() = default;
    // The chosen path, or the empty text when the user cancelled.
    virtual QString GetSaveFileName(QWidget* parent) = 0;
    virtual QString GetOpenFileName(QWidget* parent) = 0;
    // A modal message box with an OK button; returns when the user has closed it.
    virtual void ShowMessage(QWidget* parent, const QString& text, const QString& caption, MessageIcon icon) = 0;
    // The same box, but it returns at once and the box stays open, modal to the parent, until the
    // user closes it: for what a running job reports, while the dialog goes on handling the job.
    virtual void ShowNote(QWidget* parent, const QString& text, const QString& caption, MessageIcon icon) = 0;
};

// Qt's file dialogs (filter "OXEL_Remote files (*.oxl)" and "All files (*.*)", default suffix
// "oxl", overwrite prompt on save, existing files only on open) and QMessageBox.
class CQtDialogPrompts : public IDialogPrompts {
public:
    QString GetSaveFileName(QWidget* parent) override;
    QString GetOpenFileName(QWidget* parent) override;
    void ShowMessage(QWidget* parent, const QString& text, const QString& caption, MessageIcon icon) override;
    void ShowNote(QWidget* parent, const QString& text, const QString& caption, MessageIcon icon) override;
};

// The file dialogs' filter list.
QStringList ParameterFileFilters();
