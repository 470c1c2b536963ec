// The modal questions of the Windows dialog: the file dialogs of Save and Load and the
// application message boxes. Behind an interface so that tests answer them without a modal loop.
#pragma once

#include <windows.h>

#include <string>

#include "platform/MessagePresenter.h"

class IWinDialogPrompts {
public:
    virtual ~IWinDialogPrompts() = default;
    // The chosen path, or the empty text when the user cancelled.
    virtual std::string GetSaveFileName(HWND owner) = 0;
    virtual std::string GetOpenFileName(HWND owner) = 0;
    // A modal box with an OK button.
    virtual void ShowMessage(HWND owner, const std::string& text, const std::string& caption, MessageIcon icon) = 0;
};

// GetSaveFileNameA / GetOpenFileNameA with the parameter files' filter and extension, and MessageBoxA.
class CWinDialogPrompts : public IWinDialogPrompts {
public:
    std::string GetSaveFileName(HWND owner) override;
    std::string GetOpenFileName(HWND owner) override;
    void ShowMessage(HWND owner, const std::string& text, const std::string& caption, MessageIcon icon) override;
};

// "OXEL_Remote files (*.oxl)|*.oxl|All files (*.*)|*.*||" in the form the common dialogs take:
// NUL-separated, ended by two NULs.
std::string ParameterFileFilter();
// The executable's base name, the caption of the application's message boxes.
std::string ApplicationName();
