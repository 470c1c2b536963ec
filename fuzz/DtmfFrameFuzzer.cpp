// libFuzzer entry for the check of the unit's DTMF answer frames.
#include <cstdlib>

#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!FuzzDtmfFrame(data, size))
        std::abort();
    return 0;
}
