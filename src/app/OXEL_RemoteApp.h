// COXEL_RemoteApp: the program's start-up. It loads the stored port name, runs the main dialog
// and ends when the dialog closes (stopping a job that still runs, so the line is hung up). It
// answers the dialog's hand-overs: the port selection dialog, the About box and the help.
//
//   pravel                   the desktop program
//   pravel --simulate        with the built-in simulated modem and unit as the port, and
//                            simulated modems for the batch window (--modems N, default 3)
//   pravel --batch [PLAN]    the batch window alone, with the plan opened
//   pravel --screenshot FILE shows the dialog, writes a picture of it to FILE and ends
//   pravel FILE.oxl          opens with the parameter file loaded, as Load would load it
#pragma once

#include <QStringList>
#include <memory>

#include "app/AppSettings.h"
#include "app/HelpLauncher.h"
#include "ui/ShellActions.h"

class CBatchModems;
class CBatchWindow;
class CDialogueTraceScope;
class CSimulator;
class IDialogPrompts;

class COXEL_RemoteApp : public IShellActions {
public:
    COXEL_RemoteApp();
    ~COXEL_RemoteApp() override;

    // Runs the program; the process's exit status.
    int InitInstance(const QStringList& arguments);
    int RunBatchWindowAlone(const QString& planPath, const QString& screenshotPath);

    void RunComPortDialog(QWidget* owner) override;
    void RunAboutBox(QWidget* owner) override;
    void ShowHelp(QWidget* owner, unsigned helpContext) override;
    void OpenBatchWindow(QWidget* owner) override;
    // A batch window offering the port dialog's ports and the simulated modems (ticked); it is
    // deleted when closed.
    CBatchWindow* NewBatchWindow(QWidget* owner);

    // For tests: another settings store name, help launcher, or message boxes.
    void SetApplicationName(const QString& name) { m_settings = CAppSettings(name); }
    void SetHelpLauncher(const CHelpLauncher& launcher) { m_help = launcher; }
    void SetPrompts(IDialogPrompts* prompts) { m_prompts = prompts; }
    const CAppSettings& Settings() const { return m_settings; }

private:
    // The stored "ModemTraceFile" in force: recording starts with the session and starts anew
    // when the port dialog changes the file.
    void StartModemTrace();

    CAppSettings m_settings;
    CHelpLauncher m_help;
    IDialogPrompts* m_prompts = nullptr;
    std::unique_ptr<IDialogPrompts> m_ownPrompts;
    std::unique_ptr<CSimulator> m_simulator;
    std::unique_ptr<CBatchModems> m_batchModems;
    std::unique_ptr<CDialogueTraceScope> m_modemTrace; // while InitInstance runs
};
