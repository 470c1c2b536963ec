// The settings in the registry: the default on a first run (the keys made, no value written), an
// empty or unreadable value, round trips as REG_SZ directly in the application key, names in
// other forms passed on unchanged, and the modem profile by name.
#include <gtest/gtest.h>

#include "TestRegistry.h"
#include "model/ModemProfile.h"
#include "support/TraceCapture.h"
#include "winapp/WinAppSettings.h"

TEST(WinAppSettings, FirstRunGivesCom1AndMakesTheKeysWithoutWritingAValue)
{
    TestRegistry registry("first");
    ASSERT_FALSE(registry.KeyExists());
    CWinAppSettings settings(registry.Application());
    EXPECT_EQ(settings.KeyPath(), registry.Path());
    EXPECT_EQ(settings.ReadComPort(), "com1");
    EXPECT_TRUE(registry.KeyExists());
    DWORD type = 0;
    std::string data;
    EXPECT_EQ(registry.Query("ComPort", &type, &data), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(settings.ReadModemProfile(), ModemProfile::Auto);
    EXPECT_EQ(registry.Query("ModemProfile", &type, &data), ERROR_FILE_NOT_FOUND);
}

TEST(WinAppSettings, NamesMakeTheRoundTripAsTextWithItsTerminatingZero)
{
    TestRegistry registry("round");
    CWinAppSettings settings(registry.Application());
    for (const std::string& name : {std::string("com3"), std::string("com10"), std::string("COM3"),
                                    std::string("com17"), std::string("x"), std::string(600, 'p')}) {
        SCOPED_TRACE(name.substr(0, 10));
        ASSERT_TRUE(settings.WriteComPort(name));
        EXPECT_EQ(settings.ReadComPort(), name);
        DWORD type = 0;
        std::string data;
        ASSERT_EQ(registry.Query("ComPort", &type, &data), ERROR_SUCCESS);
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(data, name + '\0');
    }
}

TEST(WinAppSettings, AnEmptyMissingOrUnreadableValueGivesCom1)
{
    TestRegistry registry("empty");
    CWinAppSettings settings(registry.Application());
    ASSERT_TRUE(registry.SetText("ComPort", ""));
    EXPECT_EQ(settings.ReadComPort(), "com1");
    // A number where a text belongs: traced, and the default.
    const DWORD number = 3;
    ASSERT_TRUE(registry.Set("ComPort", REG_DWORD, &number, sizeof number));
    {
        TraceCapture trace;
        EXPECT_EQ(settings.ReadComPort(), "com1");
        ASSERT_EQ(trace.Lines().size(), 1u);
        EXPECT_NE(trace.Lines()[0].find("ComPort"), std::string::npos);
    }
    // Reading writes nothing back.
    DWORD type = 0;
    std::string data;
    ASSERT_EQ(registry.Query("ComPort", &type, &data), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
}

TEST(WinAppSettings, ATextStoredWithoutItsTerminatingZeroIsReadWhole)
{
    TestRegistry registry("nozero");
    ASSERT_TRUE(registry.Set("ComPort", REG_SZ, "com4", 4));
    EXPECT_EQ(CWinAppSettings(registry.Application()).ReadComPort(), "com4");
}

TEST(WinAppSettings, TheModemProfileIsStoredByNameAndAutoForAnyOtherText)
{
    TestRegistry registry("profile");
    CWinAppSettings settings(registry.Application());
    for (ModemProfile profile : {ModemProfile::V253, ModemProfile::Hash, ModemProfile::Auto}) {
        ASSERT_TRUE(settings.WriteModemProfile(profile));
        EXPECT_EQ(settings.ReadModemProfile(), profile);
        DWORD type = 0;
        std::string data;
        ASSERT_EQ(registry.Query("ModemProfile", &type, &data), ERROR_SUCCESS);
        EXPECT_EQ(data, std::string(ModemProfileName(profile)) + '\0');
    }
    for (const char* stored : {"V253", "", "usr"}) {
        ASSERT_TRUE(registry.SetText("ModemProfile", stored));
        EXPECT_EQ(settings.ReadModemProfile(), ModemProfile::Auto) << stored;
    }
    // The port is a value of its own beside it.
    EXPECT_EQ(settings.ReadComPort(), "com1");
}

TEST(WinAppSettings, TheApplicationNameIsTheExecutablesBaseName)
{
    EXPECT_EQ(CWinAppSettings::ModuleBaseName(), "winapp_tests");
}
