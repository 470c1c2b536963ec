// The two messages by which the job side reports to the front end (see platform/NotifyWindow.h).
#pragma once

#include <cstdint>

// wParam: a dialog id naming the parameter (its update box id as a rule); lParam: the value,
// a text or a number.
constexpr uint32_t WM_SET_TEXT = 0x8003;
// wParam: the stage; lParam: a count (seconds left while dialling; the JobOutcome at ProgressEnded).
constexpr uint32_t WM_SHOW_PROGRESS = 0x8004;

enum ProgressStage : uint32_t {
    ProgressEnded = 0,
    ProgressDialing = 1,
    ProgressConnected = 2,
    ProgressTransfer = 3,
    ProgressLogoff = 4,
    ProgressBadCode = 5,
};

// A write job that reads back what it wrote reports each parameter with this message. wParam:
// ReadBackParam(update box id, verdict); lParam: the text read back (empty when none was read).
constexpr uint32_t WM_READ_BACK = 0x8005;

enum class ReadBackVerdict : uint32_t {
    Verified = 1,   // the unit holds what was written
    Mismatch = 2,   // it holds something else
    NotChecked = 3, // the unit has no way to show it (a new programming code takes effect at the next login)
};

constexpr uint32_t ReadBackParam(int updateBoxId, ReadBackVerdict verdict)
{
    return (static_cast<uint32_t>(verdict) << 16) | (static_cast<uint32_t>(updateBoxId) & 0xFFFF);
}
constexpr int ReadBackBoxId(uint32_t wParam)
{
    return static_cast<int>(wParam & 0xFFFF);
}
constexpr ReadBackVerdict ReadBackVerdictOf(uint32_t wParam)
{
    return static_cast<ReadBackVerdict>(wParam >> 16);
}
