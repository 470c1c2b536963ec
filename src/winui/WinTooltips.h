// The dialog's tooltips with the common tooltip control: one window tool per row of the table
// whose control the dialog has (subclassed, so the control's mouse moves reach the tooltip), the
// texts from the string table, wide enough for the long ones to wrap onto several lines. A push
// button also gets a rectangle tool of the dialog over its place: a disabled button gets no mouse
// messages (the dialog does), and its tip shows all the same.
#pragma once

#include <windows.h>

#include <string>

#include "form/TooltipTable.h"

// Creates the tooltip window for dialog (nullptr when it cannot); the window belongs to the
// dialog and ends with it. Rows whose control is missing are skipped.
HWND CreateTooltips(HWND dialog, HINSTANCE instance, TooltipEntry* table);
// The number of tools the tooltip window holds (a push button's row has two).
int TooltipToolCount(HWND tooltips);
// The text of the tool for control id (empty when it has none).
std::string TooltipText(HWND tooltips, HWND dialog, int controlId);
// The control id of the tool found at point (the dialog's client coordinates) as the tooltip finds
// it for a mouse move over the dialog itself; 0 when none.
int TooltipToolAt(HWND tooltips, HWND dialog, POINT point);
