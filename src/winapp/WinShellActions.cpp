#include "winapp/WinShellActions.h"

#include <utility>

// <windows.h> makes LoadString a macro for LoadStringA; here it is the string table's own.
#undef LoadString
#include "model/StringTable.h"
#include "serial/SerialPortList.h"
#include "winapp/WinAboutDlg.h"
#include "winapp/WinAppSettings.h"
#include "winapp/WinSelectPortDlg.h"

CWinShellActions::CWinShellActions(HINSTANCE instance, const CWinAppSettings& settings)
    : CWinShellActions(
          instance, settings, CWinHelpLauncher(),
          [](HWND owner, const std::string& text, const std::string& caption, UINT type) {
              return ::MessageBoxA(owner, text.c_str(), caption.c_str(), type);
          },
          PresentPorts)
{
}

CWinShellActions::CWinShellActions(HINSTANCE instance, const CWinAppSettings& settings, CWinHelpLauncher help,
                                   MessageBoxCall messageBox, PortLister ports)
    : m_instance(instance), m_settings(settings), m_help(std::move(help)), m_messageBox(std::move(messageBox)),
      m_ports(std::move(ports))
{
}

std::vector<std::string> CWinShellActions::PresentPorts()
{
    std::vector<std::string> names;
    for (const SerialPortEntry& entry : ListSerialPorts())
        names.push_back(entry.path);
    return names;
}

void CWinShellActions::RunComPortDialog(HWND owner)
{
    const std::string traceFile = m_settings.ReadModemTraceFile();
    CWinSelectPortDlg dialog(m_instance, m_settings, m_ports ? m_ports() : std::vector<std::string>());
    if (dialog.DoModal(owner) == IDOK && m_traceFileChanged && m_settings.ReadModemTraceFile() != traceFile)
        m_traceFileChanged();
}

void CWinShellActions::RunAboutBox(HWND owner)
{
    CWinAboutDlg dialog(m_instance);
    dialog.DoModal(owner);
}

void CWinShellActions::ShowHelp(HWND owner, unsigned helpContext)
{
    if (!m_help.ShowHelp(owner, helpContext) && m_messageBox)
        m_messageBox(owner, LoadString(AFX_IDP_FAILED_TO_LAUNCH_HELP), m_settings.ApplicationName(),
                     MB_OK | MB_ICONEXCLAMATION);
}
