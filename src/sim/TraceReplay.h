// The modem's side of a recorded modem trace (docs/modem-trace.md), played back: each command the
// program sends is compared with the next command of the trace, and answered with what the real
// modem said after it, at the recorded delays. A command that differs is reported and answered
// "ERROR"; the replay then still waits for the command the trace has.
//
// The trace format is read here on its own (the simulator uses none of the modem module).
// No clock and no I/O of its own, like CSimModem: the owner feeds received bytes and the time and
// collects what is due. Not thread-safe: the owner serialises every call.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CTraceReplay {
public:
    using Clock = std::chrono::steady_clock;
    using TimePoint = Clock::time_point;
    // One report: a difference from the trace, or where the replay stands.
    using NoteSink = std::function<void(std::string_view text)>;

    // Reads a trace; false with the line and the reason when it is not one.
    bool Load(const std::string& path, std::string* error);
    bool Parse(std::string_view text, std::string* error);

    void SetNotes(NoteSink notes) { m_notes = std::move(notes); }
    // The header's lines ("program: ...", "profile: ...", "port: ..."), as recorded.
    const std::vector<std::string>& Header() const { return m_header; }
    size_t CommandCount() const { return m_segments.empty() ? 0 : m_segments.size() - 1; }

    // Begins the replay: what the modem said before the first command is due from now.
    void Start(TimePoint now);
    // Bytes from the program.
    void Receive(std::string_view bytes, TimePoint now);
    // Appends to out everything due by now.
    void Advance(TimePoint now, std::string* out);
    std::optional<TimePoint> NextWake() const;

    // Every command of the trace has come as recorded and every answer has gone out.
    bool Finished() const;
    // Commands that differed from the trace (or came after its end).
    int Differences() const { return m_differences; }
    // Commands matched so far.
    size_t Matched() const { return m_next - 1; }

private:
    struct Output {
        int64_t delayMs = 0; // after the command it follows
        std::string bytes;   // as the modem sent them
    };
    struct Segment {
        std::string command; // as the program sends it, line end and control bytes left out
        int64_t atMs = 0;
        std::vector<Output> outputs;
    };
    struct Due {
        TimePoint at;
        std::string bytes;
    };

    void Command(const std::string& line, TimePoint now);
    void Schedule(const Segment& segment, TimePoint base);
    void Note(const std::string& text);

    std::vector<Segment> m_segments; // [0]: before the first command
    std::vector<std::string> m_header;
    size_t m_next = 1; // the segment whose command is expected next
    std::vector<Due> m_due;
    std::string m_lineBuffer;
    int m_differences = 0;
    bool m_started = false;
    NoteSink m_notes;
};

// The trace format's escapes undone: \r \n \\ \xHH. False when malformed.
bool UnescapeTraceText(std::string_view text, std::string* out);
