// The About box (dialog resource 100): the program's icon, name and version, and an OK button.
#pragma once

#include <windows.h>

#include <functional>

class CWinAboutDlg {
public:
    explicit CWinAboutDlg(HINSTANCE instance) : m_instance(instance) {}
    CWinAboutDlg(const CWinAboutDlg&) = delete;
    CWinAboutDlg& operator=(const CWinAboutDlg&) = delete;

    // IDOK or IDCANCEL; -1 when the dialog could not be made (traced).
    INT_PTR DoModal(HWND owner);
    // Called at the end of WM_INITDIALOG with the dialog's window.
    void SetInitHook(std::function<void(HWND)> hook) { m_initHook = std::move(hook); }

    // "Pravel Version 1.09".
    static const char* VersionText();

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HINSTANCE m_instance;
    std::function<void(HWND)> m_initHook;
};
