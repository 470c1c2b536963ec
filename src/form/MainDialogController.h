// CMainDialogController: everything the main dialog decides, written once for the Qt and the
// Windows dialog: the start values, the button rules, the value-change rule, the check before
// dialling, starting and stopping a job, progress into the caption and the status line, values
// arriving, the end of a job, closing during a job, Save and Load. The dialogs are adapters: they
// give their controls (IDialogItems) and their window (IMainDialogWindow), and hand every click,
// key and job message to the controller.
//
// Everything runs on the dialog's thread; the job side reaches the dialog through its notify
// window and never blocks it. theJob is written only before a job starts, never while one runs.
// A box is always shown last in a handler: a modal box runs the message loop, and the job's end
// arriving inside it must find the caption, the status line and the buttons already settled.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "form/DialogItems.h"
#include "form/JobStatus.h"
#include "form/MainDialogWindow.h"
#include "model/ProgrammingJob.h"
#include "platform/NotifyWindow.h"

class IJobRunner;

class CMainDialogController {
public:
    // notify is the dialog's channel the job side posts to (set into theJob when a job is filled).
    CMainDialogController(IDialogItems& items, IMainDialogWindow& window, IJobRunner& runner, INotifyWindow* notify);
    CMainDialogController(const CMainDialogController&) = delete;
    CMainDialogController& operator=(const CMainDialogController&) = delete;

    // The start values and the first button rules; value changes tick their boxes from then on.
    void Initialise();
    bool IsInitialising() const { return m_initialising; }

    // A parameter's control changed: its update box is ticked (not while loading), then the rules.
    void OnValueChanged(int updateBoxId);
    void UpdateButtons();

    // A push button the controller answers (Read, Read all, Write, Save, Load, Close); false for
    // the others (COM port, Help), which are the window's. The button rules run after it.
    bool OnButton(int id);
    void OnRead();
    void OnReadAll();
    void OnWrite();
    void OnSave();
    void OnLoad();
    // The Close button: Stop during a job, otherwise the dialog ends.
    void OnCloseButton();
    // The orderly end of the running job.
    void OnStop();
    // The window is asked to close. True when it may close now; during a job the job is stopped
    // and the dialog ends once it has.
    bool OnCloseRequest();
    // Esc: true when it is swallowed (until Close has been chosen).
    bool IsEscapeBlocked() const { return m_escapeBlocked; }
    void UnblockEscape() { m_escapeBlocked = false; }

    void OnShowProgress(uint32_t stage, long count);
    void OnSetText(int id, const CMessageValue& value);
    // A message box of the job side: into the status line, and a box for the first failure.
    void OnJobMessage(const std::string& text, const std::string& caption, MessageIcon icon);
    // The dialog goes: a job of ours that still runs is stopped, theJob forgets the window.
    void ShutDownJob();

    bool IsJobRunning() const { return m_jobRunning; }
    const CJobStatus& Status() const { return m_status; }
    const std::string& BaseCaption() const { return m_baseCaption; }

private:
    void RunRead(const char* jobName);
    void StartJob();
    void ShowStatusLine();
    // The status line, the caption and the buttons, each from the job's state.
    void ShowJobState();
    // Every control's text, check state and selection, to tell whether a load changed anything.
    std::vector<std::string> ControlSnapshot() const;

    IDialogItems& m_items;
    IMainDialogWindow& m_window;
    IJobRunner& m_runner;
    INotifyWindow* m_notify;

    bool m_initialising = true;
    bool m_jobRunning = false;
    bool m_escapeBlocked = true;
    bool m_loading = false; // a parameter file is being put into the controls
    bool m_closeWhenEnded = false;
    bool m_haveBaseCaption = false;
    std::string m_baseCaption;
    std::string m_stageCaption; // joined to m_baseCaption while a job runs
    std::string m_jobName; // of the job being started: "Read", "Read all", "Write"
    uint32_t m_jobMask = 0;
    CJobStatus m_status;
};
