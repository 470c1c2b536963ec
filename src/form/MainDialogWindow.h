// IMainDialogWindow: what only the main dialog's window can do for its controller, the same for the
// Qt and the Windows dialog: its caption, the enabling of a control, the Close button that reads
// Stop during a job, the status line, message boxes, the file dialogs of Save and Load, and ending
// the dialog. Texts are 8-bit as the controls hold them; each toolkit shows them its own way.
#pragma once

#include <string>

#include "platform/MessagePresenter.h"

class IMainDialogWindow {
public:
    virtual ~IMainDialogWindow() = default;

    virtual std::string Caption() const = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual void EnableItem(int id, bool on) = 0;
    // The Close button reads "&Stop" (stop true) during a job and "&Close" otherwise.
    virtual void ShowCloseAsStop(bool stop) = 0;
    virtual void ShowStatusLine(const std::string& text) = 0;
    // A modal box: returns when the user has closed it.
    virtual void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) = 0;
    // A box about the running job: where the toolkit can, it returns at once and the box stays open.
    virtual void ShowNote(const std::string& text, const std::string& caption, MessageIcon icon) = 0;
    // The caption of the application's own boxes (Save and Load failures).
    virtual std::string ApplicationName() const = 0;
    // The chosen path, or the empty text when the user cancelled.
    virtual std::string AskSavePath() = 0;
    virtual std::string AskOpenPath() = 0;
    // Ends the dialog (the job has ended, or none ran).
    virtual void CloseDialog() = 0;
};
