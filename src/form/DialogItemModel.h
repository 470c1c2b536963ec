// The main dialog's controls kept in memory: for pravel-cli, which runs the dialog's rules without
// a window, and for tests. Knows every control of the main dialog; other ids are ignored.
#pragma once

#include <map>

#include "form/DialogItems.h"

class CDialogItemModel : public IDialogItems {
public:
    // Every control empty, unchecked and unselected, as the controls are before initialisation.
    CDialogItemModel();

    std::string GetItemText(int id) const override;
    void SetItemText(int id, const std::string& text) override;
    bool IsButtonChecked(int id) const override;
    void CheckButton(int id, bool checked) override;
    int GetComboSelection(int id) const override;
    void SetComboSelection(int id, int index) override;

private:
    std::map<int, std::string> m_texts;
    std::map<int, bool> m_buttons;
    std::map<int, int> m_combos;
};
