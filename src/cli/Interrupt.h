// Ctrl-C, SIGTERM and SIGHUP while a job command runs (on Windows: Ctrl-C, Ctrl-Break and the
// console being closed): the signal only counts itself; the command's thread sees the count. The first asks the job to stop the orderly way (a unit that is
// logged in is logged off, the modem reset) and pravel-cli exits with status 1 once the job has
// ended; the second stops the job at once with nothing more sent; a third ends the program.
// Outside a job command (CInterruptScope) the signals keep their default action.
#pragma once

// Catches SIGINT, SIGTERM and SIGHUP for the rest of the process (pravel-cli's main calls it); on
// Windows, installs a console control handler (SetConsoleCtrlHandler). A closed console ends the
// process once its handler returns: the handler waits, a few seconds at most, for the job
// command's scope to end.
void InstallInterruptHandler();

// What one interrupt does, as the handlers decide it: counted inside a job command (the first two),
// otherwise, and at the third, the program ends as it would without us. Lock-free; safe in a
// signal handler.
enum class InterruptOutcome { Counted, EndProgram };
InterruptOutcome CountInterrupt();
// A job command's scope is alive.
bool InInterruptScope();
// At least one interrupt has arrived and has not been cleared.
bool InterruptRequested();
// A second interrupt has arrived: stop now.
bool AbortRequested();
// Counts one interrupt as the signal would (tests).
void RequestInterrupt();
// Forgets the interrupts once they have been acted on.
void ClearInterrupt();

// While one lives, the three signals are counted; before and after, they end the program as
// usual (nothing has been dialled then). Scopes do not nest.
class CInterruptScope {
public:
    CInterruptScope();
    ~CInterruptScope();
    CInterruptScope(const CInterruptScope&) = delete;
    CInterruptScope& operator=(const CInterruptScope&) = delete;
};
