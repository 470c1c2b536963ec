#include "sim/TraceReplay.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

constexpr char Dle = 0x10;
constexpr std::string_view FormatLine = "# Pravel modem trace, format 1";
constexpr size_t MaxCommandLength = 1000;

int Hex(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// What a command is compared by: its text without line ends and control bytes.
std::string CommandText(std::string_view bytes)
{
    std::string text;
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F)
            text += c;
    return text;
}

} // namespace

bool UnescapeTraceText(std::string_view text, std::string* out)
{
    out->clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            *out += text[i];
            continue;
        }
        if (i + 1 >= text.size())
            return false;
        const char next = text[++i];
        if (next == 'r') {
            *out += '\r';
        } else if (next == 'n') {
            *out += '\n';
        } else if (next == '\\') {
            *out += '\\';
        } else if (next == 'x' && i + 2 < text.size() && Hex(text[i + 1]) >= 0 && Hex(text[i + 2]) >= 0) {
            *out += static_cast<char>(Hex(text[i + 1]) * 16 + Hex(text[i + 2]));
            i += 2;
        } else {
            return false;
        }
    }
    return true;
}

bool CTraceReplay::Load(const std::string& path, std::string* error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = path + ": cannot be read";
        return false;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (!Parse(text.str(), error)) {
        *error = path + ": " + *error;
        return false;
    }
    return true;
}

bool CTraceReplay::Parse(std::string_view text, std::string* error)
{
    m_segments.assign(1, Segment{});
    m_header.clear();
    size_t lineNumber = 0;
    size_t start = 0;
    int64_t lastMs = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1); // a file that went through a Windows editor
        auto fail = [&](const std::string& why) {
            *error = "line " + std::to_string(lineNumber) + ": " + why;
            return false;
        };
        if (lineNumber == 1) {
            if (line != FormatLine)
                return fail("not a Pravel modem trace (the first line must be \"" + std::string(FormatLine) + "\")");
            continue;
        }
        if (line.empty())
            continue;
        if (line[0] == '#') {
            std::string_view rest = line.substr(1);
            if (!rest.empty() && rest[0] == ' ')
                rest.remove_prefix(1);
            m_header.emplace_back(rest);
            continue;
        }
        // <milliseconds> <kind> <text>
        const size_t space = line.find(' ');
        if (space == std::string_view::npos || space == 0 || space + 2 > line.size() ||
            (space + 2 < line.size() && line[space + 2] != ' '))
            return fail("a record is <milliseconds> <kind> <text>");
        const std::string_view number = line.substr(0, space);
        if (number.size() > 12 || !std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return fail("the time must be milliseconds");
        const int64_t ms = std::stoll(std::string(number));
        if (ms < lastMs)
            return fail("the times must not go back");
        lastMs = ms;
        const char kind = line[space + 1];
        std::string payload;
        if (!UnescapeTraceText(space + 3 <= line.size() ? line.substr(space + 3) : std::string_view(), &payload))
            return fail("a malformed escape (\\r, \\n, \\\\ and \\xHH are known)");
        Segment& current = m_segments.back();
        switch (kind) {
        case '>': {
            Segment next;
            next.command = CommandText(payload);
            if (next.command.empty())
                break; // bytes without a command in them (a lone control byte)
            next.atMs = ms;
            m_segments.push_back(std::move(next));
            break;
        }
        case '<':
            current.outputs.push_back({ms - current.atMs, "\r\n" + payload + "\r\n"});
            break;
        case '~':
            if (payload.size() != 1)
                return fail("a DLE record holds one character");
            current.outputs.push_back({ms - current.atMs, std::string{Dle, payload[0]}});
            break;
        default:
            return fail(std::string("unknown record kind '") + kind + "' (>, < or ~)");
        }
    }
    if (lineNumber == 0) {
        *error = "the file is empty";
        return false;
    }
    m_next = 1;
    m_due.clear();
    m_lineBuffer.clear();
    m_differences = 0;
    m_started = false;
    return true;
}

void CTraceReplay::Note(const std::string& text)
{
    if (m_notes)
        m_notes(text);
}

void CTraceReplay::Schedule(const Segment& segment, TimePoint base)
{
    for (const Output& output : segment.outputs)
        m_due.push_back({base + std::chrono::milliseconds(output.delayMs), output.bytes});
    std::stable_sort(m_due.begin(), m_due.end(), [](const Due& a, const Due& b) { return a.at < b.at; });
}

void CTraceReplay::Start(TimePoint now)
{
    if (m_started || m_segments.empty())
        return;
    m_started = true;
    Schedule(m_segments.front(), now);
}

void CTraceReplay::Receive(std::string_view bytes, TimePoint now)
{
    for (char c : bytes) {
        if (c == '\r' || c == '\n') {
            if (!m_lineBuffer.empty())
                Command(m_lineBuffer, now);
            m_lineBuffer.clear();
        } else if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F && m_lineBuffer.size() < MaxCommandLength) {
            m_lineBuffer += c;
        }
    }
}

void CTraceReplay::Command(const std::string& line, TimePoint now)
{
    if (m_next >= m_segments.size()) {
        ++m_differences;
        Note("command after the end of the trace: \"" + line + "\"");
        return;
    }
    const Segment& expected = m_segments[m_next];
    if (line != expected.command) {
        ++m_differences;
        Note("command " + std::to_string(m_next) + " differs: the trace has \"" + expected.command +
             "\", the program sent \"" + line + "\"");
        m_due.push_back({now, "\r\nERROR\r\n"});
        std::stable_sort(m_due.begin(), m_due.end(), [](const Due& a, const Due& b) { return a.at < b.at; });
        return;
    }
    // What the modem said after the previous command came before this one in the trace: it goes
    // out now, ahead of this command's answer.
    for (Due& due : m_due)
        due.at = std::min(due.at, now);
    Schedule(expected, now);
    ++m_next;
}

void CTraceReplay::Advance(TimePoint now, std::string* out)
{
    size_t taken = 0;
    while (taken < m_due.size() && m_due[taken].at <= now)
        out->append(m_due[taken++].bytes);
    m_due.erase(m_due.begin(), m_due.begin() + static_cast<std::ptrdiff_t>(taken));
}

std::optional<CTraceReplay::TimePoint> CTraceReplay::NextWake() const
{
    if (m_due.empty())
        return std::nullopt;
    return m_due.front().at;
}

bool CTraceReplay::Finished() const
{
    return m_started && m_next >= m_segments.size() && m_due.empty();
}
