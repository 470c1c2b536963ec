// CWinSelectPortDlg: the small modal dialog (resource 131) that picks the serial port the modem is
// on, and under it the voice commands the modem speaks. The list is BuildPortChoices over the
// ports present. OK makes the choices those of the next job (ComPortName, the modem profile) and
// stores them as "ComPort" and "ModemProfile" (a simulator's memory line is not stored); Cancel
// changes nothing.
//
// User-interface thread only. The dialog object lives while DoModal runs.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "winapp/PortChoices.h"

class CWinAppSettings;

class CWinSelectPortDlg {
public:
    CWinSelectPortDlg(HINSTANCE instance, const CWinAppSettings& settings, std::vector<std::string> presentPorts);
    CWinSelectPortDlg(const CWinSelectPortDlg&) = delete;
    CWinSelectPortDlg& operator=(const CWinSelectPortDlg&) = delete;

    // IDOK or IDCANCEL; -1 when the dialog could not be made (traced).
    INT_PTR DoModal(HWND owner);

    // Called at the end of WM_INITDIALOG with the dialog's window (tests drive the dialog from it).
    void SetInitHook(std::function<void(HWND)> hook) { m_initHook = std::move(hook); }

    const std::vector<PortChoice>& Choices() const { return m_choices; }
    // The port name OK takes: the entry chosen, or the name in force when none was chosen.
    std::string ChosenName() const;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnInitDialog();
    void OnSelectPort();
    void OnOK();

    HINSTANCE m_instance;
    const CWinAppSettings& m_settings;
    std::vector<PortChoice> m_choices;
    HWND m_hwnd = nullptr;
    HWND m_tooltip = nullptr;
    int m_chosen = -1; // the entry the user chose while the dialog was open
    std::function<void(HWND)> m_initHook;
};
