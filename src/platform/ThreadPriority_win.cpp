#include "platform/Thread.h"

#include <windows.h>

void ApplyThreadPriority(ThreadPriority priority)
{
    int level = THREAD_PRIORITY_NORMAL;
    switch (priority) {
    case ThreadPriority::Normal:
        return;
    case ThreadPriority::AboveNormal:
        level = THREAD_PRIORITY_ABOVE_NORMAL;
        break;
    case ThreadPriority::Highest:
        level = THREAD_PRIORITY_HIGHEST;
        break;
    }
    // A refusal leaves the thread at normal priority; the result is ignored.
    (void)::SetThreadPriority(::GetCurrentThread(), level);
}
