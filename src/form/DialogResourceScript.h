// Writes a dialog template as the text of a Windows resource script (.rc): one DIALOGEX with the
// caption, the font, the window styles and a CONTROL line per control, its window class and
// styles from its kind and style bits, and its place in dialog units. The native Windows dialog is
// compiled from this text, so its ids, texts and positions are those the Qt dialog is built from.
#pragma once

#include <string>

#include "form/DialogTemplate.h"

struct ResourceScriptIcon {
    int id = 0;       // 0: no icon resource
    std::string file; // as windres finds it, e.g. "pravel.ico"
};

struct ResourceScriptBitmap {
    int id = 0;       // 0: no bitmap resource
    std::string file; // as windres finds it, e.g. "logo.bmp"
};

// The window class and style expression of one control, as written in its CONTROL line.
struct ControlResourceStyle {
    const char* windowClass;
    std::string style; // e.g. "BS_AUTOCHECKBOX | WS_TABSTOP"
};
ControlResourceStyle ResourceStyle(const ControlTemplate& control);

// A text as a resource-script string literal: quotes doubled, backslashes and bytes outside
// printable ASCII written as octal escapes.
std::string ResourceStringLiteral(const char* text);

// The whole script: a header naming generator, the includes it needs, the icon, the bitmap, the
// dialog. Combo box items are not written: the dialog fills the lists from the template when it
// starts.
std::string DialogResourceScript(const DialogTemplate& dialog, const ResourceScriptIcon& icon,
                                 const std::string& generatedFrom, const ResourceScriptBitmap& bitmap = {});

// The main dialog's script: MainDialogTemplate with the program icon (resource 128, pravel.ico)
// and the logo (bitmap 129, logo.bmp, drawn by pravel-logo-writer).
constexpr int IDR_MAINFRAME = 128;
constexpr int IDB_LOGO = 129;
std::string MainDialogResourceScript();
