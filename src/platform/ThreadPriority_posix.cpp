#include "platform/Thread.h"

#include <sys/resource.h>
#include <unistd.h>

void ApplyThreadPriority(ThreadPriority priority)
{
    int nice = 0;
    switch (priority) {
    case ThreadPriority::Normal:
        return;
    case ThreadPriority::AboveNormal:
        nice = -1;
        break;
    case ThreadPriority::Highest:
        nice = -2;
        break;
    }
    // Raising a thread above normal needs a privilege most users lack; the result is ignored.
    (void)::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), nice);
}
