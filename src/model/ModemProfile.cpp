#include "model/ModemProfile.h"

#include "model/SettingNames.h"

#include <mutex>

namespace {
std::mutex g_lock;
ModemProfile g_profile = ModemProfile::Auto;
ModemCallSettings g_callSettings;
} // namespace

const char* ModemProfileName(ModemProfile profile)
{
    switch (profile) {
    case ModemProfile::Hash:
        return "hash";
    case ModemProfile::V253:
        return "v253";
    case ModemProfile::Auto:
        break;
    }
    return "auto";
}

std::optional<ModemProfile> ParseModemProfile(std::string_view name)
{
    for (ModemProfile p : {ModemProfile::Auto, ModemProfile::Hash, ModemProfile::V253})
        if (name == ModemProfileName(p))
            return p;
    return std::nullopt;
}

ModemProfile GetModemProfile()
{
    std::lock_guard<std::mutex> guard(g_lock);
    return g_profile;
}

void SetModemProfile(ModemProfile profile)
{
    std::lock_guard<std::mutex> guard(g_lock);
    g_profile = profile;
}

ModemCallSettings GetModemCallSettings()
{
    std::lock_guard<std::mutex> guard(g_lock);
    return g_callSettings;
}

void SetModemCallSettings(const ModemCallSettings& settings)
{
    std::lock_guard<std::mutex> guard(g_lock);
    g_callSettings = settings;
    // Sent as it is kept: capitals, and nothing that is not a code.
    g_callSettings.country = ParseCountryCode(settings.country).value_or(std::string());
}

std::optional<int> ParseRingbackTimer(std::string_view text)
{
    if (text.empty() || text.size() > 3)
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > MaxRingbackTimer)
        return std::nullopt;
    return value;
}

std::optional<std::string> ParseCountryCode(std::string_view text)
{
    if (text.empty())
        return std::string();
    if (text.size() != 2)
        return std::nullopt;
    std::string code;
    for (char c : text) {
        if (c >= 'a' && c <= 'f')
            c = static_cast<char>(c - 'a' + 'A');
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return std::nullopt;
        code += c;
    }
    return code;
}

ModemCallSettings ModemCallSettingsFromStore(const std::function<std::string(const char* valueName)>& storedText)
{
    ModemCallSettings settings;
    settings.ringbackGapTenths =
        ParseRingbackTimer(storedText(RingbackGapValueName)).value_or(settings.ringbackGapTenths);
    settings.ringbackWaitSeconds =
        ParseRingbackTimer(storedText(RingbackWaitValueName)).value_or(settings.ringbackWaitSeconds);
    settings.country = ParseCountryCode(storedText(ModemCountryValueName)).value_or(std::string());
    return settings;
}
