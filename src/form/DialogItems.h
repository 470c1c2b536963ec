// The dialog-item operations the parameter loops need, addressed by control id as the dialog's
// controls are: the text of an item, check a button, is it checked, select a combo index.
// The Qt dialog implements them over its widgets; DialogItemModel keeps them in memory for
// pravel-cli and for tests. An id that names no such control is ignored (reads give "", false, -1).
#pragma once

#include <string>

class IDialogItems {
public:
    virtual ~IDialogItems() = default;

    // Edit controls and status fields.
    virtual std::string GetItemText(int id) const = 0;
    virtual void SetItemText(int id, const std::string& text) = 0;
    // Check boxes, update boxes and radio buttons.
    virtual bool IsButtonChecked(int id) const = 0;
    virtual void CheckButton(int id, bool checked) = 0;
    // Combo boxes: the selected index, -1 for none. An index outside the list selects nothing.
    virtual int GetComboSelection(int id) const = 0;
    virtual void SetComboSelection(int id, int index) = 0;
};

// Checks radio button id and unchecks the others of first..last.
void CheckRadioButton(IDialogItems& items, int first, int last, int id);
