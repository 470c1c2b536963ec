#include "modem/DialogueTiming.h"

#include <mutex>

namespace {
std::mutex g_lock;
DialogueTiming g_timing;
} // namespace

DialogueTiming GetDialogueTiming()
{
    std::lock_guard<std::mutex> guard(g_lock);
    return g_timing;
}

void SetDialogueTimingForTests(const DialogueTiming& timing)
{
    std::lock_guard<std::mutex> guard(g_lock);
    g_timing = timing;
}

void ResetDialogueTimingForTests()
{
    SetDialogueTimingForTests(DialogueTiming{});
}
