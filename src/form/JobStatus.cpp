#include "form/JobStatus.h"

#include "model/JobMessages.h"

std::string CJobStatus::CodeRefusedText()
{
    return "The code was refused by the unit";
}

void CJobStatus::Begin(const std::string& jobName, int total)
{
    m_state = JobState::Running;
    m_jobName = jobName;
    m_stageText = "starting";
    m_failure.clear();
    m_warning.clear();
    m_total = total;
    m_done.clear();
    m_loggingOff = false;
    m_codeRefused = false;
    Compose();
}

void CJobStatus::Refuse(const std::string& text)
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
        else if (!m_failure.empty())
            m_state = JobState::Failed;
        else if (m_loggingOff)
            m_state = JobState::Finished;
        else
            m_state = JobState::EndedEarly;
        break;
    case ProgressDialing:
        m_stageText = "dialing (" + std::to_string(count) + ")";
        break;
    case ProgressConnected:
        m_warning.clear();
        m_stageText = "connected, logging in";
        break;
    case ProgressTransfer:
        m_stageText = "transfer";
        break;
    case ProgressLogoff:
        m_loggingOff = true;
        m_stageText = "logging off";
        break;
    case ProgressBadCode:
        // The job goes on to its end (log-off, modem reset); the outcome is known now.
        m_codeRefused = true;
        if (m_failure.empty())
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

void CJobStatus::Warn(const std::string& text)
{
    m_warning = text;
    Compose();
}

void CJobStatus::OnStopRequested()
{
    if (m_state != JobState::Running)
        return;
    m_state = JobState::Stopping;
    m_stageText = "stopping";
    Compose();
}

bool CJobStatus::OnFailure(const std::string& text)
{
    // Outside a job (or after its end) every message is its own; within one, only the first.
    if (!IsActive()) {
        m_failure = text;
        if (m_state != JobState::Idle)
            m_state = JobState::Failed;
        m_text = text;
        return true;
    }
    if (!m_failure.empty())
        return false;
    m_failure = text;
    Compose();
    return true;
}

void CJobStatus::Compose()
{
    const std::string count = std::to_string(Done()) + " of " + std::to_string(m_total) + " values";
    switch (m_state) {
    case JobState::Idle:
        m_text.clear();
        break;
    case JobState::Running:
    case JobState::Stopping:
        if (!m_failure.empty())
            m_text = m_failure;
        else if (!m_warning.empty())
            m_text = m_warning;
        else
            m_text = m_jobName + ": " + m_stageText + ", " + count;
        break;
    case JobState::Finished:
        m_text = m_jobName + " finished: " + count;
        break;
    case JobState::Stopped:
        m_text = m_jobName + " stopped: " + count;
        break;
    case JobState::CodeRefused:
    case JobState::Failed:
        m_text = m_failure;
        break;
    case JobState::EndedEarly:
        m_text = m_jobName + " ended before it was done: " + count;
        break;
    }
}
