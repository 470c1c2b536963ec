// What the status line at the foot of the main dialog says about the job: its stage, how many of
// the chosen values have been transferred, and how it ended. It also decides when a failure gets
// a message box: the first failure of a job does and stays in the status line; later ones of the
// same job (often the consequences of the first) are not shown again, so one failure never stacks
// up several boxes.
#pragma once

#include <cstdint>
#include <set>
#include <string>

enum class JobState {
    Idle, // no job since the dialog opened
    Running,
    Stopping,    // the user asked for the orderly end: log-off, modem reset, port closed
    Finished,    // the unit was logged off after the transfer
    Stopped,     // ended on the user's request
    CodeRefused, // the unit answered that the programming code is wrong
    Failed,      // the job side reported a failure (modem, line, unit)
    EndedEarly,  // the job ended before the log-off without saying why
};

class CJobStatus {
public:
    // A job starts: jobName is "Read", "Read all" or "Write"; total the number of chosen values.
    void Begin(const std::string& jobName, int total);
    // A job that could not be started or was refused before dialling.
    void Refuse(const std::string& text);
    void OnProgress(uint32_t stage, long count);
    // A value of the job arrived (read) or was acknowledged (written), by its update box.
    void OnValue(int updateBoxId);
    void OnStopRequested();
    // A warning for the start of the job (another program holds the port): shown instead of the
    // stage until the call is connected or a failure comes.
    void Warn(const std::string& text);
    // A failure reported by the job side. True when it is the first of this job (show a box).
    bool OnFailure(const std::string& text);

    static std::string CodeRefusedText();

    JobState State() const { return m_state; }
    bool IsActive() const { return m_state == JobState::Running || m_state == JobState::Stopping; }
    int Done() const { return static_cast<int>(m_done.size()); }
    int Total() const { return m_total; }
    std::string Text() const { return m_text; }

private:
    void Compose();

    JobState m_state = JobState::Idle;
    std::string m_jobName;
    std::string m_stageText; // while running: what the call is doing
    std::string m_failure;
    std::string m_warning;
    int m_total = 0;
    std::set<int> m_done;
    bool m_loggingOff = false;
    bool m_codeRefused = false;
    std::string m_text;
};
