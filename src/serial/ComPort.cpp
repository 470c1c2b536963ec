// What the port does the same on every system: the base versions of the virtual operations and
// the open that takes the device out of its handle. The system's back end is ComPort_posix.cpp or
// ComPort_win.cpp.
#include "serial/ComPort.h"

#include <algorithm>
#include <cstring>

#include "diag/Trace.h"

bool CComPort::OnReceive(const uint8_t* data, uint32_t count)
{
    if (count == 0)
        return true;
    char text[ReadBufferSize + 4];
    const uint32_t n = std::min<uint32_t>(count, sizeof text - 1);
    std::memcpy(text, data, n);
    text[n] = '\0';
    TracePrintf("Got '%s' from comm\n", text);
    return true;
}

void CComPort::OnCarrierChange() {}

void CComPort::OnDeviceGone() {}

bool CComPort::Open(SerialHandle& device)
{
    if (!Open(device.get()))
        return false;
    (void)device.release();
    return true;
}
