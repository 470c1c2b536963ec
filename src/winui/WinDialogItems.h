// The dialog-item operations (form/DialogItems.h) over the controls of a Win32 dialog, by control
// id: GetDlgItemText and SetDlgItemText, IsDlgButtonChecked and CheckDlgButton, a combo box's
// CB_GETCURSEL and CB_SETCURSEL; and a window's text. A null dialog or an id that names no
// control reads "", false, -1 and takes nothing.
#pragma once

#include <windows.h>

#include <string>

#include "form/DialogTemplate.h"

std::string WindowText(HWND window);
std::string DialogItemText(HWND dialog, int id);
void SetDialogItemText(HWND dialog, int id, const std::string& text);
bool IsDialogButtonChecked(HWND dialog, int id);
void CheckDialogButton(HWND dialog, int id, bool checked);
int DialogComboSelection(HWND dialog, int id);
// An index outside the list selects nothing.
void SetDialogComboSelection(HWND dialog, int id, int index);
// The combo boxes of the template get their items, one a line of the control's text.
void FillDialogCombos(HWND dialog, const DialogTemplate& dialogTemplate);
