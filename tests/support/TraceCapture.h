// Captures the trace for the life of the object, so a test can assert on exact lines.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "diag/Trace.h"

class TraceCapture {
public:
    TraceCapture()
    {
        m_previous = SetTraceSink([this](std::string_view text) {
            std::lock_guard<std::mutex> guard(m_lock);
            m_lines.emplace_back(text);
        });
    }
    ~TraceCapture() { SetTraceSink(std::move(m_previous)); }
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    std::vector<std::string> Lines() const
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_lines;
    }
    // How many trace texts equal text exactly.
    int Count(const std::string& text) const
    {
        std::lock_guard<std::mutex> guard(m_lock);
        int n = 0;
        for (const auto& line : m_lines)
            n += line == text;
        return n;
    }
    // How many trace texts contain part.
    int CountContaining(const std::string& part) const
    {
        std::lock_guard<std::mutex> guard(m_lock);
        int n = 0;
        for (const auto& line : m_lines)
            n += line.find(part) != std::string::npos;
        return n;
    }
    void Clear()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_lines.clear();
    }

private:
    mutable std::mutex m_lock;
    std::vector<std::string> m_lines;
    TraceSink m_previous;
};
