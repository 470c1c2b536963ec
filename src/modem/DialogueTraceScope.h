// A modem trace file for as long as the object lives: pravel-cli's --trace FILE, and the desktop
// programs' setting "ModemTraceFile". The modem dialogue of every job and modem check meanwhile
// goes to the file in the trace format of docs/modem-trace.md. Without a file it does nothing.
// Owner's thread only (the recorder it installs takes records from any thread). Not copyable.
#pragma once

#include <string>

#include "modem/DialogueRecorder.h"

class CDialogueTraceScope {
public:
    CDialogueTraceScope() = default;
    ~CDialogueTraceScope();
    CDialogueTraceScope(const CDialogueTraceScope&) = delete;
    CDialogueTraceScope& operator=(const CDialogueTraceScope&) = delete;

    // Creates the file (an existing one is replaced) and starts recording; an empty path records
    // nothing and succeeds. program is the header's "program" ("pravel-cli 1.09"). False with the
    // reason when the file cannot be created (nothing has been sent then).
    bool Start(const std::string& path, const std::string& program, const std::string& profile,
               const std::string& port, std::string* problem);
    // Stops recording to the file of now and starts on path (the desktop programs' setting changed
    // while they run; an empty path stops the trace). False with the reason of the first failure.
    bool Restart(const std::string& path, const std::string& program, const std::string& profile,
                 const std::string& port, std::string* problem);
    // Stops recording; false with the reason when the file is incomplete.
    bool Finish(std::string* problem);

private:
    CDialogueRecorder m_recorder;
    std::string m_path;
    bool m_recording = false;
};
