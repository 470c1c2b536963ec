// Which voice command set the modem speaks: "auto" (the default: the '#' set, and the V.253 set
// once the modem refuses "AT#CLS=8"), "hash" (the '#' set only) or "v253" (the V.253 set only).
// One per process like the port name; the user interface changes it at any time, a job reads it
// when it starts. Access is locked.
#pragma once

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
