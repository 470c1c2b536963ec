// COXEL_RemoteDlg: the program's one window. It shows every parameter of a unit with its update
// box, starts Read, Read all and Write jobs on the job worker, shows their progress in the caption
// and their values in the controls, and saves and loads parameter files.
//
// The dialog is the Qt adapter of the main dialog's controller (form/MainDialogController.h),
// which makes every decision: this class builds the widgets, gives them to the controller as
// dialog items (IDialogItems) and as its window (IMainDialogWindow), and hands it every click, key
// and job message. Everything runs on the user-interface thread; the job side reaches the dialog
// only through NotifyWindow() (handled on this thread) and never blocks it.
#pragma once

#include <QDialog>
#include <QPointer>
#include <memory>
#include <string>

#include "form/DialogItems.h"
#include "form/MainDialogController.h"
#include "form/MainDialogWindow.h"
#include "ui/DialogBuilder.h"
#include "ui/QtNotifyWindow.h"
#include "ui/WidgetItems.h"

class IDialogPrompts;
class IJobRunner;
class IShellActions;
class QAction;

class COXEL_RemoteDlg : public QDialog, public IDialogItems, private IMainDialogWindow {
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

    // IDialogItems over the widgets (ui/WidgetItems.h).
    std::string GetItemText(int id) const override { return WidgetText(Item(id)); }
    void SetItemText(int id, const std::string& text) override { SetWidgetText(Item(id), text); }
    bool IsButtonChecked(int id) const override { return IsWidgetChecked(Item(id)); }
    void CheckButton(int id, bool checked) override { CheckWidget(Item(id), checked); }
    int GetComboSelection(int id) const override { return WidgetComboSelection(Item(id)); }
    void SetComboSelection(int id, int index) override { SetWidgetComboSelection(Item(id), index); }

    QWidget* Item(int id) const;
    bool IsItemEnabled(int id) const;

    CMainDialogController& Controller() { return m_controller; }
    // The controller's handlers, as the widgets reach them.
    void OnRead() { m_controller.OnRead(); }
    void OnReadAll() { m_controller.OnReadAll(); }
    void OnWrite() { m_controller.OnWrite(); }
    void OnSave() { m_controller.OnSave(); }
    void OnLoad() { m_controller.OnLoad(); }
    void OnShowProgress(uint32_t stage, long count) { m_controller.OnShowProgress(stage, count); }
    void OnSetText(int id, const CMessageValue& value) { m_controller.OnSetText(id, value); }
    // The command filter: true when the command was swallowed.
    bool OnCommand(int id);
    // Close chosen (button, Ctrl+Q, a termination signal): during a job once it has ended.
    void OnClose();
    // A message of the job side (through the message presenter): into the status line, and a box
    // for the first failure of a job. Returns true: the message has been taken over.
    bool OnJobMessage(const QString& text, const QString& caption, MessageIcon icon);
    void OnSysCommand(unsigned id);
    void OnComPort();
    void OnHelp();
    // The help context the dialog answers: 0x20000 plus its resource id.
    static unsigned HelpContext();

    INotifyWindow* NotifyWindow() { return &m_notifyWindow; }
    bool IsInitialising() const { return m_controller.IsInitialising(); }
    bool IsJobRunningFlag() const { return m_controller.IsJobRunning(); }
    bool IsEscapeBlocked() const { return m_controller.IsEscapeBlocked(); }
    QString BaseCaption() const { return QString::fromStdString(m_controller.BaseCaption()); }
    const CJobStatus& Status() const { return m_controller.Status(); }
    QString StatusLineText() const;
    QAction* AboutAction() const { return m_aboutAction; }
    QAction* BatchAction() const { return m_batchAction; }

    // Esc and the like: refused while Esc is blocked.
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // IMainDialogWindow over the dialog.
    std::string Caption() const override;
    void SetCaption(const std::string& caption) override;
    void EnableItem(int id, bool on) override;
    void ShowCloseAsStop(bool stop) override;
    void ShowStatusLine(const std::string& text) override;
    void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override;
    void ShowNote(const std::string& text, const std::string& caption, MessageIcon icon) override;
    std::string ApplicationName() const override;
    std::string AskSavePath() override;
    std::string AskOpenPath() override;
    void CloseDialog() override;

    void OnInitDialog();
    void ConnectButtons();
    void ConnectValueChanges();
    void AddActions();
    void HandleJobMessage(uint32_t message, uint32_t wParam, const CMessageValue& lParam);
    // A button that had the focus when it was disabled gets it back once enabled again.
    void RestoreParkedFocus();

    IShellActions* m_shell;
    std::unique_ptr<IJobRunner> m_ownRunner;
    IJobRunner* m_runner;
    std::unique_ptr<IDialogPrompts> m_ownPrompts;
    IDialogPrompts* m_prompts;
    BuiltDialog m_built;
    QAction* m_aboutAction = nullptr;
    QAction* m_batchAction = nullptr;
    QPointer<QWidget> m_parkedFocus;
    CQtNotifyWindow m_notifyWindow;
    CMainDialogController m_controller;
};
