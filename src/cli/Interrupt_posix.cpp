#include "cli/Interrupt.h"

#include <csignal>

namespace {

constexpr int CaughtSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Puts the default action back and delivers the signal again: the program ends as it would have
// without us. Only async-signal-safe calls.
void EndAsUsual(int signal)
{
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
    raise(signal);
}

extern "C" void OnInterruptSignal(int signal)
{
    if (CountInterrupt() == InterruptOutcome::EndProgram)
        EndAsUsual(signal);
}

} // namespace

void InstallInterruptHandler()
{
    struct sigaction action = {};
    action.sa_handler = OnInterruptSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : CaughtSignals)
        sigaddset(&action.sa_mask, signal);
    // Reads and writes on the port in other threads carry on where the signal lands.
    action.sa_flags = SA_RESTART;
    for (int signal : CaughtSignals)
        sigaction(signal, &action, nullptr);
}
