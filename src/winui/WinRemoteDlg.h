// The native Windows main dialog (dialog resource 102): the parameter form over Win32 controls,
// the job started through IJobRunner, its texts and progress arriving as window messages
// (WM_SET_TEXT, WM_SHOW_PROGRESS) and the job side's message boxes as WM_JOB_MESSAGE.
//
// The dialog is the Win32 adapter of the main dialog's controller (form/MainDialogController.h),
// which makes every decision: this class creates the dialog from its resource, gives its controls
// to the controller as dialog items and itself as the controller's window, and hands it every
// command and job message. Everything runs on the thread that created the dialog. The job side
// reaches it only through NotifyWindow() and the message presenter the dialog installs while it
// is open.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>

#include "form/DialogItems.h"
#include "form/MainDialogController.h"
#include "form/MainDialogWindow.h"
#include "winui/WinDialogItems.h"
#include "winui/WinDialogPrompts.h"
#include "winui/WinMessagePresenter.h"
#include "winui/WinNotifyWindow.h"

class IWinShellActions;
class IJobRunner;

class CWinRemoteDlg : public IDialogItems, private IMainDialogWindow {
public:
    static constexpr UINT IDM_ABOUTBOX = 0x10;

    explicit CWinRemoteDlg(HINSTANCE instance, IWinShellActions* shell = nullptr, IJobRunner* runner = nullptr);
    ~CWinRemoteDlg() override;
    CWinRemoteDlg(const CWinRemoteDlg&) = delete;
    CWinRemoteDlg& operator=(const CWinRemoteDlg&) = delete;

    // Runs the dialog modally; returns the code it was ended with (IDCANCEL when closed), -1 when
    // it could not be created.
    INT_PTR DoModal(HWND parent = nullptr);
    // Creates the dialog modeless (the tests drive it so); nullptr when it could not be created.
    // The caller's message loop must pass its messages through IsDialogMessageA.
    HWND Create(HWND parent = nullptr);
    HWND Handle() const;

    // The telephone number the dialog shows when it opens (pravel.exe's simulated unit).
    void SetInitialNumber(std::string number);
    // The file dialogs and application boxes; null gives the common dialogs and MessageBoxA.
    void SetPrompts(IWinDialogPrompts* prompts);

    // IDialogItems over the dialog's controls (GetDlgItemText, IsDlgButtonChecked, CB_GETCURSEL).
    std::string GetItemText(int id) const override { return DialogItemText(m_hwnd, id); }
    void SetItemText(int id, const std::string& text) override { SetDialogItemText(m_hwnd, id, text); }
    bool IsButtonChecked(int id) const override { return IsDialogButtonChecked(m_hwnd, id); }
    void CheckButton(int id, bool checked) override { CheckDialogButton(m_hwnd, id, checked); }
    bool IsItemEnabled(int id) const;
    int GetComboSelection(int id) const override { return DialogComboSelection(m_hwnd, id); }
    void SetComboSelection(int id, int index) override { SetDialogComboSelection(m_hwnd, id, index); }

    std::string Caption() const override;
    bool IsJobRunning() const { return m_controller.IsJobRunning(); }
    bool IsEscapeBlocked() const { return m_controller.IsEscapeBlocked(); }
    const CJobStatus& Status() const { return m_controller.Status(); }
    HWND Tooltips() const { return m_tooltips; }
    // The tip over the status line: the message it shows, as it came (empty: no tip).
    std::string StatusLineTip() const;
    // The bitmap the logo control shows (bitmap 129), nullptr when none.
    HBITMAP Logo() const;
    CWinNotifyWindow& NotifyWindow() { return m_notifyWindow; }
    CWinMessagePresenter& MessagePresenter() { return m_presenter; }
    // The help context the dialog answers: 0x20000 plus its resource id.
    static unsigned HelpContext();

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    BOOL OnInitDialog();
    void ShowLogo();
    void AddStatusLineTip();
    void OnCommand(int id, int code, HWND control);
    void OnCloseRequest();
    void ShutDownJob();

    // IMainDialogWindow over the dialog: the caption, the controls, the file dialogs, the boxes.
    void SetCaption(const std::string& caption) override;
    void EnableItem(int id, bool on) override;
    void ShowCloseAsStop(bool stop) override;
    std::string AskSavePath() override;
    void ShowStatusLine(const std::string& text) override;
    void CloseDialog() override;
    std::string AskOpenPath() override;
    std::string ApplicationName() const override;
    void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override;
    void ShowNote(const std::string& text, const std::string& caption, MessageIcon icon) override;

    HINSTANCE m_instance;
    IWinShellActions* m_shell;
    std::unique_ptr<IJobRunner> m_ownRunner;
    IJobRunner* m_runner;
    CWinDialogPrompts m_defaultPrompts;
    IWinDialogPrompts* m_prompts;
    HWND m_hwnd = nullptr;
    HWND m_tooltips = nullptr;
    HICON m_icon = nullptr;
    HICON m_smallIcon = nullptr;
    HBITMAP m_logo = nullptr;
    bool m_modal = false;
    std::string m_initialNumber;
    CWinNotifyWindow m_notifyWindow;
    CWinMessagePresenter m_presenter;
    // The parameter control whose change ticks an update box, by control id.
    std::map<int, int> m_updateBoxOf;
    CMainDialogController m_controller;
};
