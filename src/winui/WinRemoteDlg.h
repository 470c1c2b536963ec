// The native Windows main dialog (dialog resource 102): the parameter form over Win32 controls,
// the job started through IJobRunner, its texts and progress arriving as window messages
// (WM_SET_TEXT, WM_SHOW_PROGRESS) and the job side's message boxes as WM_JOB_MESSAGE.
//
// Everything runs on the thread that created the dialog. The job side reaches it only through
// NotifyWindow() and the message presenter the dialog installs while it is open. While a job runs
// the Close button reads Stop and asks for the orderly end; closing the window during a job asks
// for the same and closes once the job has ended. Esc is ignored until Close is chosen.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>

#include "form/DialogItems.h"
#include "form/JobStatus.h"
#include "model/ProgrammingJob.h"
#include "winui/WinDialogPrompts.h"
#include "winui/WinMessagePresenter.h"
#include "winui/WinNotifyWindow.h"

class IWinShellActions;
class IJobRunner;

class CWinRemoteDlg : public IDialogItems {
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

    // IDialogItems over the dialog's controls.
    std::string GetItemText(int id) const override;
    void SetItemText(int id, const std::string& text) override;
    bool IsButtonChecked(int id) const override;
    void CheckButton(int id, bool checked) override;
    int GetComboSelection(int id) const override;
    void SetComboSelection(int id, int index) override;

    bool IsItemEnabled(int id) const;
    std::string Caption() const;
    bool IsJobRunning() const { return m_jobRunning; }
    bool IsEscapeBlocked() const { return m_escapeBlocked; }
    const CJobStatus& Status() const { return m_status; }
    HWND Tooltips() const { return m_tooltips; }
    CWinNotifyWindow& NotifyWindow() { return m_notifyWindow; }
    CWinMessagePresenter& MessagePresenter() { return m_presenter; }
    // The help context the dialog answers: 0x20000 plus its resource id.
    static unsigned HelpContext();

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    BOOL OnInitDialog();
    void OnCommand(int id, int code, HWND control);
    void OnValueChanged(int updateBoxId);
    void UpdateButtons();
    void RunRead(const char* jobName, bool all);
    void OnWrite();
    void StartJob();
    void OnStop();
    void OnShowProgress(uint32_t stage, long count);
    void OnSetText(int id, const CMessageValue& value);
    void OnJobMessage(const JobMessageBox& box);
    void OnCloseRequest();
    void OnSave();
    void OnLoad();
    void EndTheDialog();
    void ShutDownJob();
    void ShowStatusLine();
    void ShowAppMessage(const std::string& text);

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
    bool m_modal = false;
    std::string m_initialNumber;
    CWinNotifyWindow m_notifyWindow;
    CWinMessagePresenter m_presenter;
    // The parameter control whose change ticks an update box, by control id.
    std::map<int, int> m_updateBoxOf;

    bool m_initialising = true;
    bool m_jobRunning = false;
    bool m_escapeBlocked = true;
    bool m_loading = false;
    bool m_haveBaseCaption = false;
    bool m_closeWhenEnded = false;
    std::string m_baseCaption;
    std::string m_jobName;
    uint32_t m_jobMask = 0;
    CJobStatus m_status;
};
