// The line every voice modem here is spoken to on: 9600 baud, 8 data bits, no parity, one stop
// bit, no abort on a line error and no event character. Both the job's driver and the modem check
// set it right after opening the port.
#pragma once

class CComPort;

// Sets the line on an open port; a device that refuses leaves it as it was (the device traced why).
void SetModemLineSettings(CComPort& port);
