// The Windows dialog's resource script against the control table: the checked-in
// src/winui/MainDialog.rc must be exactly what the writer makes of MainDialogTemplate, so that
// the native dialog cannot drift from the Qt one; and the writer's mapping of kinds and style bits.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "form/DialogResourceScript.h"
#include "form/MainDialogTemplate.h"

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The first line on which two texts differ, for a readable failure.
std::string FirstDifference(const std::string& expected, const std::string& actual)
{
    std::istringstream a(expected), b(actual);
    std::string la, lb;
    for (int line = 1;; ++line) {
        bool ha = static_cast<bool>(std::getline(a, la)), hb = static_cast<bool>(std::getline(b, lb));
        if (!ha && !hb)
            return "no difference";
        if (la != lb || ha != hb)
            return "line " + std::to_string(line) + ": expected \"" + (ha ? la : "<end>") + "\", file has \"" +
                   (hb ? lb : "<end>") + "\"";
    }
}

} // namespace

TEST(DialogResourceScript, CheckedInScriptIsWrittenFromTheTemplate)
{
    std::string checkedIn = ReadFile(PRAVEL_SOURCE_DIR "/src/winui/MainDialog.rc");
    ASSERT_FALSE(checkedIn.empty()) << "src/winui/MainDialog.rc is missing";
    std::string written = MainDialogResourceScript();
    EXPECT_EQ(written, checkedIn) << FirstDifference(written, checkedIn)
                                  << "\nrewrite it: cmake --build build --target rewrite_dialog_rc";
}

TEST(DialogResourceScript, EveryControlHasOneLineWithItsIdAndPlace)
{
    std::string script = MainDialogResourceScript();
    for (int i = 0; i < MainDialogTemplate.controlCount; ++i) {
        const ControlTemplate& c = MainDialogTemplate.controls[i];
        ControlResourceStyle style = ResourceStyle(c);
        bool combo = c.kind == ControlKind::ComboBox || c.kind == ControlKind::ComboList;
        std::string line = "    CONTROL " + ResourceStringLiteral(combo ? "" : c.text) + ", " + std::to_string(c.id) +
                           ", \"" + style.windowClass + "\", " + style.style + " | WS_CHILD | WS_VISIBLE, " +
                           std::to_string(c.x) + ", " + std::to_string(c.y) + ", " + std::to_string(c.w) + ", " +
                           std::to_string(c.h) + "\n";
        EXPECT_NE(script.find(line), std::string::npos) << "control " << i << " id " << c.id;
    }
}

TEST(DialogResourceScript, DialogHeaderCarriesCaptionSizeFontAndIcon)
{
    std::string script = MainDialogResourceScript();
    EXPECT_NE(script.find("\n102 DIALOGEX 0, 0, 400, 313\n"), std::string::npos);
    EXPECT_NE(script.find("\nCAPTION \"Pravel 1.09\"\n"), std::string::npos);
    EXPECT_NE(script.find("\nFONT 8, \"MS Sans Serif\""), std::string::npos);
    EXPECT_NE(script.find("STYLE DS_SETFONT | DS_MODALFRAME | DS_3DLOOK | WS_POPUP | WS_CAPTION | WS_SYSMENU\n"),
              std::string::npos);
    EXPECT_NE(script.find("\n128 ICON \"pravel.ico\"\n"), std::string::npos);
    // Windows-1252 resource text: the template keeps to ASCII, so no escape is written.
    EXPECT_EQ(script.find('\\'), std::string::npos);
}

struct StyleCase {
    ControlKind kind;
    uint32_t bits;
    const char* windowClass;
    const char* style;
};

class ResourceStyleTest : public ::testing::TestWithParam<StyleCase> {};

TEST_P(ResourceStyleTest, KindAndBitsGiveClassAndStyle)
{
    const StyleCase& c = GetParam();
    ControlTemplate control{1, c.kind, "x", 0, 0, 10, 10, c.bits};
    ControlResourceStyle style = ResourceStyle(control);
    EXPECT_STREQ(style.windowClass, c.windowClass);
    EXPECT_EQ(style.style, c.style);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ResourceStyleTest,
    ::testing::Values(
        StyleCase{ControlKind::GroupBox, StyleNone, "Button", "BS_GROUPBOX | WS_GROUP"},
        StyleCase{ControlKind::Label, StyleNone, "Static", "SS_LEFT | WS_GROUP"},
        StyleCase{ControlKind::Edit, StyleNone, "Edit", "ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP"},
        StyleCase{ControlKind::Edit, StyleDigitsOnly, "Edit",
                  "ES_LEFT | ES_AUTOHSCROLL | ES_NUMBER | WS_BORDER | WS_TABSTOP"},
        StyleCase{ControlKind::RadioButton, StyleGroup, "Button", "BS_AUTORADIOBUTTON | WS_TABSTOP | WS_GROUP"},
        StyleCase{ControlKind::RadioButton, StyleNone, "Button", "BS_AUTORADIOBUTTON"},
        StyleCase{ControlKind::CheckBox, StyleNone, "Button", "BS_AUTOCHECKBOX | WS_TABSTOP"},
        StyleCase{ControlKind::CheckBox, StyleGroup, "Button", "BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP"},
        StyleCase{ControlKind::ComboBox, StyleVScroll, "ComboBox",
                  "CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP"},
        StyleCase{ControlKind::ComboList, StyleSorted, "ComboBox", "CBS_DROPDOWNLIST | CBS_SORT | WS_TABSTOP"},
        StyleCase{ControlKind::UpDown, StyleArrowKeys | StyleSetBuddyInt, "msctls_updown32",
                  "UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS"},
        StyleCase{ControlKind::StatusField, StyleNone, "Static",
                  "SS_LEFTNOWORDWRAP | SS_SUNKEN | SS_NOPREFIX | SS_CENTERIMAGE"},
        StyleCase{ControlKind::Picture, StyleNone, "Static", "SS_BITMAP | SS_CENTERIMAGE"},
        StyleCase{ControlKind::PushButton, StyleDefaultButton, "Button", "BS_DEFPUSHBUTTON | WS_TABSTOP"},
        StyleCase{ControlKind::PushButton, StyleGroup, "Button", "BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP"}));

struct LiteralCase {
    const char* text;
    const char* literal;
};

class ResourceLiteralTest : public ::testing::TestWithParam<LiteralCase> {};

TEST_P(ResourceLiteralTest, TextBecomesLiteral)
{
    EXPECT_EQ(ResourceStringLiteral(GetParam().text), GetParam().literal);
}

INSTANTIATE_TEST_SUITE_P(Texts, ResourceLiteralTest,
                         ::testing::Values(LiteralCase{"", "\"\""}, LiteralCase{"&Read", "\"&Read\""},
                                           LiteralCase{"say \"hi\"", "\"say \"\"hi\"\"\""},
                                           LiteralCase{"a\\b", "\"a\\134b\""},
                                           LiteralCase{"caf\xe9", "\"caf\\351\""},
                                           LiteralCase{"two\nlines", "\"two\\012lines\""}));
