#include "winapp/WinRemoteApp.h"

#include <commctrl.h>

#include <cstdio>
#include <utility>

#include "WinAppVersion.h"
#include "diag/Trace.h"
#include "model/ComPortName.h"
#include "model/DialogIds.h"
#include "model/ModemProfile.h"
#include "modem/DialogueTraceScope.h"
#include "sim/Simulator.h"
#include "winapp/WinAppOptions.h"
#include "winapp/WinShellActions.h"
#include "winapp/WinStartFilePrompts.h"
#include "winui/WinRemoteDlg.h"
#include "worker/JobRunner.h"
#include "worker/JobWorker.h"

namespace {

// The number of the simulated unit (its code is 3958).
constexpr const char* SimulatedNumber = "5550100";

// A program of the Windows subsystem has no console of its own. Output that was redirected (a
// file, a pipe) has its handle already; otherwise the console of the program it was started from,
// if any, takes it. False when the text has nowhere to go.
bool AttachOutput(DWORD which, FILE* stream, const char* device)
{
    HANDLE handle = ::GetStdHandle(which);
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE)
        return true;
    if (!::AttachConsole(ATTACH_PARENT_PROCESS) && ::GetLastError() != ERROR_ACCESS_DENIED)
        return false; // no parent console (ERROR_ACCESS_DENIED: attached already)
    return std::freopen(device, "w", stream) != nullptr;
}

} // namespace

CWinRemoteApp::CWinRemoteApp(HINSTANCE instance, std::string applicationName)
    : m_instance(instance), m_settings(std::move(applicationName))
{
}

CWinRemoteApp::~CWinRemoteApp()
{
    if (m_simulator)
        m_simulator->Stop();
}

void CWinRemoteApp::Report(const std::string& text, bool isError) const
{
    DWORD which = isError ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE;
    FILE* stream = isError ? stderr : stdout;
    if (AttachOutput(which, stream, "CONOUT$")) {
        std::fputs(text.c_str(), stream);
        std::fflush(stream);
        return;
    }
    ::MessageBoxA(nullptr, text.c_str(), m_settings.ApplicationName().c_str(),
                  MB_OK | (isError ? MB_ICONEXCLAMATION : MB_ICONINFORMATION));
}

void CWinRemoteApp::LoadSettings()
{
    // An empty stored name gives "com1" as well; nothing is written here.
    SetComPortName(m_settings.ReadComPort());
    SetModemProfile(m_settings.ReadModemProfile());
    SetModemCallSettings(m_settings.ReadModemCallSettings());
}

bool CWinRemoteApp::StartSimulator(std::string* error)
{
    m_simulator = std::make_unique<CSimulator>();
    if (!m_simulator->Start(DefaultSimConfig(), error, SimLink::Memory)) {
        m_simulator.reset();
        return false;
    }
    // For this run only; the stored port is left as it is.
    SetComPortName(m_simulator->DevicePath());
    return true;
}

int CWinRemoteApp::InitInstance(const std::vector<std::string>& arguments)
{
    WinAppOptions options;
    std::string problem;
    if (!ParseWinAppOptions(arguments, &options, &problem)) {
        Report(problem + "\n", true);
        return 2;
    }
    if (options.help) {
        Report(WinAppUsage(), false);
        return 0;
    }
    if (options.version) {
        Report(m_settings.ApplicationName() + " " PRAVEL_VERSION_TEXT "\n", false);
        return 0;
    }

    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    if (!::InitCommonControlsEx(&controls))
        TracePrintf("App: InitCommonControlsEx failed");

    LoadSettings();
    if (options.simulate) {
        std::string error;
        if (!StartSimulator(&error)) {
            ::MessageBoxA(nullptr, ("The simulator could not be started: " + error).c_str(),
                          m_settings.ApplicationName().c_str(), MB_OK | MB_ICONEXCLAMATION);
            return 1;
        }
    }

    // With the setting "ModemTraceFile", the session's modem dialogue goes to that file.
    // It starts anew when the port dialog changes the file.
    CDialogueTraceScope modemTrace;
    auto startTrace = [this, &modemTrace] {
        std::string problem;
        if (!modemTrace.Restart(m_settings.ReadModemTraceFile(), m_settings.ApplicationName() + " " PRAVEL_VERSION_TEXT,
                                ModemProfileName(GetModemProfile()), GetComPortName(), &problem))
            TracePrintf("App: no modem trace: %s\n", problem.c_str());
    };
    startTrace();

    CWinShellActions shell(m_instance, m_settings);
    shell.SetTraceFileChanged(startTrace);
    CJobWorkerRunner runner;
    INT_PTR result = 0;
    {
        CWinRemoteDlg dialog(m_instance, &shell, &runner);
        if (m_simulator)
            dialog.SetInitialNumber(SimulatedNumber);
        // A file on the command line: the dialog's Load opens it once the window is up, with
        // Load's messages for a file it cannot use.
        CWinDialogPrompts prompts;
        CWinStartFilePrompts startPrompts(&prompts, options.file);
        if (!options.file.empty()) {
            dialog.SetPrompts(&startPrompts);
            LoadWhenShown(&dialog);
        }
        result = dialog.DoModal(nullptr);
        // The dialog stops its job as it closes; one still running here is stopped now, so that
        // the modem hangs up before the program ends.
        if (IsJobRunning())
            StopJob();
        WaitForJobEnd();
    }
    if (m_simulator) {
        m_simulator->Stop();
        m_simulator.reset();
    }
    if (result == -1) {
        ::MessageBoxA(nullptr, "The main window could not be created.", m_settings.ApplicationName().c_str(),
                      MB_OK | MB_ICONEXCLAMATION);
        return 1;
    }
    return 0;
}
