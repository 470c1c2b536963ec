// The dialog's tooltips with the common tooltip control: one window tool per row of the table
// whose control the dialog has (subclassed, so the control's mouse moves reach the tooltip), the
// texts from the string table, wide enough for the long ones to wrap onto several lines.
#pragma once

#include <windows.h>

#include <string>

#include "form/TooltipTable.h"

// Creates the tooltip window for dialog (nullptr when it cannot); the window belongs to the
// dialog and ends with it. Rows whose control is missing are skipped.
HWND CreateTooltips(HWND dialog, HINSTANCE instance, TooltipEntry* table);
// The number of tools the tooltip window holds.
int TooltipToolCount(HWND tooltips);
// The text of the tool for control id (empty when it has none).
std::string TooltipText(HWND tooltips, HWND dialog, int controlId);
