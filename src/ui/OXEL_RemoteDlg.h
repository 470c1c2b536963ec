// COXEL_RemoteDlg: the program's one window. It shows every parameter of a unit with its update
// box, starts Read, Read all and Write jobs on the job worker, shows their progress in the caption
// and their values in the controls, and saves and loads parameter files.
//
// Everything here runs on the user-interface thread; the job side reaches the dialog only through
// NotifyWindow() (handled on this thread) and never blocks it. The dialog writes theJob only in
// FillJob and CopyValuesToJob, before a job starts, and never while one runs.
//
// While a job runs the Close button reads Stop: it asks for the orderly end (log-off, modem
// reset). Closing the window during a job asks for the same and closes once the job has ended;
// the user-interface thread never waits for it. The status line at the foot says what the job
// is doing and how it ended; the first failure of a job also gets a message box.
//
// The controls are addressed by id, and the dialog-item operations (IDialogItems) work over them,
// so that the shared rules of job/ParameterForm.h run on the widgets.
#pragma once

#include <QDialog>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "form/DialogItems.h"
#include "form/JobStatus.h"
#include "model/ProgrammingJob.h"
#include "platform/MessagePresenter.h"
#include "ui/DialogBuilder.h"
#include "ui/QtNotifyWindow.h"

class IDialogPrompts;
class IJobRunner;
class IShellActions;
class QAction;

class COXEL_RemoteDlg : public QDialog, public IDialogItems {
    Q_OBJECT
public:
    // Command id of the About entry in the dialog's window menu.
    static constexpr unsigned IDM_ABOUTBOX = 0x10;
    // The command ids Enter and Esc stand for.
    static constexpr int IDOK = 1;
    static constexpr int IDCANCEL = 2;

    // Any of the three may be null: no shell actions, the job worker, Qt's own dialogs.
    explicit COXEL_RemoteDlg(IShellActions* shell = nullptr, IJobRunner* runner = nullptr,
                             IDialogPrompts* prompts = nullptr, QWidget* parent = nullptr);
    ~COXEL_RemoteDlg() override;

    // IDialogItems over the widgets.
    std::string GetItemText(int id) const override;
    void SetItemText(int id, const std::string& text) override;
    bool IsButtonChecked(int id) const override;
    void CheckButton(int id, bool checked) override;
    int GetComboSelection(int id) const override;
    void SetComboSelection(int id, int index) override;

    QWidget* Item(int id) const;
    bool IsItemEnabled(int id) const;

    // The dialog's rules and handlers.
    void UpdateButtons();
    bool FillJob(JobMode mode);
    void CopyValuesToJob();
    void OnRead();
    void OnReadAll();
    void OnWrite();
    void StartJob();
    void OnShowProgress(uint32_t stage, long count);
    void OnSetText(int id, const CMessageValue& value);
    // The command filter: true when the command was swallowed.
    bool OnCommand(int id);
    void OnClose();
    // The Close button during a job: the orderly end of the job.
    void OnStop();
    // A message of the job side (through the message presenter): into the status line, and a box
    // for the first failure of a job. Returns true: the message has been taken over.
    bool OnJobMessage(const QString& text, const QString& caption, MessageIcon icon);
    void OnSysCommand(unsigned id);
    void OnSave();
    void OnLoad();
    void OnComPort();
    void OnHelp();
    // The help context the dialog answers: 0x20000 plus its resource id.
    static unsigned HelpContext();

    INotifyWindow* NotifyWindow() { return &m_notifyWindow; }
    bool IsInitialising() const { return m_initialising; }
    bool IsJobRunningFlag() const { return m_jobRunning; }
    bool IsEscapeBlocked() const { return m_escapeBlocked; }
    const QString& BaseCaption() const { return m_baseCaption; }
    const CJobStatus& Status() const { return m_status; }
    QString StatusLineText() const;
    QAction* AboutAction() const { return m_aboutAction; }

    // Esc and the like: refused while Esc is blocked.
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool OnInitDialog();
    void ConnectValueChanges();
    void OnValueChanged(int updateBoxId);
    void HandleJobMessage(uint32_t message, uint32_t wParam, const CMessageValue& lParam);
    // Closes the job channel and stops a job of ours that still runs.
    void ShutDownJob();
    void ShowAppMessage(const QString& text);
    void LimitText(int id, int limit);
    void RunRead(const QString& jobName);
    void ShowStatusLine();
    // Every control's text and check state, to tell whether a load changed anything.
    std::vector<std::string> ControlSnapshot() const;

    IShellActions* m_shell;
    std::unique_ptr<IJobRunner> m_ownRunner;
    IJobRunner* m_runner;
    std::unique_ptr<IDialogPrompts> m_ownPrompts;
    IDialogPrompts* m_prompts;
    BuiltDialog m_built;
    QAction* m_aboutAction = nullptr;
    CQtNotifyWindow m_notifyWindow;

    bool m_initialising = true;
    bool m_jobRunning = false;
    bool m_escapeBlocked = true;
    bool m_loading = false; // a parameter file is being put into the controls
    bool m_haveBaseCaption = false;
    QString m_baseCaption;
    CJobStatus m_status;
    QString m_jobName;             // of the job being started: "Read", "Read all", "Write"
    uint32_t m_jobMask = 0;        // the running job's selection
    bool m_closeWhenEnded = false; // the window was closed during a job
};
