// CWinSelectPortDlg: the small modal dialog (resource 131) that picks the serial port the modem is
// on, and under it the voice commands the modem speaks. The list is BuildPortChoices over the
// ports present. OK makes the choices those of the next job (ComPortName, the modem profile) and
// stores them as "ComPort" and "ModemProfile" (a simulator's memory line is not stored); Cancel
// changes nothing. "Test modem" runs the modem check (modem/ModemCheck.h) on the chosen port on a
// thread of its own and shows the verdict at the bottom; the dialog stays usable meanwhile. In the
// group "Advanced": the V.253 ringback timers, the modem's country code and the modem trace file
// (form/ModemCallFields.h); OK refuses a value the call cannot use, names it at the bottom, keeps
// the dialog open and stores nothing, else stores them as "RingbackGap", "RingbackWait",
// "ModemCountry" and "ModemTraceFile".
//
// User-interface thread only, but for the check's thread: it runs CModemCheck, puts the report into
// m_report under m_reportLock and posts WM_CHECK_DONE; it reads m_stopCheck. The dialog stops and
// joins it when it closes (the check resets the modem first: a few seconds at most). The dialog
// object lives while DoModal runs.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "winapp/PortChoices.h"

class CWinAppSettings;
struct ModemCheckReport;

class CWinSelectPortDlg {
public:
    CWinSelectPortDlg(HINSTANCE instance, const CWinAppSettings& settings, std::vector<std::string> presentPorts);
    ~CWinSelectPortDlg();
    CWinSelectPortDlg(const CWinSelectPortDlg&) = delete;
    CWinSelectPortDlg& operator=(const CWinSelectPortDlg&) = delete;

    // IDOK or IDCANCEL; -1 when the dialog could not be made (traced).
    INT_PTR DoModal(HWND owner);

    // Called at the end of WM_INITDIALOG with the dialog's window (tests drive the dialog from it).
    void SetInitHook(std::function<void(HWND)> hook) { m_initHook = std::move(hook); }

    const std::vector<PortChoice>& Choices() const { return m_choices; }
    // The port name OK takes: the entry chosen, or the name in force when none was chosen.
    std::string ChosenName() const;

    // Posted by the check's thread when its report is ready.
    static constexpr UINT WM_CHECK_DONE = WM_APP + 24;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnInitDialog();
    void OnSelectPort();
    void OnOK();
    void OnTestModem();
    void OnCheckDone();
    void EndCheck();

    HINSTANCE m_instance;
    const CWinAppSettings& m_settings;
    std::vector<PortChoice> m_choices;
    HWND m_hwnd = nullptr;
    HWND m_tooltip = nullptr;
    int m_chosen = -1; // the entry the user chose while the dialog was open
    std::function<void(HWND)> m_initHook;
    std::thread m_checkThread;
    std::atomic<bool> m_stopCheck{false};
    std::mutex m_reportLock;
    std::unique_ptr<ModemCheckReport> m_report; // under m_reportLock
};
