#include "winapp/WinSelectPortDlg.h"

#include <commctrl.h>

#include <utility>

#include "diag/Trace.h"
#include "form/ModemCallFields.h"
#include "model/ComPortName.h"
#include "model/ModemProfile.h"
#include "modem/ModemCheck.h"
#include "platform/MemoryLine.h"
// <windows.h> makes LoadString a macro for LoadStringA; here it is the string table's own.
#undef LoadString
#include "model/StringTable.h"
#include "winapp/WinAppIds.h"
#include "winapp/WinAppSettings.h"

namespace {

// In the order of ModemProfile.
const char* const ProfileTexts[] = {"Automatic", "'#' commands", "V.253 commands"};

std::string ItemText(HWND dialog, int id)
{
    HWND item = ::GetDlgItem(dialog, id);
    std::string text(static_cast<size_t>(::GetWindowTextLengthA(item)) + 1, '\0');
    text.resize(static_cast<size_t>(::GetWindowTextA(item, text.data(), static_cast<int>(text.size()))));
    return text;
}

int FieldId(ModemCallField field)
{
    switch (field) {
    case ModemCallField::RingbackWait:
        return IDC_WIN_RINGBACK_WAIT;
    case ModemCallField::Country:
        return IDC_WIN_MODEM_COUNTRY;
    case ModemCallField::TraceFile:
        return IDC_WIN_TRACE_FILE;
    case ModemCallField::RingbackGap:
    case ModemCallField::None:
        break;
    }
    return IDC_WIN_RINGBACK_GAP;
}

} // namespace

CWinSelectPortDlg::CWinSelectPortDlg(HINSTANCE instance, const CWinAppSettings& settings,
                                     std::vector<std::string> presentPorts)
    : m_instance(instance), m_settings(settings), m_choices(BuildPortChoices(presentPorts))
{
}

CWinSelectPortDlg::~CWinSelectPortDlg()
{
    EndCheck();
}

INT_PTR CWinSelectPortDlg::DoModal(HWND owner)
{
    INT_PTR result = ::DialogBoxParamA(m_instance, MAKEINTRESOURCEA(IDD_WIN_SELECT_PORT), owner, DialogProc,
                                       reinterpret_cast<LPARAM>(this));
    if (result == -1 || result == 0)
        TRACE_LAST_ERROR(::GetLastError(), "Port dialog: DialogBoxParamA: ");
    return result == 0 ? -1 : result;
}

INT_PTR CALLBACK CWinSelectPortDlg::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CWinSelectPortDlg*>(lParam);
        ::SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        dialog->m_hwnd = hwnd;
    }
    auto* dialog = reinterpret_cast<CWinSelectPortDlg*>(::GetWindowLongPtrA(hwnd, DWLP_USER));
    return dialog != nullptr ? dialog->HandleMessage(message, wParam, lParam) : FALSE;
}

INT_PTR CWinSelectPortDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog();
        if (m_initHook)
            m_initHook(m_hwnd);
        return TRUE; // the focus goes to the first control
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_WIN_PORT_LIST:
            if (HIWORD(wParam) == CBN_SELCHANGE || HIWORD(wParam) == CBN_SELENDOK)
                OnSelectPort();
            return TRUE;
        case IDC_WIN_TEST_MODEM:
            if (HIWORD(wParam) == BN_CLICKED)
                OnTestModem();
            return TRUE;
        case IDOK:
            OnOK();
            return TRUE;
        case IDCANCEL:
            EndCheck();
            ::EndDialog(m_hwnd, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
        }
    case WM_CHECK_DONE:
        OnCheckDone();
        return TRUE;
    case WM_DESTROY:
        EndCheck();
        if (m_tooltip != nullptr)
            ::DestroyWindow(m_tooltip);
        m_tooltip = nullptr;
        return FALSE;
    default:
        return FALSE;
    }
}

void CWinSelectPortDlg::OnInitDialog()
{
    HWND list = ::GetDlgItem(m_hwnd, IDC_WIN_PORT_LIST);
    for (const PortChoice& choice : m_choices)
        if (::SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice.text.c_str())) < 0)
            TracePrintf("Port dialog: the entry %s could not be added", choice.text.c_str());
    // A name that stands for no entry (com0, com11 not present) opens on no selection.
    ::SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(PortChoiceIndex(m_choices, GetComPortName())), 0);

    HWND profiles = ::GetDlgItem(m_hwnd, IDC_WIN_MODEM_PROFILE);
    for (const char* text : ProfileTexts)
        ::SendMessageA(profiles, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    ::SendMessageA(profiles, CB_SETCURSEL, static_cast<WPARAM>(GetModemProfile()), 0);

    const ModemCallFields fields = ModemCallFieldsOf(GetModemCallSettings(), m_settings.ReadModemTraceFile());
    ::SetDlgItemTextA(m_hwnd, IDC_WIN_RINGBACK_GAP, fields.ringbackGap.c_str());
    ::SetDlgItemTextA(m_hwnd, IDC_WIN_RINGBACK_WAIT, fields.ringbackWait.c_str());
    ::SetDlgItemTextA(m_hwnd, IDC_WIN_MODEM_COUNTRY, fields.country.c_str());
    ::SetDlgItemTextA(m_hwnd, IDC_WIN_TRACE_FILE, fields.traceFile.c_str());

    // What the three sets of voice commands mean, on the profile list.
    m_tooltip = ::CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hwnd, nullptr, m_instance, nullptr);
    if (m_tooltip == nullptr) {
        TRACE_LAST_ERROR(::GetLastError(), "Port dialog: CreateWindowExA(tooltip): ");
        return;
    }
    TOOLINFOA tool = {};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = m_hwnd;
    tool.uId = reinterpret_cast<UINT_PTR>(profiles);
    tool.lpszText = const_cast<char*>(LoadString(IDS_TIP_MODEM_PROFILE));
    ::SendMessageA(m_tooltip, TTM_SETMAXTIPWIDTH, 0, 300);
    if (!::SendMessageA(m_tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool)))
        TracePrintf("Port dialog: the modem commands' tooltip could not be added");
}

void CWinSelectPortDlg::OnSelectPort()
{
    // Takes effect with OK only: Cancel leaves the port as it was.
    LRESULT index = ::SendDlgItemMessageA(m_hwnd, IDC_WIN_PORT_LIST, CB_GETCURSEL, 0, 0);
    if (index >= 0 && static_cast<size_t>(index) < m_choices.size())
        m_chosen = static_cast<int>(index);
}

std::string CWinSelectPortDlg::ChosenName() const
{
    if (m_chosen >= 0 && static_cast<size_t>(m_chosen) < m_choices.size())
        return m_choices[static_cast<size_t>(m_chosen)].portName;
    return GetComPortName();
}

void CWinSelectPortDlg::OnOK()
{
    // A field the call cannot use is named under the lists, and nothing is stored.
    const ModemCallFieldsCheck check =
        CheckModemCallFields({ItemText(m_hwnd, IDC_WIN_RINGBACK_GAP), ItemText(m_hwnd, IDC_WIN_RINGBACK_WAIT),
                              ItemText(m_hwnd, IDC_WIN_MODEM_COUNTRY), ItemText(m_hwnd, IDC_WIN_TRACE_FILE)});
    if (!check.Good()) {
        ::SetDlgItemTextA(m_hwnd, IDC_WIN_TEST_RESULT, check.problem.c_str());
        HWND field = ::GetDlgItem(m_hwnd, FieldId(check.problemField));
        ::SendMessageA(m_hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(field), TRUE);
        ::SendMessageA(field, EM_SETSEL, 0, -1);
        ::MessageBeep(MB_ICONEXCLAMATION);
        return;
    }
    // The new choice, or the name as it was when nothing was chosen. A store that cannot be
    // written is traced, not reported: the choice holds until the program ends.
    // The simulator's memory line ("sim:1", pravel.exe --simulate) is this run's alone: it is
    // never stored, so the next start opens the stored port again.
    EndCheck();
    const std::string name = ChosenName();
    SetComPortName(name);
    if (!CMemoryLine::IsLineName(name))
        m_settings.WriteComPort(name);
    LRESULT profile = ::SendDlgItemMessageA(m_hwnd, IDC_WIN_MODEM_PROFILE, CB_GETCURSEL, 0, 0);
    if (profile >= 0 && profile <= static_cast<LRESULT>(ModemProfile::V253)) {
        SetModemProfile(static_cast<ModemProfile>(profile));
        m_settings.WriteModemProfile(static_cast<ModemProfile>(profile));
    }
    SetModemCallSettings(check.settings);
    m_settings.WriteModemCallSettings(check.settings);
    m_settings.WriteText(ModemTraceFileValueName, check.traceFile);
    ::EndDialog(m_hwnd, IDOK);
}

void CWinSelectPortDlg::EndCheck()
{
    if (!m_checkThread.joinable())
        return;
    m_stopCheck = true;
    m_checkThread.join();
}

void CWinSelectPortDlg::OnTestModem()
{
    if (m_checkThread.joinable())
        return;
    const std::string port = ChosenName();
    m_stopCheck = false;
    ::EnableWindow(::GetDlgItem(m_hwnd, IDC_WIN_TEST_MODEM), FALSE);
    const std::string checking = "Checking the modem on " + port + " (it is not dialled)...";
    ::SetDlgItemTextA(m_hwnd, IDC_WIN_TEST_RESULT, checking.c_str());
    HWND hwnd = m_hwnd;
    m_checkThread = std::thread([this, port, hwnd] {
        CModemCheck check;
        auto report = std::make_unique<ModemCheckReport>(check.Run(port, [this] { return m_stopCheck.load(); }));
        {
            std::lock_guard<std::mutex> guard(m_reportLock);
            m_report = std::move(report);
        }
        if (!m_stopCheck)
            ::PostMessageA(hwnd, WM_CHECK_DONE, 0, 0);
    });
}

void CWinSelectPortDlg::OnCheckDone()
{
    if (m_checkThread.joinable())
        m_checkThread.join();
    std::unique_ptr<ModemCheckReport> report;
    {
        std::lock_guard<std::mutex> guard(m_reportLock);
        report = std::move(m_report);
    }
    if (!report)
        return;
    const std::string text = report->Summary();
    ::SetDlgItemTextA(m_hwnd, IDC_WIN_TEST_RESULT, text.c_str());
    ::EnableWindow(::GetDlgItem(m_hwnd, IDC_WIN_TEST_MODEM), TRUE);
}
