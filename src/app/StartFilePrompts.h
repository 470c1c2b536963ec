// The file named on pravel's command line goes through the dialog's own Load: these prompts
// answer the first question for a file to open with that path, and hand every other question
// (and every later open) to the prompts they wrap.
#pragma once

#include <QStringList>

#include "ui/DialogPrompts.h"

class CStartFilePrompts : public IDialogPrompts {
public:
    CStartFilePrompts(IDialogPrompts* wrapped, QString path) : m_wrapped(wrapped), m_path(std::move(path)) {}

    QString GetSaveFileName(QWidget* parent) override { return m_wrapped->GetSaveFileName(parent); }
    QString GetOpenFileName(QWidget* parent) override;
    void ShowMessage(QWidget* parent, const QString& text, const QString& caption, MessageIcon icon) override
    {
        m_wrapped->ShowMessage(parent, text, caption, icon);
    }
    void ShowNote(QWidget* parent, const QString& text, const QString& caption, MessageIcon icon) override
    {
        m_wrapped->ShowNote(parent, text, caption, icon);
    }

private:
    IDialogPrompts* m_wrapped;
    QString m_path; // empty once given
};

// The path the command line's file arguments name. A path with spaces that reached the program
// unquoted comes as several arguments; they are taken together as one path, so that a name that
// does not exist gets the same message from Load as any other. Empty when there are none.
QString StartFilePath(const QStringList& fileArguments);
