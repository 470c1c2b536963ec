#include "form/DialogResourceScript.h"

#include <cstdio>

#include "form/MainDialogTemplate.h"

namespace {

void AddStyle(std::string& style, const char* bit)
{
    if (!style.empty())
        style += " | ";
    style += bit;
}

} // namespace

ControlResourceStyle ResourceStyle(const ControlTemplate& control)
{
    ControlResourceStyle result{"Static", std::string()};
    std::string& style = result.style;
    bool group = (control.style & StyleGroup) != 0;
    switch (control.kind) {
    case ControlKind::GroupBox:
        result.windowClass = "Button";
        AddStyle(style, "BS_GROUPBOX");
        group = true;
        break;
    case ControlKind::Label:
        AddStyle(style, "SS_LEFT");
        group = true;
        break;
    case ControlKind::Edit:
        result.windowClass = "Edit";
        AddStyle(style, "ES_LEFT | ES_AUTOHSCROLL");
        if ((control.style & StyleDigitsOnly) != 0)
            AddStyle(style, "ES_NUMBER");
        AddStyle(style, "WS_BORDER | WS_TABSTOP");
        break;
    case ControlKind::RadioButton:
        result.windowClass = "Button";
        AddStyle(style, "BS_AUTORADIOBUTTON");
        // Tab reaches the group at its first button; the arrows move inside it.
        if (group)
            AddStyle(style, "WS_TABSTOP");
        break;
    case ControlKind::CheckBox:
        result.windowClass = "Button";
        AddStyle(style, "BS_AUTOCHECKBOX | WS_TABSTOP");
        break;
    case ControlKind::ComboBox:
    case ControlKind::ComboList:
        result.windowClass = "ComboBox";
        AddStyle(style, control.kind == ControlKind::ComboBox ? "CBS_DROPDOWN | CBS_AUTOHSCROLL" : "CBS_DROPDOWNLIST");
        if ((control.style & StyleSorted) != 0)
            AddStyle(style, "CBS_SORT");
        if ((control.style & StyleVScroll) != 0)
            AddStyle(style, "WS_VSCROLL");
        AddStyle(style, "WS_TABSTOP");
        break;
    case ControlKind::UpDown:
        result.windowClass = "msctls_updown32";
        // The buddy is the control before it in the template, which is the one before it in Z order.
        AddStyle(style, "UDS_ALIGNRIGHT | UDS_AUTOBUDDY");
        if ((control.style & StyleSetBuddyInt) != 0)
            AddStyle(style, "UDS_SETBUDDYINT");
        if ((control.style & StyleArrowKeys) != 0)
            AddStyle(style, "UDS_ARROWKEYS");
        AddStyle(style, "UDS_NOTHOUSANDS");
        break;
    case ControlKind::StatusField:
        AddStyle(style, "SS_LEFTNOWORDWRAP | SS_SUNKEN | SS_NOPREFIX | SS_CENTERIMAGE");
        break;
    case ControlKind::Picture:
        // The dialog puts the bitmap in, sized to the control; it keeps its place and size.
        AddStyle(style, "SS_BITMAP | SS_CENTERIMAGE");
        break;
    case ControlKind::PushButton:
        result.windowClass = "Button";
        AddStyle(style, (control.style & StyleDefaultButton) != 0 ? "BS_DEFPUSHBUTTON" : "BS_PUSHBUTTON");
        AddStyle(style, "WS_TABSTOP");
        break;
    }
    if (group)
        AddStyle(style, "WS_GROUP");
    return result;
}

std::string ResourceStringLiteral(const char* text)
{
    std::string literal = "\"";
    for (const char* c = text; *c != '\0'; ++c) {
        unsigned char byte = static_cast<unsigned char>(*c);
        if (byte == '"') {
            literal += "\"\"";
        } else if (byte == '\\' || byte < 0x20 || byte >= 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\%03o", byte);
            literal += escaped;
        } else {
            literal += static_cast<char>(byte);
        }
    }
    return literal + "\"";
}

std::string DialogResourceScript(const DialogTemplate& dialog, const ResourceScriptIcon& icon,
                                 const std::string& generatedFrom, const ResourceScriptBitmap& bitmap)
{
    std::string rc;
    rc += "// Written by pravel-rc-writer from " + generatedFrom + "; do not edit by hand.\n";
    rc += "// Rewrite it with: cmake --build build --target rewrite_dialog_rc\n";
    rc += "#include <windows.h>\n#include <commctrl.h>\n\n";
    if (icon.id != 0)
        rc += std::to_string(icon.id) + " ICON " + ResourceStringLiteral(icon.file.c_str()) + "\n\n";
    if (bitmap.id != 0)
        rc += std::to_string(bitmap.id) + " BITMAP " + ResourceStringLiteral(bitmap.file.c_str()) + "\n\n";
    char line[256];
    std::snprintf(line, sizeof line, "%d DIALOGEX 0, 0, %d, %d\n", dialog.resourceId, dialog.width, dialog.height);
    rc += line;
    rc += "STYLE DS_SETFONT | DS_MODALFRAME | DS_3DLOOK | WS_POPUP | WS_CAPTION | WS_SYSMENU\n";
    rc += "EXSTYLE WS_EX_APPWINDOW\n";
    rc += "CAPTION " + ResourceStringLiteral(dialog.caption) + "\n";
    rc += "FONT 8, \"MS Sans Serif\", 0, 0, 0x1\n";
    rc += "BEGIN\n";
    for (int i = 0; i < dialog.controlCount; ++i) {
        const ControlTemplate& control = dialog.controls[i];
        ControlResourceStyle style = ResourceStyle(control);
        bool combo = control.kind == ControlKind::ComboBox || control.kind == ControlKind::ComboList;
        std::string text = ResourceStringLiteral(combo ? "" : control.text);
        std::snprintf(line, sizeof line, ", %d, \"%s\", ", control.id, style.windowClass);
        rc += "    CONTROL " + text + line + style.style + " | WS_CHILD | WS_VISIBLE";
        std::snprintf(line, sizeof line, ", %d, %d, %d, %d\n", control.x, control.y, control.w, control.h);
        rc += line;
    }
    rc += "END\n";
    return rc;
}

std::string MainDialogResourceScript()
{
    return DialogResourceScript(MainDialogTemplate, ResourceScriptIcon{IDR_MAINFRAME, "pravel.ico"},
                                "src/form/MainDialogTemplate.cpp", ResourceScriptBitmap{IDB_LOGO, "logo.bmp"});
}
