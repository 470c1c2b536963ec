#include "model/ProgrammingJob.h"

#include <cstring>

const char* const FlagOff = "0";
const char* const FlagOn = "1";

ProgrammingJob theJob{};

void ProgrammingJob::reset(INotifyWindow* window)
{
    mode = JobIdle;
    phoneNumber[0] = '\0';
    programmingCode[0] = '\0';
    unit = 1;
    notifyWindow = window;
    selectionMask = 0;
    verifyWrites = false;
}

void ProgrammingJob::SetSlot(int slot, const char* text)
{
    char* destination = Slot(slot);
    size_t width = static_cast<size_t>(SlotWidths[slot]);
    size_t length = text == nullptr ? 0 : strnlen(text, width - 1);
    if (length > 0)
        std::memcpy(destination, text, length);
    destination[length] = '\0';
}
