// Tooltips of a dialog from a table of (control, string) rows. Qt keeps one tooltip window for the
// whole program, so there is no tooltip window of our own to create or keep.
#pragma once

#include "form/TooltipTable.h"

class QWidget;

// Gives every control of the table that the dialog has its text. Rows naming no control of the
// dialog, and strings that do not load, are skipped. The texts show also while the dialog is not
// the active window.
void CreateTooltips(QWidget* dialog, TooltipEntry* table);
