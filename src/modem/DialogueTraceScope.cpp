#include "modem/DialogueTraceScope.h"

CDialogueTraceScope::~CDialogueTraceScope()
{
    std::string ignored;
    Finish(&ignored);
}

bool CDialogueTraceScope::Start(const std::string& path, const std::string& program, const std::string& profile,
                                const std::string& port, std::string* problem)
{
    if (path.empty())
        return true;
    DialogueTraceHeader header;
    header.program = program;
    header.profile = profile;
    header.port = port;
    header.portSettings = "9600 8N1";
    if (!m_recorder.Open(path, header, problem))
        return false;
    m_path = path;
    m_recording = true;
    InstallDialogueRecorder(&m_recorder);
    return true;
}

bool CDialogueTraceScope::Finish(std::string* problem)
{
    if (!m_recording)
        return true;
    InstallDialogueRecorder(nullptr);
    m_recording = false;
    if (!m_recorder.Close()) {
        *problem = "The trace file " + m_path + " is incomplete: it could not be written.";
        return false;
    }
    return true;
}

bool CDialogueTraceScope::Restart(const std::string& path, const std::string& program, const std::string& profile,
                                  const std::string& port, std::string* problem)
{
    std::string finishProblem;
    const bool finished = Finish(&finishProblem);
    const bool started = Start(path, program, profile, port, problem);
    if (!finished)
        *problem = finishProblem;
    return finished && started;
}
