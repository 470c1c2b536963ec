// CWinShellActions: pravel.exe's answers to the main dialog's hand-overs: the port selection
// dialog over the ports present now, the About box, and the manual, with the message box
// "Failed to launch help." (caption: the application name, exclamation icon) when it cannot be
// opened. The message box call is a parameter, so that a test need not answer one.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "winapp/WinHelpLauncher.h"
#include "winui/IWinShellActions.h"

class CWinAppSettings;

class CWinShellActions : public IWinShellActions {
public:
    using MessageBoxCall = std::function<int(HWND owner, const std::string& text, const std::string& caption, UINT type)>;
    using PortLister = std::function<std::vector<std::string>()>;

    CWinShellActions(HINSTANCE instance, const CWinAppSettings& settings);
    CWinShellActions(HINSTANCE instance, const CWinAppSettings& settings, CWinHelpLauncher help,
                     MessageBoxCall messageBox, PortLister ports);

    void RunComPortDialog(HWND owner) override;
    void RunAboutBox(HWND owner) override;
    void ShowHelp(HWND owner, unsigned helpContext) override;

    // Called after the port dialog's OK changed the stored "ModemTraceFile", so that the session's
    // trace goes to the new file at once.
    void SetTraceFileChanged(std::function<void()> changed) { m_traceFileChanged = std::move(changed); }

    // The port names in the registry's SERIALCOMM map ("COM3", ...).
    static std::vector<std::string> PresentPorts();

private:
    HINSTANCE m_instance;
    const CWinAppSettings& m_settings;
    CWinHelpLauncher m_help;
    MessageBoxCall m_messageBox;
    PortLister m_ports;
    std::function<void()> m_traceFileChanged;
};
