// Where the desktop program keeps its settings and what it calls them, the same on every system:
// the maker's key "Velmora, Sweden", below it the program's own, and in it "ComPort" (the serial
// port, "com1" until one is chosen), "ModemProfile", and the V.253 ringback timers and country code
// ("RingbackGap" in tenths of a second, "RingbackWait" in seconds, "ModemCountry"; absent: the
// defaults), and "ModemTraceFile" (a file the modem dialogue of the session is written to, for a
// technician to send us; none when empty).
#pragma once

constexpr const char* SettingsOrganisation = "Velmora, Sweden";
constexpr const char* ComPortValueName = "ComPort";
constexpr const char* DefaultComPort = "com1";
constexpr const char* ModemProfileValueName = "ModemProfile";
constexpr const char* RingbackGapValueName = "RingbackGap";
constexpr const char* RingbackWaitValueName = "RingbackWait";
constexpr const char* ModemCountryValueName = "ModemCountry";
constexpr const char* ModemTraceFileValueName = "ModemTraceFile";
