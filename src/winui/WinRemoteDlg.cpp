#include "winui/WinRemoteDlg.h"

#include <commctrl.h>

#include <vector>

#include "files/ParameterFile.h"
#include "files/ParameterFileIo.h"
#include "form/DialogResourceScript.h"
#include "form/MainDialogTemplate.h"
#include "form/ParameterFileLoader.h"
#include "form/ParameterForm.h"
#include "form/TooltipTable.h"
#include "form/DialogJobCheck.h"
#include "model/DialogIds.h"
#include "model/JobMessages.h"
#include "model/ParameterTable.h"
// windows.h names its own LoadStringA so; ours is the string table's.
#undef LoadString
#include "model/StringTable.h"
#include "worker/JobRunner.h"
#include "winui/IWinShellActions.h"
#include "winui/WinTooltips.h"

namespace {

const char* const StopText = "&Stop";
const char* const CloseText = "&Close";
const char* const CaptionSeparator = " - ";

std::string WindowText(HWND window)
{
    if (window == nullptr)
        return std::string();
    int length = GetWindowTextLengthA(window);
    if (length <= 0)
        return std::string();
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    int got = GetWindowTextA(window, buffer.data(), length + 1);
    return std::string(buffer.data(), static_cast<size_t>(got > 0 ? got : 0));
}

} // namespace

CWinRemoteDlg::CWinRemoteDlg(HINSTANCE instance, IWinShellActions* shell, IJobRunner* runner)
    : m_instance(instance), m_shell(shell), m_runner(runner), m_prompts(&m_defaultPrompts)
{
    // The up-down and tooltip classes are registered before the dialog resource needs them.
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
    if (m_runner == nullptr) {
        m_ownRunner = std::make_unique<CJobWorkerRunner>();
        m_runner = m_ownRunner.get();
    }
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

std::string CWinRemoteDlg::GetItemText(int id) const
{
    return m_hwnd == nullptr ? std::string() : WindowText(GetDlgItem(m_hwnd, id));
}

void CWinRemoteDlg::SetItemText(int id, const std::string& text)
{
    if (m_hwnd != nullptr && GetDlgItem(m_hwnd, id) != nullptr)
        SetDlgItemTextA(m_hwnd, id, text.c_str());
}

bool CWinRemoteDlg::IsButtonChecked(int id) const
{
    return m_hwnd != nullptr && IsDlgButtonChecked(m_hwnd, id) == BST_CHECKED;
}

void CWinRemoteDlg::CheckButton(int id, bool checked)
{
    if (m_hwnd != nullptr && GetDlgItem(m_hwnd, id) != nullptr)
        CheckDlgButton(m_hwnd, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

int CWinRemoteDlg::GetComboSelection(int id) const
{
    HWND combo = m_hwnd == nullptr ? nullptr : GetDlgItem(m_hwnd, id);
    if (combo == nullptr)
        return -1;
    LRESULT index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? -1 : static_cast<int>(index);
}

void CWinRemoteDlg::SetComboSelection(int id, int index)
{
    HWND combo = m_hwnd == nullptr ? nullptr : GetDlgItem(m_hwnd, id);
    if (combo == nullptr)
        return;
    LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    SendMessageA(combo, CB_SETCURSEL, index >= 0 && index < count ? static_cast<WPARAM>(index) : static_cast<WPARAM>(-1),
                 0);
}

bool CWinRemoteDlg::IsItemEnabled(int id) const
{
    HWND item = m_hwnd == nullptr ? nullptr : GetDlgItem(m_hwnd, id);
    return item != nullptr && IsWindowEnabled(item);
}

std::string CWinRemoteDlg::Caption() const
{
    return WindowText(m_hwnd);
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
            m_escapeBlocked = false;
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
            OnSetText(static_cast<int>(wParam), value->Value());
        return TRUE;
    case WM_SHOW_PROGRESS:
        OnShowProgress(static_cast<uint32_t>(wParam), static_cast<long>(lParam));
        return TRUE;
    case WM_JOB_MESSAGE:
        if (std::unique_ptr<JobMessageBox> box = m_presenter.Take(lParam))
            OnJobMessage(*box);
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
// Initialisation and the value-change rule

BOOL CWinRemoteDlg::OnInitDialog()
{
    // The combo boxes' items from the control table.
    for (int i = 0; i < MainDialogTemplate.controlCount; ++i) {
        const ControlTemplate& control = MainDialogTemplate.controls[i];
        if (control.kind != ControlKind::ComboBox && control.kind != ControlKind::ComboList)
            continue;
        HWND combo = GetDlgItem(m_hwnd, control.id);
        std::string items = control.text;
        size_t start = 0;
        while (combo != nullptr && start <= items.size() && !items.empty()) {
            size_t end = items.find('\n', start);
            std::string item = items.substr(start, end == std::string::npos ? std::string::npos : end - start);
            SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
    }

    const char* about = LoadString(IDS_ABOUTBOX);
    if (HMENU menu = GetSystemMenu(m_hwnd, FALSE); menu != nullptr && about[0] != '\0') {
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, about);
    }
    SendMessageA(m_hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    SendMessageA(m_hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon != nullptr ? m_smallIcon : m_icon));

    m_tooltips = CreateTooltips(m_hwnd, m_instance, TooltipTable);

    SendDlgItemMessageA(m_hwnd, IDC_PHONE_NUMBER, EM_LIMITTEXT, 20, 0);
    SendDlgItemMessageA(m_hwnd, IDC_PROGRAMMING_CODE, EM_LIMITTEXT, 4, 0);
    for (int row = 0; row < ParameterCount; ++row) {
        const ParameterDescriptor& p = ParameterTable[row];
        if (p.kind == KindText && p.maxLength > 0)
            SendDlgItemMessageA(m_hwnd, p.valueControlId, EM_LIMITTEXT, static_cast<WPARAM>(p.maxLength), 0);
    }
    SendDlgItemMessageA(m_hwnd, IDC_ALARM_BUTTON_DELAY_SPIN, UDM_SETRANGE32, 2, 30);
    SendDlgItemMessageA(m_hwnd, IDC_ALARM_TYPE_SPIN, UDM_SETRANGE32, 0, 99);

    SetInitialValues(*this);
    SendDlgItemMessageA(m_hwnd, IDC_ALARM_BUTTON_DELAY_SPIN, UDM_SETPOS32, 0, 4);
    SendDlgItemMessageA(m_hwnd, IDC_ALARM_TYPE_SPIN, UDM_SETPOS32, 0, 10);
    if (!m_initialNumber.empty())
        SetItemText(IDC_PHONE_NUMBER, m_initialNumber);

    m_notifyWindow.Attach(m_hwnd);
    m_presenter.Attach(m_hwnd);
    SetMessagePresenter(&m_presenter);

    UpdateButtons();
    m_initialising = false;
    return TRUE;
}

void CWinRemoteDlg::OnValueChanged(int updateBoxId)
{
    if (!m_initialising && !m_loading)
        CheckButton(updateBoxId, true);
    UpdateButtons();
}

void CWinRemoteDlg::UpdateButtons()
{
    if (m_hwnd == nullptr)
        return;
    bool ready = HasNumberAndCode(*this) && !m_jobRunning;
    bool any = AnyUpdateBoxTicked(*this);
    auto enable = [this](int id, bool on) {
        if (HWND item = GetDlgItem(m_hwnd, id); item != nullptr && (IsWindowEnabled(item) != FALSE) != on)
            EnableWindow(item, on);
    };
    enable(ID_WRITE, ready && any);
    enable(ID_READ, ready && any);
    enable(IDC_SAVE, ready);
    enable(ID_READ_ALL, ready);
    // During a job the Close button is the Stop button, until the stop has been asked for.
    const char* text = m_jobRunning ? StopText : CloseText;
    if (GetItemText(IDC_CLOSE) != text)
        SetItemText(IDC_CLOSE, text);
    enable(IDC_CLOSE, !m_jobRunning || m_status.State() != JobState::Stopping);
}

void CWinRemoteDlg::OnCommand(int id, int code, HWND control)
{
    // Enter never ends the dialog; Esc only once Close has been chosen.
    if (id == IDOK)
        return;
    if (id == IDCANCEL) {
        if (!m_escapeBlocked)
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
            OnValueChanged(box->second);
        return;
    }
    if (id == IDC_PHONE_NUMBER || id == IDC_PROGRAMMING_CODE) {
        if (code == EN_CHANGE)
            UpdateButtons();
        return;
    }
    if (code != BN_CLICKED)
        return;
    switch (id) {
    case ID_READ:
        RunRead("Read", false);
        break;
    case ID_READ_ALL:
        RunRead("Read all", true);
        break;
    case ID_WRITE:
        OnWrite();
        break;
    case IDC_SAVE:
        OnSave();
        break;
    case IDC_LOAD:
        OnLoad();
        break;
    case IDC_COM_PORT:
        if (m_shell != nullptr)
            m_shell->RunComPortDialog(m_hwnd);
        break;
    case IDC_CLOSE:
        if (m_jobRunning) {
            OnStop();
        } else {
            m_escapeBlocked = false;
            PostMessageA(m_hwnd, WM_CLOSE, 0, 0);
        }
        break;
    case ID_HELP:
        if (m_shell != nullptr)
            m_shell->ShowHelp(m_hwnd, HelpContext());
        break;
    default:
        break; // update boxes and anything else: only the enabling rule
    }
    UpdateButtons();
}

// ---------------------------------------------------------------------------------------------
// Jobs

void CWinRemoteDlg::RunRead(const char* jobName, bool all)
{
    // theJob belongs to a running job; it is not refilled under it.
    if (!m_runner->IsRunning()) {
        if (all)
            TickAllUpdateBoxes(*this);
        m_jobName = jobName;
        if (FillJob(*this, theJob, JobRead, &m_notifyWindow))
            StartJob();
    }
    UpdateButtons();
}

void CWinRemoteDlg::OnWrite()
{
    if (!m_runner->IsRunning()) {
        m_jobName = "Write";
        if (FillJob(*this, theJob, JobWrite, &m_notifyWindow)) {
            CopyValuesToJob(*this, theJob);
            StartJob();
        }
    }
    UpdateButtons();
}

void CWinRemoteDlg::StartJob()
{
    if (m_runner->IsRunning())
        return;
    // Nothing is dialled with a number or value the modem would take for a command, nor with a
    // text that filling the job has cut (a loaded file may hold longer ones than the fields take).
    std::string problem;
    if (!CheckDialogJob(*this, theJob, &problem)) {
        const std::string& text = problem;
        m_status.Refuse(text);
        ShowStatusLine();
        m_prompts->ShowMessage(m_hwnd, text, LoadString(IDS_PROGRAM_TITLE), MessageIcon::Exclamation);
        return;
    }
    if (!m_runner->Start()) {
        m_status.Refuse("The job could not be started.");
        ShowStatusLine();
        return;
    }
    m_jobRunning = true;
    m_closeWhenEnded = false;
    m_jobMask = theJob.selectionMask;
    int total = 0;
    for (int row = 0; row < ParameterCount; ++row)
        if ((ParameterTable[row].maskBit & m_jobMask) != 0)
            ++total;
    m_status.Begin(m_jobName.empty() ? std::string("Job") : m_jobName, total);
    ShowStatusLine();
}

void CWinRemoteDlg::OnStop()
{
    if (!m_jobRunning || m_status.State() == JobState::Stopping)
        return;
    m_status.OnStopRequested();
    m_runner->RequestStop();
    ShowStatusLine();
    UpdateButtons();
}

void CWinRemoteDlg::OnShowProgress(uint32_t stage, long count)
{
    if (!m_haveBaseCaption) {
        m_baseCaption = Caption();
        m_haveBaseCaption = true;
    }
    std::string caption = m_baseCaption;
    if (stage == ProgressBadCode) {
        std::string refused = CJobStatus::CodeRefusedText();
        if (m_status.OnFailure(refused)) {
            ShowStatusLine();
            m_prompts->ShowMessage(m_hwnd, refused + ". Check the programming code and try again.",
                                   LoadString(IDS_PROGRAM_TITLE), MessageIcon::Exclamation);
        }
    }
    m_status.OnProgress(stage, count);
    ShowStatusLine();
    switch (stage) {
    case ProgressEnded:
        m_jobRunning = false;
        UpdateButtons();
        if (m_closeWhenEnded) {
            SetWindowTextA(m_hwnd, caption.c_str());
            EndTheDialog();
            return;
        }
        break;
    case ProgressDialing:
        caption += std::string(LoadString(IDS_DIALING)) + " (" + std::to_string(count) + ")";
        break;
    case ProgressConnected:
        caption += LoadString(IDS_CONNECTED);
        break;
    case ProgressTransfer:
        caption += LoadString(IDS_TRANSFER);
        break;
    case ProgressBadCode:
        caption += std::string(CaptionSeparator) + LoadString(IDS_BAD_CODE);
        break;
    default:
        break;
    }
    SetWindowTextA(m_hwnd, caption.c_str());
}

void CWinRemoteDlg::OnSetText(int id, const CMessageValue& value)
{
    // The control is set first (its change notification ticks the box), then the box is cleared.
    ApplySetText(*this, theJob.mode, id, value);
    int row = FindParameterByUpdateBox(id);
    if (row >= 0 && row < ParameterCount && (ParameterTable[row].maskBit & m_jobMask) != 0) {
        m_status.OnValue(id);
        ShowStatusLine();
    }
    UpdateButtons();
}

void CWinRemoteDlg::OnJobMessage(const JobMessageBox& box)
{
    bool first = m_status.OnFailure(box.text);
    ShowStatusLine();
    if (first)
        m_prompts->ShowMessage(m_hwnd, box.text, box.caption, box.icon);
}

void CWinRemoteDlg::ShowStatusLine()
{
    SetItemText(IDC_STATUS_LINE, m_status.Text());
}

// ---------------------------------------------------------------------------------------------
// Closing

void CWinRemoteDlg::OnCloseRequest()
{
    // The window's close box and the Close button: the dialog ends, also during a job, but the job
    // ends first, the orderly way, and the window closes when it has.
    m_escapeBlocked = false;
    if (m_jobRunning && m_runner->IsRunning()) {
        m_closeWhenEnded = true;
        OnStop();
        return;
    }
    EndTheDialog();
}

void CWinRemoteDlg::EndTheDialog()
{
    if (m_hwnd == nullptr)
        return;
    if (m_modal)
        EndDialog(m_hwnd, IDCANCEL);
    else
        DestroyWindow(m_hwnd);
}

void CWinRemoteDlg::ShutDownJob()
{
    m_notifyWindow.Close();
    m_presenter.Close();
    if (m_hwnd != nullptr || !m_initialising)
        SetMessagePresenter(nullptr);
    if (theJob.notifyWindow == &m_notifyWindow && m_runner->IsRunning())
        m_runner->Stop();
    if (theJob.notifyWindow == &m_notifyWindow && !m_runner->IsRunning())
        theJob.notifyWindow = nullptr;
    m_jobRunning = false;
}

// ---------------------------------------------------------------------------------------------
// Parameter files

void CWinRemoteDlg::ShowAppMessage(const std::string& text)
{
    m_prompts->ShowMessage(m_hwnd, text, ApplicationName(), MessageIcon::Exclamation);
}

void CWinRemoteDlg::OnSave()
{
    // Save stages the job in theJob; while a job runs that record is the job's.
    if (m_runner->IsRunning() || !FillJob(*this, theJob, JobRead, &m_notifyWindow))
        return;
    std::string path = m_prompts->GetSaveFileName(m_hwnd);
    if (path.empty())
        return;
    CopyValuesToJob(*this, theJob);
    std::string message;
    if (!SaveParameterFile(path, theJob, GetItemText(IDC_POWER_STATUS), GetItemText(IDC_FIRMWARE), &message))
        ShowAppMessage(message);
}

void CWinRemoteDlg::OnLoad()
{
    std::string path = m_prompts->GetOpenFileName(m_hwnd);
    if (path.empty())
        return;
    std::vector<uint8_t> bytes;
    std::string message;
    if (!ReadParameterFile(path, &bytes, &message)) {
        ShowAppMessage(message);
        return;
    }
    // The loader sets the update boxes from the file; the values it puts in do not tick them.
    m_loading = true;
    LoadOutcome outcome = LoadParameterImage(bytes.data(), bytes.size(), *this);
    m_loading = false;
    UpdateButtons();
    if (outcome != LoadOutcome::Loaded)
        ShowAppMessage(LoadString(LoadOutcomeMessageId(outcome)));
}
