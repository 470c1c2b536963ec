#include "modem/ModemLineSettings.h"

#include "serial/ComPort.h"

void SetModemLineSettings(CComPort& port)
{
    CommState state;
    if (!port.GetCommState(state))
        return;
    state.baudRate = 9600;
    state.byteSize = 8;
    state.parity = 0;
    state.stopBits = 0;
    state.abortOnError = false;
    state.evtChar = 0;
    port.SetCommState(state);
}
