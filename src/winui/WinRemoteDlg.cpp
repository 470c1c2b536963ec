#include "winui/WinRemoteDlg.h"

#include <commctrl.h>

#include <vector>

#include "form/DialogResourceScript.h"
#include "form/MainDialogTemplate.h"
#include "form/ParameterForm.h"
#include "form/StatusLineText.h"
#include "form/TooltipTable.h"
#include "model/DialogIds.h"
#include "model/JobMessages.h"
#include "model/ParameterTable.h"
// windows.h names its own LoadStringA so; ours is the string table's.
#undef LoadString
#include "model/StringTable.h"
#include "winui/IWinShellActions.h"
#include "winui/WinDialogItems.h"
#include "winui/WinTooltips.h"
#include "worker/JobRunner.h"

namespace {

const char* const StopText = "&Stop";
const char* const CloseText = "&Close";

} // namespace

CWinRemoteDlg::CWinRemoteDlg(HINSTANCE instance, IWinShellActions* shell, IJobRunner* runner)
    : m_instance(instance), m_shell(shell),
      m_ownRunner(runner == nullptr ? std::make_unique<CJobWorkerRunner>() : nullptr),
      m_runner(runner == nullptr ? m_ownRunner.get() : runner), m_prompts(&m_defaultPrompts),
      m_controller(*this, *this, *m_runner, &m_notifyWindow)
{
    // The up-down and tooltip classes are registered before the dialog resource needs them.
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
    m_icon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON,
                                           GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    m_smallIcon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON,
                                                GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    for (int row = 0; row < ParameterCount; ++row) {
        const ParameterDescriptor& p = ParameterTable[row];
        if (p.valueControlId > 0)
            m_updateBoxOf[p.valueControlId] = p.updateBoxId;
        if (p.kind == KindRadioPair && p.secondControlId > 0)
            m_updateBoxOf[p.secondControlId] = p.updateBoxId;
    }
}

CWinRemoteDlg::~CWinRemoteDlg()
{
    if (m_hwnd != nullptr && !m_modal)
        DestroyWindow(m_hwnd);
    ShutDownJob();
    if (m_icon != nullptr)
        DestroyIcon(m_icon);
    if (m_smallIcon != nullptr)
        DestroyIcon(m_smallIcon);
    // The control does not own a bitmap given to it: released once the control is gone.
    if (m_logo != nullptr)
        DeleteObject(m_logo);
}

INT_PTR CWinRemoteDlg::DoModal(HWND parent)
{
    m_modal = true;
    return DialogBoxParamA(m_instance, MAKEINTRESOURCEA(IDD_OXEL_REMOTE_DIALOG), parent, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

HWND CWinRemoteDlg::Create(HWND parent)
{
    m_modal = false;
    return CreateDialogParamA(m_instance, MAKEINTRESOURCEA(IDD_OXEL_REMOTE_DIALOG), parent, DialogProc,
                              reinterpret_cast<LPARAM>(this));
}

HWND CWinRemoteDlg::Handle() const
{
    return m_hwnd;
}

void CWinRemoteDlg::SetInitialNumber(std::string number)
{
    m_initialNumber = std::move(number);
}

void CWinRemoteDlg::SetPrompts(IWinDialogPrompts* prompts)
{
    m_prompts = prompts != nullptr ? prompts : &m_defaultPrompts;
}

unsigned CWinRemoteDlg::HelpContext()
{
    return 0x20000u + IDD_OXEL_REMOTE_DIALOG;
}

// ---------------------------------------------------------------------------------------------
// Dialog items

bool CWinRemoteDlg::IsItemEnabled(int id) const
{
    HWND item = m_hwnd == nullptr ? nullptr : GetDlgItem(m_hwnd, id);
    return item != nullptr && IsWindowEnabled(item);
}


// ---------------------------------------------------------------------------------------------
// The window procedure

INT_PTR CALLBACK CWinRemoteDlg::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CWinRemoteDlg*>(lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        dialog->m_hwnd = hwnd;
        return dialog->OnInitDialog();
    }
    auto* dialog = reinterpret_cast<CWinRemoteDlg*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (dialog == nullptr)
        return FALSE;
    INT_PTR result = dialog->HandleMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        dialog->m_hwnd = nullptr;
    }
    return result;
}

INT_PTR CWinRemoteDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return TRUE;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0u) == IDM_ABOUTBOX) {
            if (m_shell != nullptr)
                m_shell->RunAboutBox(m_hwnd);
            return TRUE;
        }
        if ((wParam & 0xFFF0u) == SC_CLOSE)
            m_controller.UnblockEscape();
        return FALSE; // the dialog manager's handling: SC_CLOSE becomes WM_CLOSE
    case WM_CLOSE:
        OnCloseRequest();
        return TRUE;
    case WM_HELP:
        if (m_shell != nullptr)
            m_shell->ShowHelp(m_hwnd, HelpContext());
        return TRUE;
    case WM_SET_TEXT:
        if (std::unique_ptr<CWinNotifyWindow::CHeldValue> value = m_notifyWindow.Take(lParam))
            m_controller.OnSetText(static_cast<int>(wParam), value->Value());
        return TRUE;
    case WM_SHOW_PROGRESS:
        m_controller.OnShowProgress(static_cast<uint32_t>(wParam), static_cast<long>(lParam));
        return TRUE;
    case WM_JOB_MESSAGE:
        if (std::unique_ptr<JobMessageBox> box = m_presenter.Take(lParam))
            m_controller.OnJobMessage(box->text, box->caption, box->icon);
        return TRUE;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(m_icon);
    case WM_DESTROY:
        ShutDownJob();
        return FALSE;
    default:
        return FALSE;
    }
}

// ---------------------------------------------------------------------------------------------
// Initialisation

BOOL CWinRemoteDlg::OnInitDialog()
{
    FillDialogCombos(m_hwnd, MainDialogTemplate);
    const char* about = LoadString(IDS_ABOUTBOX);
    if (HMENU menu = GetSystemMenu(m_hwnd, FALSE); menu != nullptr && about[0] != '\0') {
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, about);
    }
    SendMessageA(m_hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    SendMessageA(m_hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon != nullptr ? m_smallIcon : m_icon));

    m_tooltips = CreateTooltips(m_hwnd, m_instance, TooltipTable);
    AddStatusLineTip();

    SendDlgItemMessageA(m_hwnd, IDC_PHONE_NUMBER, EM_LIMITTEXT, 20, 0);
    SendDlgItemMessageA(m_hwnd, IDC_PROGRAMMING_CODE, EM_LIMITTEXT, 4, 0);
    for (int row = 0; row < ParameterCount; ++row) {
        const ParameterDescriptor& p = ParameterTable[row];
        if (p.kind == KindText && p.maxLength > 0)
            SendDlgItemMessageA(m_hwnd, p.valueControlId, EM_LIMITTEXT, static_cast<WPARAM>(p.maxLength), 0);
    }
    SendDlgItemMessageA(m_hwnd, IDC_ALARM_BUTTON_DELAY_SPIN, UDM_SETRANGE32, 2, 30);
    SendDlgItemMessageA(m_hwnd, IDC_ALARM_TYPE_SPIN, UDM_SETRANGE32, 0, 99);

    m_notifyWindow.Attach(m_hwnd);
    m_presenter.Attach(m_hwnd);
    SetMessagePresenter(&m_presenter);

    m_controller.Initialise();
    ShowLogo();
    SendDlgItemMessageA(m_hwnd, IDC_ALARM_BUTTON_DELAY_SPIN, UDM_SETPOS32, 0, 4);
    SendDlgItemMessageA(m_hwnd, IDC_ALARM_TYPE_SPIN, UDM_SETPOS32, 0, 10);
    if (!m_initialNumber.empty()) {
        SetItemText(IDC_PHONE_NUMBER, m_initialNumber);
        m_controller.UpdateButtons();
    }
    return TRUE;
}

void CWinRemoteDlg::ShowLogo()
{
    // Bitmap 129 is drawn for the control's size at 96 dpi; at other sizes it is scaled to fit.
    HWND logo = GetDlgItem(m_hwnd, IDC_LOGO);
    if (logo == nullptr)
        return;
    RECT place{};
    GetClientRect(logo, &place);
    m_logo = static_cast<HBITMAP>(LoadImageA(m_instance, MAKEINTRESOURCEA(IDB_LOGO), IMAGE_BITMAP, place.right,
                                             place.bottom, LR_DEFAULTCOLOR));
    if (m_logo != nullptr)
        SendMessageA(logo, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(m_logo));
}

HBITMAP CWinRemoteDlg::Logo() const
{
    HWND logo = m_hwnd == nullptr ? nullptr : GetDlgItem(m_hwnd, IDC_LOGO);
    return logo == nullptr ? nullptr
                           : reinterpret_cast<HBITMAP>(SendMessageA(logo, STM_GETIMAGE, IMAGE_BITMAP, 0));
}

// ---------------------------------------------------------------------------------------------
// Commands and closing

void CWinRemoteDlg::OnCommand(int id, int code, HWND control)
{
    // Enter never ends the dialog; Esc only once Close has been chosen.
    if (id == IDOK)
        return;
    if (id == IDCANCEL) {
        if (!m_controller.IsEscapeBlocked())
            OnCloseRequest(); // during a job: once it has ended
        return;
    }
    if (control == nullptr)
        return; // menu and accelerator commands: none of ours

    // Value changes tick the parameter's update box.
    auto box = m_updateBoxOf.find(id);
    if (box != m_updateBoxOf.end()) {
        char windowClass[16] = {};
        GetClassNameA(control, windowClass, sizeof windowClass);
        bool combo = lstrcmpiA(windowClass, "ComboBox") == 0;
        bool edit = lstrcmpiA(windowClass, "Edit") == 0;
        if ((edit && code == EN_CHANGE) || (combo && (code == CBN_EDITCHANGE || code == CBN_SELCHANGE)) ||
            (!edit && !combo && code == BN_CLICKED))
            m_controller.OnValueChanged(box->second);
        return;
    }
    if (id == IDC_PHONE_NUMBER || id == IDC_PROGRAMMING_CODE) {
        if (code == EN_CHANGE)
            m_controller.UpdateButtons();
        return;
    }
    if (code != BN_CLICKED || m_controller.OnButton(id))
        return;
    if (id == IDC_COM_PORT && m_shell != nullptr)
        m_shell->RunComPortDialog(m_hwnd);
    else if (id == ID_HELP && m_shell != nullptr)
        m_shell->ShowHelp(m_hwnd, HelpContext());
    m_controller.UpdateButtons(); // update boxes and anything else: only the enabling rule
}

void CWinRemoteDlg::OnCloseRequest()
{
    // The window's close box, Esc once allowed: during a job the job ends first, the orderly way.
    if (m_controller.OnCloseRequest())
        CloseDialog();
}

void CWinRemoteDlg::ShutDownJob()
{
    m_notifyWindow.Close();
    m_presenter.Close();
    if (m_hwnd != nullptr || !m_controller.IsInitialising())
        SetMessagePresenter(nullptr);
    m_controller.ShutDownJob();
}

// ---------------------------------------------------------------------------------------------
// The window, as the controller uses it

std::string CWinRemoteDlg::Caption() const
{
    return WindowText(m_hwnd);
}

void CWinRemoteDlg::SetCaption(const std::string& caption)
{
    if (m_hwnd != nullptr)
        SetWindowTextA(m_hwnd, caption.c_str());
}

void CWinRemoteDlg::EnableItem(int id, bool on)
{
    HWND item = m_hwnd == nullptr ? nullptr : GetDlgItem(m_hwnd, id);
    if (item != nullptr && (IsWindowEnabled(item) != FALSE) != on)
        EnableWindow(item, on);
}

void CWinRemoteDlg::ShowCloseAsStop(bool stop)
{
    const char* text = stop ? StopText : CloseText;
    if (GetItemText(IDC_CLOSE) != text)
        SetItemText(IDC_CLOSE, text);
}

void CWinRemoteDlg::ShowStatusLine(const std::string& text)
{
    // A static field shows a line break as a box: the lines of a message are joined. The tip over
    // the line has the message as it came, line by line, whole where the field cuts it.
    SetItemText(IDC_STATUS_LINE, StatusLineText(text));
    if (m_tooltips == nullptr || GetDlgItem(m_hwnd, IDC_STATUS_LINE) == nullptr)
        return;
    TOOLINFOA tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = m_hwnd;
    tool.uId = IDC_STATUS_LINE;
    tool.hinst = m_instance;
    tool.lpszText = const_cast<char*>(text.c_str());
    SendMessageA(m_tooltips, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
}

void CWinRemoteDlg::AddStatusLineTip()
{
    // A static gets no mouse messages: a rectangle of the dialog over the line. No text, no tip.
    HWND line = GetDlgItem(m_hwnd, IDC_STATUS_LINE);
    if (m_tooltips == nullptr || line == nullptr)
        return;
    TOOLINFOA tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = m_hwnd;
    tool.uId = IDC_STATUS_LINE;
    tool.hinst = m_instance;
    tool.lpszText = const_cast<char*>("");
    GetWindowRect(line, &tool.rect);
    MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&tool.rect), 2);
    SendMessageA(m_tooltips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

std::string CWinRemoteDlg::StatusLineTip() const
{
    char text[1024] = {};
    TOOLINFOA tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = m_hwnd;
    tool.uId = IDC_STATUS_LINE;
    tool.lpszText = text;
    if (m_tooltips != nullptr)
        SendMessageA(m_tooltips, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
    return text;
}

void CWinRemoteDlg::ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon)
{
    m_prompts->ShowMessage(m_hwnd, text, caption, icon);
}

void CWinRemoteDlg::ShowNote(const std::string& text, const std::string& caption, MessageIcon icon)
{
    // A message box runs the message loop: the job goes on being shown while it is open.
    m_prompts->ShowMessage(m_hwnd, text, caption, icon);
}

std::string CWinRemoteDlg::ApplicationName() const
{
    return ::ApplicationName();
}

std::string CWinRemoteDlg::AskSavePath()
{
    return m_prompts->GetSaveFileName(m_hwnd);
}

std::string CWinRemoteDlg::AskOpenPath()
{
    return m_prompts->GetOpenFileName(m_hwnd);
}

void CWinRemoteDlg::CloseDialog()
{
    if (m_hwnd == nullptr)
        return;
    if (m_modal)
        ::EndDialog(m_hwnd, IDCANCEL);
    else
        DestroyWindow(m_hwnd);
}
