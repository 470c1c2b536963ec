// The native Windows main dialog (dialog resource 102): the parameter form over Win32 controls,
// the job started through IJobRunner, its texts and progress arriving as window messages.
#pragma once

#include <windows.h>

#include <string>

#include "form/DialogItems.h"

class IWinShellActions;
class IJobRunner;

class CWinRemoteDlg : public IDialogItems {
public:
    explicit CWinRemoteDlg(HINSTANCE instance, IWinShellActions* shell = nullptr, IJobRunner* runner = nullptr);
    ~CWinRemoteDlg() override;
    CWinRemoteDlg(const CWinRemoteDlg&) = delete;
    CWinRemoteDlg& operator=(const CWinRemoteDlg&) = delete;

    // Runs the dialog modally; returns the code it was ended with (IDCANCEL when closed), -1 when
    // it could not be created.
    INT_PTR DoModal(HWND parent = nullptr);
    // Creates the dialog modeless (the tests drive it so); nullptr when it could not be created.
    HWND Create(HWND parent = nullptr);
    HWND Handle() const;

    // The telephone number the dialog shows when it opens (pravel.exe's simulated unit).
    void SetInitialNumber(std::string number);

    // IDialogItems over the dialog's controls.
    std::string GetItemText(int id) const override;
    void SetItemText(int id, const std::string& text) override;
    bool IsButtonChecked(int id) const override;
    void CheckButton(int id, bool checked) override;
    int GetComboSelection(int id) const override;
    void SetComboSelection(int id, int index) override;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    HINSTANCE m_instance;
    IWinShellActions* m_shell;
    IJobRunner* m_runner;
    HWND m_hwnd = nullptr;
    std::string m_initialNumber;
};
