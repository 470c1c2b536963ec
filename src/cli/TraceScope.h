// The debug trace while a command runs: silent, or on standard error with --trace; the sink in
// place before is put back afterwards.
#pragma once

#include "diag/Trace.h"

class CTraceScope {
public:
    explicit CTraceScope(bool wanted)
    {
        m_previous = SetTraceSink({});
        if (wanted)
            ResetTraceSink();
    }
    ~CTraceScope() { SetTraceSink(std::move(m_previous)); }
    CTraceScope(const CTraceScope&) = delete;
    CTraceScope& operator=(const CTraceScope&) = delete;

private:
    TraceSink m_previous;
};
