// Which voice command set the modem speaks: "auto" (the default: the '#' set, and the V.253 set
// once the modem refuses "AT#CLS=8"), "hash" (the '#' set only) or "v253" (the V.253 set only).
// One per process like the port name; the user interface changes it at any time, a job reads it
// when it starts. Access is locked.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

enum class ModemProfile { Auto, Hash, V253 };

// "auto", "hash" or "v253".
const char* ModemProfileName(ModemProfile profile);
// The profile of a stored or typed name (exactly as ModemProfileName gives it); none for any other text.
std::optional<ModemProfile> ParseModemProfile(std::string_view name);

ModemProfile GetModemProfile();
void SetModemProfile(ModemProfile profile);

// How a V.253 modem decides that the unit has answered, and the modem's country. A V.253 modem
// gives its dial result once the ringback has been silent for ringbackGapTenths (+VRA, in tenths
// of a second), or after ringbackWaitSeconds (+VRN, in seconds) without ringback. The defaults
// are longer than the silence between two rings anywhere (Nordic lines: 5 s). country is the
// hexadecimal +GCI code sent after the reset ("" for none: the modem keeps its own). One per
// process like the profile; a job reads them when it starts. Access is locked.
struct ModemCallSettings {
    int ringbackGapTenths = 70;
    int ringbackWaitSeconds = 10;
    std::string country;
};
constexpr int MaxRingbackTimer = 255;

ModemCallSettings GetModemCallSettings();
// A country that is no code (see ParseCountryCode) is kept as none.
void SetModemCallSettings(const ModemCallSettings& settings);
// A +VRA or +VRN value as typed or stored: a whole number from 0 to 255; none for any other text.
std::optional<int> ParseRingbackTimer(std::string_view text);
// A +GCI country code as typed or stored: two hexadecimal digits, given back in capitals ("" stays
// ""); none for any other text.
std::optional<std::string> ParseCountryCode(std::string_view text);
// The call settings as a settings store holds them: storedText gives the text stored under a value
// name ("RingbackGap", "RingbackWait", "ModemCountry"; empty when none). A value absent or not
// valid is the default.
ModemCallSettings ModemCallSettingsFromStore(const std::function<std::string(const char* valueName)>& storedText);
