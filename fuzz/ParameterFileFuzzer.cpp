// libFuzzer entry for the parameter file reader.
#include <cstdlib>

#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (!FuzzParameterFile(data, size))
        std::abort();
    return 0;
}
