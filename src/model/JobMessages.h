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
