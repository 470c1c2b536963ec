// Builds a dialog's widgets from one of our templates: every control placed and sized from dialog
// units in the dialog's font, given its kind's behaviour (digits-only edits, editable drop-down
// combos, radio groups, spin controls with their buddies, mnemonics of labels for the next
// control), and remembered by id. When the desktop's font runs wider than the template allows for,
// the average character width is rounded up (by whole pixels) until every caption fits. GetDlgItem finds a control of a
// built dialog by id.
#pragma once

#include <QList>
#include <map>

#include "form/DialogTemplate.h"
#include "ui/DialogUnits.h"

class QButtonGroup;
class QDialog;
class QWidget;

struct BuiltDialog {
    DialogBaseUnits units;
    std::map<int, QWidget*> controls; // by id; controls without an id are not listed
    QList<QButtonGroup*> radioGroups; // one per group of radio buttons
};

// Creates the controls as children of dialog (in template order, which is also the tab order),
// sets the caption and a fixed client size.
BuiltDialog BuildDialog(QDialog* dialog, const DialogTemplate& dialogTemplate);

// The control with this id among the dialog's children, or null.
QWidget* GetDlgItem(const QWidget* dialog, int id);
// The id a built control carries, or NoControlId.
int GetDlgCtrlId(const QWidget* control);
