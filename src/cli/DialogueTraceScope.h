// --trace FILE: while one lives, the modem dialogue goes to FILE in the trace format of
// docs/modem-trace.md, for a technician to send us. Without a file it does nothing.
#pragma once

#include <string>

#include "modem/DialogueRecorder.h"

class CDialogueTraceScope {
public:
    CDialogueTraceScope() = default;
    ~CDialogueTraceScope();
    CDialogueTraceScope(const CDialogueTraceScope&) = delete;
    CDialogueTraceScope& operator=(const CDialogueTraceScope&) = delete;

    // Creates the file and starts recording; an empty path records nothing and succeeds. False
    // with the reason when the file cannot be created (nothing has been sent then).
    bool Start(const std::string& path, const std::string& profile, const std::string& port, std::string* problem);
    // Stops recording; false with the reason when the file is incomplete.
    bool Finish(std::string* problem);

private:
    CDialogueRecorder m_recorder;
    std::string m_path;
    bool m_recording = false;
};
