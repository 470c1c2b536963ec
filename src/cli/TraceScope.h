// The debug trace while a command runs: silent, or with --trace the lines of the system and of
// the modem dialogue (every command sent, every line and DLE code received) on standard error
// as the job runs. A sink already in place (a test capturing the trace) keeps them; only a
// silenced trace is sent to standard error. The sink in place before is put back afterwards.
#pragma once

#include "diag/Trace.h"

class CTraceScope {
public:
    explicit CTraceScope(bool wanted)
    {
        m_previous = SetTraceSink({});
        if (wanted) {
            if (m_previous)
                SetTraceSink(m_previous);
            else
                ResetTraceSink();
        }
    }
    ~CTraceScope() { SetTraceSink(std::move(m_previous)); }
    CTraceScope(const CTraceScope&) = delete;
    CTraceScope& operator=(const CTraceScope&) = delete;

private:
    TraceSink m_previous;
};
