#include "modem/DialogueRecorder.h"

#include <cerrno>
#include <cstring>
#include <ctime>

namespace {

std::mutex recorderLock;
CDialogueRecorder* installedRecorder = nullptr;

// The format's first line; a reader checks it.
constexpr const char* FormatLine = "# Pravel modem trace, format 1";

std::string UtcNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
#ifdef _WIN32
    gmtime_s(&parts, &now);
#else
    gmtime_r(&now, &parts);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &parts);
    return text;
}

} // namespace

CDialogueRecorder::~CDialogueRecorder()
{
    Close();
}

bool CDialogueRecorder::Open(const std::string& path, const DialogueTraceHeader& header, std::string* error)
{
    Close();
    m_failed = false;
    errno = 0;
    m_file = std::fopen(path.c_str(), "wb");
    if (!m_file) {
        *error = "The trace file " + path + " could not be created: " + std::strerror(errno);
        return false;
    }
    m_start = std::chrono::steady_clock::now();
    const std::string text = std::string(FormatLine) + "\n# program: " + EscapeTraceText(header.program) +
                             "\n# profile: " + EscapeTraceText(header.profile) + "\n# port: " +
                             EscapeTraceText(header.port) + " " + EscapeTraceText(header.portSettings) +
                             "\n# started: " + UtcNow() + "\n";
    if (std::fputs(text.c_str(), m_file) < 0 || std::fflush(m_file) != 0) {
        *error = "The trace file " + path + " could not be written: " + std::strerror(errno);
        std::fclose(m_file);
        m_file = nullptr;
        return false;
    }
    return true;
}

void CDialogueRecorder::Record(char kind, std::string_view text)
{
    if (!m_file)
        return;
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - m_start).count();
    const std::string line = std::to_string(ms) + ' ' + kind + ' ' + EscapeTraceText(text) + '\n';
    // Each record reaches the file at once: a trace is wanted most when the program did not end well.
    if (std::fputs(line.c_str(), m_file) < 0 || std::fflush(m_file) != 0) {
        m_failed = true;
        std::fclose(m_file);
        m_file = nullptr;
    }
}

bool CDialogueRecorder::Close()
{
    if (m_file) {
        if (std::fclose(m_file) != 0)
            m_failed = true;
        m_file = nullptr;
    }
    return !m_failed;
}

std::string EscapeTraceText(std::string_view text)
{
    std::string shown;
    shown.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\r') {
            shown += "\\r";
        } else if (c == '\n') {
            shown += "\\n";
        } else if (c == '\\') {
            shown += "\\\\";
        } else if (byte < 0x20 || byte >= 0x7F) {
            static const char digits[] = "0123456789ABCDEF";
            shown += "\\x";
            shown += digits[byte >> 4];
            shown += digits[byte & 0x0F];
        } else {
            shown += c;
        }
    }
    return shown;
}

void InstallDialogueRecorder(CDialogueRecorder* recorder)
{
    std::lock_guard<std::mutex> guard(recorderLock);
    installedRecorder = recorder;
}

void RecordDialogue(const char* direction, std::string_view text)
{
    std::lock_guard<std::mutex> guard(recorderLock);
    if (!installedRecorder)
        return;
    if (direction[0] == '>') {
        installedRecorder->Record(CDialogueRecorder::Sent, text);
        return;
    }
    // The driver shows a DLE code as "DLE c", or "DLE c (ignored)" when it does not act on it.
    constexpr std::string_view dle = "DLE ";
    constexpr std::string_view ignored = " (ignored)";
    if (text.size() >= dle.size() + 1 && text.substr(0, dle.size()) == dle &&
        (text.size() == dle.size() + 1 || text.substr(dle.size() + 1) == ignored)) {
        installedRecorder->Record(CDialogueRecorder::DleCode, text.substr(dle.size(), 1));
        return;
    }
    installedRecorder->Record(CDialogueRecorder::Line, text);
}
