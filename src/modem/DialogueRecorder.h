// The modem dialogue written to a file a technician can send us: every command sent, every line
// and DLE code received, each with the milliseconds since the file was opened, under a header that
// names the program, the voice command set and the port. The format is in docs/modem-trace.md;
// pravel-sim --replay plays the modem's side of such a file back.
//
// One recorder at a time is installed; every modem conversation of the process (the driver's, the
// modem check's) writes to it. Record and the installed pointer are guarded by one lock: any thread
// may record. The owner installs it after Open and installs null again before it goes away.
#pragma once

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

struct DialogueTraceHeader {
    std::string program;      // "pravel-cli 1.4.0"
    std::string profile;      // "auto", "hash" or "v253"
    std::string port;         // the device as given
    std::string portSettings; // "9600 8N1"
};

class CDialogueRecorder {
public:
    // A record's kind: a command sent, a line received, a DLE code received.
    static constexpr char Sent = '>';
    static constexpr char Line = '<';
    static constexpr char DleCode = '~';

    CDialogueRecorder() = default;
    ~CDialogueRecorder();
    CDialogueRecorder(const CDialogueRecorder&) = delete;
    CDialogueRecorder& operator=(const CDialogueRecorder&) = delete;

    // Creates (or replaces) the file and writes the header. False with the reason.
    bool Open(const std::string& path, const DialogueTraceHeader& header, std::string* error);
    // One record; nothing when not open. A failed write is remembered (Failed) and ends the recording.
    void Record(char kind, std::string_view text);
    // Closes the file; false when anything could not be written.
    bool Close();
    bool Failed() const { return m_failed; }

private:
    std::FILE* m_file = nullptr;
    bool m_failed = false;
    std::chrono::steady_clock::time_point m_start;
};

// The text with \r, \n, \\ and \xHH for the bytes that are not printable ASCII.
std::string EscapeTraceText(std::string_view text);

// The recorder every modem conversation writes to from now on; null for none.
void InstallDialogueRecorder(CDialogueRecorder* recorder);
// One event of a modem conversation in the forms the driver traces: direction ">" for what was
// sent; "<" for a received line, or for a DLE code as "DLE c" or "DLE c (ignored)".
void RecordDialogue(const char* direction, std::string_view text);
