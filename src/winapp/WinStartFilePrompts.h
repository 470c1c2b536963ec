// The file named on pravel.exe's command line goes through the dialog's own Load: these prompts
// answer the first question for a file to open with that path and hand everything else to the
// prompts they wrap. LoadWhenShown presses the dialog's Load once its window is on the screen,
// so that Load's messages appear over it.
#pragma once

#include <windows.h>

#include <string>

#include "winui/WinDialogPrompts.h"

class CWinRemoteDlg;

class CWinStartFilePrompts : public IWinDialogPrompts {
public:
    CWinStartFilePrompts(IWinDialogPrompts* wrapped, std::string path) : m_wrapped(wrapped), m_path(std::move(path)) {}

    std::string GetSaveFileName(HWND owner) override { return m_wrapped->GetSaveFileName(owner); }
    std::string GetOpenFileName(HWND owner) override;
    void ShowMessage(HWND owner, const std::string& text, const std::string& caption, MessageIcon icon) override
    {
        m_wrapped->ShowMessage(owner, text, caption, icon);
    }

private:
    IWinDialogPrompts* m_wrapped;
    std::string m_path; // empty once given
};

// Before the dialog runs (user-interface thread, one dialog at a time): Load is pressed once the
// dialog's window is visible, by a timer of the thread that the dialog's message loop serves.
void LoadWhenShown(CWinRemoteDlg* dialog);
