#include "cli/Interrupt.h"

#include <windows.h>

namespace {

// Windows ends a process whose console is closed about five seconds after telling it; the
// orderly stop (log off, reset the modem) gets most of them.
constexpr DWORD CloseGraceMs = 4500;
constexpr DWORD ScopePollMs = 20;

// Runs on a thread the system starts for each event. TRUE: handled; FALSE: the next handler
// (in the end the system's, which ends the program) takes it.
BOOL WINAPI OnConsoleControl(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        return CountInterrupt() == InterruptOutcome::Counted ? TRUE : FALSE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT: {
        // The process ends when this returns: hold it while the job stops the orderly way.
        if (CountInterrupt() != InterruptOutcome::Counted)
            return FALSE;
        const ULONGLONG deadline = ::GetTickCount64() + CloseGraceMs;
        while (InInterruptScope() && ::GetTickCount64() < deadline)
            ::Sleep(ScopePollMs);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

} // namespace

void InstallInterruptHandler()
{
    ::SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}
