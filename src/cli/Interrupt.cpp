#include "cli/Interrupt.h"

#include <atomic>

namespace {

std::atomic<int> g_interrupts{0};
std::atomic<bool> g_inScope{false};
static_assert(std::atomic<int>::is_always_lock_free, "the count is written from a signal handler");
static_assert(std::atomic<bool>::is_always_lock_free, "the scope flag is read from a signal handler");

} // namespace

InterruptOutcome CountInterrupt()
{
    if (!g_inScope.load())
        return InterruptOutcome::EndProgram;
    return g_interrupts.fetch_add(1) + 1 >= 3 ? InterruptOutcome::EndProgram : InterruptOutcome::Counted;
}

bool InInterruptScope()
{
    return g_inScope.load();
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
