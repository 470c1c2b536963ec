#include "ui/JobStatus.h"

#include "model/JobMessages.h"

QString CJobStatus::CodeRefusedText()
{
    return QStringLiteral("The code was refused by the unit");
}

void CJobStatus::Begin(const QString& jobName, int total)
{
    m_state = JobState::Running;
    m_jobName = jobName;
    m_stageText = QStringLiteral("starting");
    m_failure.clear();
    m_warning.clear();
    m_total = total;
    m_done.clear();
    m_loggingOff = false;
    m_codeRefused = false;
    Compose();
}

void CJobStatus::Refuse(const QString& text)
{
    m_state = JobState::Failed;
    m_failure = text;
    Compose();
}

void CJobStatus::OnProgress(uint32_t stage, long count)
{
    if (!IsActive())
        return;
    switch (stage) {
    case ProgressEnded:
        if (m_codeRefused)
            m_state = JobState::CodeRefused;
        else if (m_state == JobState::Stopping)
            m_state = JobState::Stopped;
        else if (!m_failure.isEmpty())
            m_state = JobState::Failed;
        else if (m_loggingOff)
            m_state = JobState::Finished;
        else
            m_state = JobState::EndedEarly;
        break;
    case ProgressDialing:
        m_stageText = QStringLiteral("dialing (%1)").arg(count);
        break;
    case ProgressConnected:
        m_warning.clear();
        m_stageText = QStringLiteral("connected, logging in");
        break;
    case ProgressTransfer:
        m_stageText = QStringLiteral("transfer");
        break;
    case ProgressLogoff:
        m_loggingOff = true;
        m_stageText = QStringLiteral("logging off");
        break;
    case ProgressBadCode:
        // The job goes on to its end (log-off, modem reset); the outcome is known now.
        m_codeRefused = true;
        if (m_failure.isEmpty())
            m_failure = CodeRefusedText();
        break;
    default:
        break;
    }
    Compose();
}

void CJobStatus::OnValue(int updateBoxId)
{
    if (IsActive())
        m_done.insert(updateBoxId);
    Compose();
}

void CJobStatus::Warn(const QString& text)
{
    m_warning = text;
    Compose();
}

void CJobStatus::OnStopRequested()
{
    if (m_state != JobState::Running)
        return;
    m_state = JobState::Stopping;
    m_stageText = QStringLiteral("stopping");
    Compose();
}

bool CJobStatus::OnFailure(const QString& text)
{
    // Outside a job (or after its end) every message is its own; within one, only the first.
    if (!IsActive()) {
        m_failure = text;
        if (m_state != JobState::Idle)
            m_state = JobState::Failed;
        m_text = text;
        return true;
    }
    if (!m_failure.isEmpty())
        return false;
    m_failure = text;
    Compose();
    return true;
}

void CJobStatus::Compose()
{
    const QString count = QStringLiteral("%1 of %2 values").arg(Done()).arg(m_total);
    switch (m_state) {
    case JobState::Idle:
        m_text.clear();
        break;
    case JobState::Running:
    case JobState::Stopping:
        if (!m_failure.isEmpty())
            m_text = m_failure;
        else if (!m_warning.isEmpty())
            m_text = m_warning;
        else
            m_text = QStringLiteral("%1: %2, %3").arg(m_jobName, m_stageText, count);
        break;
    case JobState::Finished:
        m_text = QStringLiteral("%1 finished: %2").arg(m_jobName, count);
        break;
    case JobState::Stopped:
        m_text = QStringLiteral("%1 stopped: %2").arg(m_jobName, count);
        break;
    case JobState::CodeRefused:
    case JobState::Failed:
        m_text = m_failure;
        break;
    case JobState::EndedEarly:
        m_text = QStringLiteral("%1 ended before it was done: %2").arg(m_jobName, count);
        break;
    }
}
