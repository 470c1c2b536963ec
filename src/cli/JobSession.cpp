#include "cli/JobSession.h"

#include <chrono>

#include "cli/CliMessagePresenter.h"
#include "cli/Interrupt.h"
#include "cli/ProgressPrinter.h"
#include "model/JobMessages.h"
#include "model/JobValidation.h"
#include "worker/JobWorker.h"
#include "form/ParameterForm.h"
#include "model/StringTable.h"

namespace {

constexpr std::chrono::milliseconds PollInterval{100};
// After the worker is gone, how many empty polls before we stop waiting for ProgressEnded.
constexpr int PollsAfterWorkerGone = 10;

bool IsBatteryOrLedRow(int row)
{
    int id = ParameterTable[row].updateBoxId;
    return id == 1039 || id == 1070 || id == 1036;
}

} // namespace

CJobSession::CJobSession(CDialogItemModel& model, JobMode mode) : m_model(model), m_mode(mode)
{
}

bool CJobSession::Prepare(std::string* problem)
{
    if (IsJobRunning()) {
        *problem = "Another job is still running.";
        return false;
    }
    if (!FillJob(m_model, theJob, m_mode, nullptr)) {
        *problem = "No unit is chosen: give --unit 1-6.";
        return false;
    }
    if (m_mode == JobWrite)
        CopyValuesToJob(m_model, theJob);
    if (!ValidateJob(theJob, problem))
        return false;
    theJob.verifyWrites = m_mode == JobWrite && m_verify;
    m_result.verify = theJob.verifyWrites;
    m_result.selectionMask = theJob.selectionMask;
    return true;
}

int CJobSession::TransferredCount() const
{
    int count = 0;
    for (int row = 0; row < ParameterCount; ++row)
        if ((m_result.selectionMask & ParameterTable[row].maskBit) && !m_model.IsButtonChecked(ParameterTable[row].updateBoxId))
            ++count;
    return count;
}

JobResult CJobSession::Run(CommandIo& io)
{
    int selected = 0;
    for (int row = 0; row < ParameterCount; ++row)
        selected += (m_result.selectionMask & ParameterTable[row].maskBit) != 0;

    CCliMessagePresenter presenter;
    CProgressPrinter progress(io.err, io.errIsTerminal, selected);
    if (InterruptRequested()) {
        // Interrupted before anything was dialled.
        ClearInterrupt();
        m_result.interrupted = true;
        return m_result;
    }
    theJob.notifyWindow = &m_window;
    if (!StartJob()) {
        theJob.notifyWindow = nullptr;
        m_result.message = "The job could not be started.";
        return m_result;
    }
    m_result.started = true;

    int idlePolls = 0;
    while (!m_result.ended) {
        if (AbortRequested()) {
            // The second interrupt: nothing more is sent. Release a driver waiting in
            // SendMessage before waiting for it ourselves.
            m_window.Close();
            AbortJob();
            m_result.interrupted = m_result.aborted = true;
            while (auto message = m_window.TakeMessage(std::chrono::milliseconds(0))) {
                Handle(*message, progress);
                m_window.MessageHandled(*message);
            }
            break;
        }
        if (InterruptRequested() && !m_result.interrupted) {
            // The first: the job logs the unit off and resets the modem; its messages are
            // handled as before until it has ended.
            RequestStopJob();
            m_result.interrupted = true;
        }
        auto message = m_window.TakeMessage(PollInterval);
        if (!message) {
            // ProgressEnded is the worker's last act; this only guards against waiting forever.
            if (!IsJobRunning() && ++idlePolls > PollsAfterWorkerGone)
                break;
            continue;
        }
        idlePolls = 0;
        Handle(*message, progress);
        m_window.MessageHandled(*message);
    }
    m_window.Close();
    WaitForJobEnd();
    theJob.notifyWindow = nullptr;
    progress.Finish();
    ClearInterrupt();
    m_result.message = presenter.FirstMessage();
    return m_result;
}

void CJobSession::Handle(const CCliNotifyWindow::Message& message, CProgressPrinter& progress)
{
    if (message.message == WM_SHOW_PROGRESS) {
        switch (message.wParam) {
        case ProgressEnded:
            m_result.ended = true;
            m_result.outcome = JobOutcomeFromNumber(message.value.NumberValue());
            break;
        case ProgressConnected:
            m_result.connected = true;
            break;
        case ProgressTransfer:
            m_result.codeAccepted = true;
            break;
        case ProgressBadCode:
            m_result.codeRefused = true;
            break;
        default:
            break;
        }
        progress.ShowStage(message.wParam, message.value.NumberValue());
        return;
    }
    if (message.message == WM_READ_BACK) {
        const int row = FindParameterByUpdateBox(ReadBackBoxId(message.wParam));
        if (row >= 0 && row < ParameterCount)
            m_result.readBack.push_back({row, ReadBackVerdictOf(message.wParam), message.value.TextValue()});
        return;
    }
    if (message.message != WM_SET_TEXT)
        return;
    int id = static_cast<int>(message.wParam);
    if (id == IdFirmware)
        m_result.firmware = message.value.TextValue();
    if (id == IdStatusPower)
        m_result.statusArrived = true;
    int row = FindParameterByUpdateBox(id);
    if (row >= 0)
        m_result.reported[row] = true;
    ApplySetText(m_model, m_mode, id, message.value);
    progress.ShowTransferred(TransferredCount());
}

bool FirmwareHasBatteryAndLed(const std::string& firmware)
{
    return !firmware.empty() && firmware[0] == '2';
}

std::vector<int> RowsNotTransferred(const IDialogItems& items, uint32_t selectionMask)
{
    std::vector<int> rows;
    for (int row = 0; row < ParameterCount; ++row)
        if ((selectionMask & ParameterTable[row].maskBit) && items.IsButtonChecked(ParameterTable[row].updateBoxId))
            rows.push_back(row);
    return rows;
}

namespace {

// Selected parameters this unit has that were not transferred.
int MissingSupported(const JobResult& result, const IDialogItems& items)
{
    bool full = FirmwareHasBatteryAndLed(result.firmware);
    int missing = 0;
    for (int row : RowsNotTransferred(items, result.selectionMask))
        if (full || !IsBatteryOrLedRow(row))
            ++missing;
    return missing;
}

} // namespace

std::vector<int> RowsNotOnFirmware(const JobResult& result)
{
    std::vector<int> rows;
    if (result.firmware.empty() || FirmwareHasBatteryAndLed(result.firmware))
        return rows;
    for (int row = 0; row < ParameterCount; ++row)
        if ((result.selectionMask & ParameterTable[row].maskBit) && IsBatteryOrLedRow(row))
            rows.push_back(row);
    return rows;
}

bool ReadBackIncomplete(const JobResult& result, const IDialogItems& items)
{
    if (!result.verify)
        return false;
    const bool full = FirmwareHasBatteryAndLed(result.firmware);
    for (int row = 0; row < ParameterCount; ++row) {
        if (!(result.selectionMask & ParameterTable[row].maskBit) || (!full && IsBatteryOrLedRow(row)) ||
            items.IsButtonChecked(ParameterTable[row].updateBoxId))
            continue;
        bool found = false;
        for (const ReadBackResult& entry : result.readBack)
            found = found || entry.row == row;
        if (!found)
            return true;
    }
    return false;
}

bool JobCompleted(const JobResult& result, const IDialogItems& items, JobMode mode)
{
    if (!result.started || !result.ended || result.interrupted || !result.codeAccepted || result.codeRefused ||
        !result.message.empty())
        return false;
    if (mode == JobRead && !result.statusArrived)
        return false;
    return MissingSupported(result, items) == 0 && !ReadBackIncomplete(result, items);
}

std::string JobFailureText(const JobResult& result, const IDialogItems& items, JobMode mode)
{
    if (!result.message.empty())
        return result.message;
    if (result.aborted)
        return "Interrupted: the job was stopped at once and the line hung up.";
    if (result.interrupted)
        return "Interrupted: the job was stopped and the line hung up.";
    if (result.codeRefused)
        return LoadString(IDS_BAD_CODE);
    if (!result.connected)
        return "The job ended before a connection was made.";
    if (!result.codeAccepted)
        return "The job ended before the unit accepted the programming code.";
    if (MissingSupported(result, items) > 0)
        return "The job ended before every selected parameter was transferred.";
    if (mode == JobRead && !result.statusArrived)
        return "The job ended before the unit's status was read.";
    if (ReadBackIncomplete(result, items))
        return "The job ended before what was written was read back.";
    return "The job did not end normally.";
}

JobOutcome JobReason(const JobResult& result, const IDialogItems& items, JobMode mode)
{
    if (JobCompleted(result, items, mode))
        return JobOutcome::Completed;
    // The job side's code goes with its message; a job that ended well on its side but not here
    // is judged below.
    const bool sideCode = result.outcome != JobOutcome::None && result.outcome != JobOutcome::Completed;
    if (!result.message.empty())
        return sideCode ? result.outcome : JobOutcome::Failed;
    if (result.aborted || result.interrupted)
        return JobOutcome::Stopped;
    if (result.codeRefused)
        return JobOutcome::CodeRefused;
    if (sideCode)
        return result.outcome;
    if (result.codeAccepted && MissingSupported(result, items) > 0)
        return JobOutcome::NotTransferred;
    if (ReadBackIncomplete(result, items))
        return JobOutcome::VerifyFailed;
    return JobOutcome::Failed;
}
