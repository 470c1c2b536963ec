#include "model/ModemProfile.h"

#include <mutex>

namespace {
std::mutex g_lock;
ModemProfile g_profile = ModemProfile::Auto;
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
