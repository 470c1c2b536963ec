#include "form/MainDialogController.h"

#include "files/ParameterFileIo.h"
#include "form/DialogJobCheck.h"
#include "form/MainDialogTemplate.h"
#include "form/ParameterFileLoader.h"
#include "form/ParameterForm.h"
#include "model/ComPortName.h"
#include "model/DialogIds.h"
#include "model/JobMessages.h"
#include "model/ParameterTable.h"
#include "model/StringTable.h"
#include "serial/PortUsers.h"
#include "worker/JobRunner.h"

namespace {

// The caption texts are joined to the program's title with this.
const char* const CaptionSeparator = " - ";

std::string ProgramTitle()
{
    return LoadString(IDS_PROGRAM_TITLE);
}

} // namespace

CMainDialogController::CMainDialogController(IDialogItems& items, IMainDialogWindow& window, IJobRunner& runner,
                                             INotifyWindow* notify)
    : m_items(items), m_window(window), m_runner(runner), m_notify(notify)
{
}

void CMainDialogController::Initialise()
{
    // Code "3958", delay 4, alarm type 10, the combos' start selections, their boxes cleared.
    SetInitialValues(m_items);
    UpdateButtons();
    m_initialising = false;
}

void CMainDialogController::OnValueChanged(int updateBoxId)
{
    if (!m_initialising && !m_loading)
        m_items.CheckButton(updateBoxId, true);
    UpdateButtons();
}

void CMainDialogController::UpdateButtons()
{
    bool ready = HasNumberAndCode(m_items) && !m_jobRunning;
    bool any = AnyUpdateBoxTicked(m_items);
    m_window.EnableItem(ID_WRITE, ready && any);
    m_window.EnableItem(ID_READ, ready && any);
    m_window.EnableItem(IDC_SAVE, ready);
    m_window.EnableItem(ID_READ_ALL, ready);
    // During a job the Close button is the Stop button, until the stop has been asked for.
    m_window.ShowCloseAsStop(m_jobRunning);
    m_window.EnableItem(IDC_CLOSE, !m_jobRunning || m_status.State() != JobState::Stopping);
}

bool CMainDialogController::OnButton(int id)
{
    switch (id) {
    case ID_READ:
        OnRead();
        break;
    case ID_READ_ALL:
        OnReadAll();
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
    case IDC_CLOSE:
        OnCloseButton();
        return true; // the dialog may be gone
    default:
        return false;
    }
    UpdateButtons();
    return true;
}

// ---------------------------------------------------------------------------------------------
// Jobs

void CMainDialogController::OnRead()
{
    RunRead("Read");
}

void CMainDialogController::OnReadAll()
{
    // theJob belongs to a running job; nothing is ticked or refilled under it.
    if (!m_runner.IsRunning())
        TickAllUpdateBoxes(m_items);
    RunRead("Read all");
}

void CMainDialogController::RunRead(const char* jobName)
{
    if (!m_runner.IsRunning()) {
        m_jobName = jobName;
        if (FillJob(m_items, theJob, JobRead, m_notify))
            StartJob();
    }
    UpdateButtons();
}

void CMainDialogController::OnWrite()
{
    if (!m_runner.IsRunning()) {
        m_jobName = "Write";
        if (FillJob(m_items, theJob, JobWrite, m_notify)) {
            CopyValuesToJob(m_items, theJob);
            StartJob();
        }
    }
    UpdateButtons();
}

void CMainDialogController::StartJob()
{
    if (m_runner.IsRunning())
        return;
    // Nothing is dialled with a number or value the modem would take for a command, nor with a
    // text that filling the job has cut (a loaded file may hold longer ones than the fields take),
    // nor with a typed choice that is none of a combo's items.
    std::string problem;
    if (!CheckDialogJob(m_items, theJob, &problem)) {
        m_status.Refuse(problem);
        ShowStatusLine();
        m_window.ShowMessage(problem, ProgramTitle(), MessageIcon::Exclamation);
        return;
    }
    // Another program on the port may take the modem's answers: say so, and dial all the same.
    const std::string port = GetComPortName();
    std::vector<PortUser> users = FindOtherPortUsers(port);
    if (!m_runner.Start()) {
        m_status.Refuse("The job could not be started.");
        ShowStatusLine();
        return;
    }
    m_jobRunning = true;
    m_closeWhenEnded = false;
    m_stageCaption.clear();
    m_jobMask = theJob.selectionMask;
    int total = 0;
    for (int row = 0; row < ParameterCount; ++row)
        if ((ParameterTable[row].maskBit & m_jobMask) != 0)
            ++total;
    m_status.Begin(m_jobName.empty() ? std::string("Job") : m_jobName, total);
    std::string warning = users.empty() ? std::string() : PortUsersWarning(port, users);
    if (!warning.empty())
        m_status.Warn(warning);
    ShowStatusLine();
    UpdateButtons();
    if (!warning.empty())
        m_window.ShowNote(warning, ProgramTitle(), MessageIcon::Information);
}

void CMainDialogController::OnStop()
{
    if (!m_jobRunning || m_status.State() == JobState::Stopping)
        return;
    m_status.OnStopRequested();
    m_runner.RequestStop();
    ShowStatusLine();
    UpdateButtons();
}

void CMainDialogController::OnShowProgress(uint32_t stage, long count)
{
    if (!m_haveBaseCaption) {
        m_baseCaption = m_window.Caption();
        m_haveBaseCaption = true;
    }
    bool codeBox = false;
    if (stage == ProgressBadCode)
        codeBox = m_status.OnFailure(CJobStatus::CodeRefusedText());
    m_status.OnProgress(stage, count);
    switch (stage) {
    case ProgressEnded:
        m_jobRunning = false;
        m_stageCaption.clear();
        break;
    case ProgressDialing:
        m_stageCaption = std::string(LoadString(IDS_DIALING)) + " (" + std::to_string(count) + ")";
        break;
    case ProgressConnected:
        m_stageCaption = LoadString(IDS_CONNECTED);
        break;
    case ProgressTransfer:
        m_stageCaption = LoadString(IDS_TRANSFER);
        break;
    case ProgressBadCode:
        m_stageCaption = std::string(CaptionSeparator) + LoadString(IDS_BAD_CODE);
        break;
    default:
        // The log-off and anything unknown: the job still runs, the last stage stays in the
        // caption until the job's end releases caption, status line and buttons at once.
        break;
    }
    ShowJobState();
    if (stage == ProgressEnded && m_closeWhenEnded) {
        m_window.CloseDialog();
        return;
    }
    // Last: the box may run the message loop, and the job's end may arrive while it is open.
    if (codeBox)
        m_window.ShowNote(CJobStatus::CodeRefusedText() + ". Check the programming code and try again.",
                          ProgramTitle(), MessageIcon::Exclamation);
}

void CMainDialogController::OnSetText(int id, const CMessageValue& value)
{
    // The control is set first (its change notification ticks the box), then the box is cleared.
    ApplySetText(m_items, theJob.mode, id, value);
    int row = FindParameterByUpdateBox(id);
    if (row >= 0 && row < ParameterCount && (ParameterTable[row].maskBit & m_jobMask) != 0) {
        m_status.OnValue(id);
        ShowStatusLine();
    }
    UpdateButtons();
}

void CMainDialogController::OnJobMessage(const std::string& text, const std::string& caption, MessageIcon icon)
{
    bool first = m_status.OnFailure(text);
    ShowStatusLine();
    if (first)
        m_window.ShowNote(text, caption, icon);
}

void CMainDialogController::ShowStatusLine()
{
    m_window.ShowStatusLine(m_status.Text());
}

void CMainDialogController::ShowJobState()
{
    // One rule for the three: while a job runs the caption names its stage, the status line its
    // progress and the buttons are locked; at its end all three change together.
    ShowStatusLine();
    if (m_haveBaseCaption)
        m_window.SetCaption(m_baseCaption + m_stageCaption);
    UpdateButtons();
}

// ---------------------------------------------------------------------------------------------
// Closing

void CMainDialogController::OnCloseButton()
{
    if (m_jobRunning) {
        OnStop();
        return;
    }
    m_escapeBlocked = false;
    m_window.CloseDialog();
}

bool CMainDialogController::OnCloseRequest()
{
    // The window's close box: the dialog ends, also during a job, but the job ends first, the
    // orderly way, and the window closes when it has.
    m_escapeBlocked = false;
    if (m_jobRunning && m_runner.IsRunning()) {
        m_closeWhenEnded = true;
        OnStop();
        return false;
    }
    return true;
}

void CMainDialogController::ShutDownJob()
{
    if (theJob.notifyWindow == m_notify && m_runner.IsRunning())
        m_runner.Stop();
    if (theJob.notifyWindow == m_notify && !m_runner.IsRunning())
        theJob.notifyWindow = nullptr;
    m_jobRunning = false;
}

// ---------------------------------------------------------------------------------------------
// Parameter files

void CMainDialogController::OnSave()
{
    // Save stages the job in theJob; while a job runs that record is the job's.
    if (m_runner.IsRunning() || !FillJob(m_items, theJob, JobRead, m_notify))
        return;
    std::string path = m_window.AskSavePath();
    if (path.empty())
        return;
    CopyValuesToJob(m_items, theJob);
    // A new file beside the old one, renamed over it once written: a failed save keeps the old file.
    std::string message;
    if (!SaveParameterFile(path, theJob, m_items.GetItemText(IDC_POWER_STATUS), m_items.GetItemText(IDC_FIRMWARE),
                           &message))
        m_window.ShowMessage(message, m_window.ApplicationName(), MessageIcon::Exclamation);
}

void CMainDialogController::OnLoad()
{
    std::string path = m_window.AskOpenPath();
    if (path.empty())
        return;
    std::vector<uint8_t> bytes;
    std::string message;
    if (!ReadParameterFile(path, &bytes, &message)) {
        m_window.ShowMessage(message, m_window.ApplicationName(), MessageIcon::Exclamation);
        return;
    }
    // The loader sets the update boxes itself from the file; the values it puts into the
    // controls do not tick them, and a load that stops half-way leaves them as they were.
    m_loading = true;
    std::vector<std::string> before = ControlSnapshot();
    LoadOutcome outcome = LoadParameterImage(bytes.data(), bytes.size(), m_items);
    m_loading = false;
    UpdateButtons();
    if (outcome == LoadOutcome::Loaded)
        return;
    std::string text = LoadString(LoadOutcomeMessageId(outcome));
    if (outcome == LoadOutcome::Corrupt && ControlSnapshot() != before)
        text += "\n\nSome values before the damaged part were already loaded into the window; "
                "the update boxes were left as they were. Check the values before you write them.";
    m_window.ShowMessage(text, m_window.ApplicationName(), MessageIcon::Exclamation);
}

std::vector<std::string> CMainDialogController::ControlSnapshot() const
{
    std::vector<std::string> snapshot;
    for (int i = 0; i < MainDialogTemplate.controlCount; ++i) {
        const int id = MainDialogTemplate.controls[i].id;
        if (id == IDC_STATUS_LINE)
            continue;
        snapshot.push_back(m_items.GetItemText(id));
        snapshot.push_back(m_items.IsButtonChecked(id) ? "1" : "0");
        snapshot.push_back(std::to_string(m_items.GetComboSelection(id)));
    }
    return snapshot;
}
