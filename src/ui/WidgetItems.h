// The dialog-item operations (form/DialogItems.h) over one Qt widget: the text of an edit, a label,
// a combo's text field or a button; the check of a button (a radio button of an exclusive group
// may also be cleared); a combo's selection. Texts are 8-bit, one byte per character, shown and
// typed as Windows-1252. A widget of another kind, or none, reads "", false, -1 and takes nothing.
#pragma once

#include <string>

class QWidget;

std::string WidgetText(const QWidget* item);
void SetWidgetText(QWidget* item, const std::string& text);
bool IsWidgetChecked(const QWidget* item);
void CheckWidget(QWidget* item, bool checked);
int WidgetComboSelection(const QWidget* item);
// An index outside the list selects nothing.
void SetWidgetComboSelection(QWidget* item, int index);
// An edit's length limit (its validator's).
void LimitWidgetText(QWidget* item, int limit);
