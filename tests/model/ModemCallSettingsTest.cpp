// The ringback timers and the country code as typed or stored.
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "model/ModemProfile.h"

namespace {

TEST(ModemCallSettings, TimersAreWholeNumbersUpTo255)
{
    const std::pair<const char*, int> cases[] = {{"0", 0}, {"70", 70}, {"255", 255}, {"007", 7},
                                                 {"256", -1}, {"", -1}, {"-1", -1}, {"7.5", -1}, {"1000", -1}};
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(ParseRingbackTimer(text).value_or(-1), expected) << text;
}

TEST(ModemCallSettings, ACountryIsTwoHexDigitsKeptInCapitals)
{
    const std::pair<const char*, const char*> cases[] = {{"a5", "A5"}, {"B5", "B5"}, {"3c", "3C"}, {"", ""},
                                                         {"G5", nullptr}, {"A", nullptr}, {"A55", nullptr},
                                                         {"0x", nullptr}};
    for (const auto& [text, expected] : cases) {
        const std::optional<std::string> code = ParseCountryCode(text);
        if (expected == nullptr)
            EXPECT_FALSE(code.has_value()) << text;
        else
            EXPECT_EQ(code.value_or("?"), expected) << text;
    }
    ModemCallSettings settings;
    settings.country = "zz";
    SetModemCallSettings(settings);
    EXPECT_EQ(GetModemCallSettings().country, "") << "what is no code is not sent";
    settings.country = "a5";
    SetModemCallSettings(settings);
    EXPECT_EQ(GetModemCallSettings().country, "A5");
    SetModemCallSettings(ModemCallSettings{});
    EXPECT_EQ(GetModemCallSettings().ringbackGapTenths, 70);
    EXPECT_EQ(GetModemCallSettings().ringbackWaitSeconds, 10);
}

} // namespace

// What a settings store holds: absent or damaged values are the defaults, good ones are taken.
TEST(ModemCallSettings, FromAStoreDefaultsWhatIsAbsentOrNotValid)
{
    const std::map<std::string, std::string> stored = {{"RingbackGap", "90"}, {"RingbackWait", "abc"},
                                                       {"ModemCountry", "b5"}};
    const ModemCallSettings settings = ModemCallSettingsFromStore([&stored](const char* name) {
        auto found = stored.find(name);
        return found == stored.end() ? std::string() : found->second;
    });
    EXPECT_EQ(settings.ringbackGapTenths, 90);
    EXPECT_EQ(settings.ringbackWaitSeconds, ModemCallSettings{}.ringbackWaitSeconds);
    EXPECT_EQ(settings.country, "B5");
    const ModemCallSettings empty = ModemCallSettingsFromStore([](const char*) { return std::string(); });
    EXPECT_EQ(empty.ringbackGapTenths, 70);
    EXPECT_EQ(empty.country, "");
}
