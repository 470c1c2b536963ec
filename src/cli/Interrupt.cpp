#include "cli/Interrupt.h"

#include <atomic>
#include <csignal>

namespace {

std::atomic<int> g_interrupts{0};
std::atomic<bool> g_inScope{false};
static_assert(std::atomic<int>::is_always_lock_free, "the count is written from a signal handler");
static_assert(std::atomic<bool>::is_always_lock_free, "the scope flag is read from a signal handler");

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
    if (!g_inScope.load()) {
        EndAsUsual(signal);
        return;
    }
    if (g_interrupts.fetch_add(1) + 1 >= 3)
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

bool InterruptRequested()
{
    return g_interrupts.load() >= 1;
}

bool AbortRequested()
{
    return g_interrupts.load() >= 2;
}

void RequestInterrupt()
{
    g_interrupts.fetch_add(1);
}

void ClearInterrupt()
{
    g_interrupts.store(0);
}

CInterruptScope::CInterruptScope()
{
    g_inScope.store(true);
}

CInterruptScope::~CInterruptScope()
{
    g_inScope.store(false);
}
