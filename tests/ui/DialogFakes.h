// Stand-ins for what the main dialog hands over, so tests answer its questions without modal
// loops: file dialogs and message boxes (recorded), the job runner, the shell actions.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "ui/DialogPrompts.h"
#include "support/FakeJobRunner.h"
#include "ui/ShellActions.h"

struct ShownMessage {
    QString text;
    QString caption;
    MessageIcon icon;
};

class CFakePrompts : public IDialogPrompts {
public:
    QString saveAnswer; // empty: the user cancels
    QString openAnswer;
    int saveAsked = 0;
    int openAsked = 0;
    std::vector<ShownMessage> messages;
    std::vector<ShownMessage> notes; // the boxes that do not wait

    QString GetSaveFileName(QWidget*) override
    {
        ++saveAsked;
        return saveAnswer;
    }
    QString GetOpenFileName(QWidget*) override
    {
        ++openAsked;
        return openAnswer;
    }
    void ShowMessage(QWidget*, const QString& text, const QString& caption, MessageIcon icon) override
    {
        messages.push_back({text, caption, icon});
    }
    void ShowNote(QWidget*, const QString& text, const QString& caption, MessageIcon icon) override
    {
        notes.push_back({text, caption, icon});
    }
};

class CFakeShell : public IShellActions {
public:
    int portDialogs = 0;
    int aboutBoxes = 0;
    int batchWindows = 0;
    std::vector<unsigned> helpContexts;

    void RunComPortDialog(QWidget*) override { ++portDialogs; }
    void RunAboutBox(QWidget*) override { ++aboutBoxes; }
    void ShowHelp(QWidget*, unsigned helpContext) override { helpContexts.push_back(helpContext); }
    void OpenBatchWindow(QWidget*) override { ++batchWindows; }
};
