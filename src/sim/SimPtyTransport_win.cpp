// Windows has no pseudo-terminals: the simulator runs on the memory line there.
#include "sim/SimMemoryTransport.h"

SimLink DefaultSimLink()
{
    return SimLink::Memory;
}

std::unique_ptr<ISimTransport> MakeSimTransport(SimLink line)
{
    if (line == SimLink::Memory)
        return std::make_unique<CSimMemoryTransport>();
    return nullptr;
}
