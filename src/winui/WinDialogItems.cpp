#include "winui/WinDialogItems.h"

#include <vector>

std::string WindowText(HWND window)
{
    if (window == nullptr)
        return std::string();
    int length = GetWindowTextLengthA(window);
    if (length <= 0)
        return std::string();
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    int got = GetWindowTextA(window, buffer.data(), length + 1);
    return std::string(buffer.data(), static_cast<size_t>(got > 0 ? got : 0));
}

std::string DialogItemText(HWND dialog, int id)
{
    return dialog == nullptr ? std::string() : WindowText(GetDlgItem(dialog, id));
}

void SetDialogItemText(HWND dialog, int id, const std::string& text)
{
    if (dialog != nullptr && GetDlgItem(dialog, id) != nullptr)
        SetDlgItemTextA(dialog, id, text.c_str());
}

bool IsDialogButtonChecked(HWND dialog, int id)
{
    return dialog != nullptr && IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

void CheckDialogButton(HWND dialog, int id, bool checked)
{
    if (dialog != nullptr && GetDlgItem(dialog, id) != nullptr)
        CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

int DialogComboSelection(HWND dialog, int id)
{
    HWND combo = dialog == nullptr ? nullptr : GetDlgItem(dialog, id);
    if (combo == nullptr)
        return -1;
    LRESULT index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? -1 : static_cast<int>(index);
}

void SetDialogComboSelection(HWND dialog, int id, int index)
{
    HWND combo = dialog == nullptr ? nullptr : GetDlgItem(dialog, id);
    if (combo == nullptr)
        return;
    LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    SendMessageA(combo, CB_SETCURSEL, index >= 0 && index < count ? static_cast<WPARAM>(index) : static_cast<WPARAM>(-1),
                 0);
}

void FillDialogCombos(HWND dialog, const DialogTemplate& dialogTemplate)
{
    // The combo boxes' items from the control table, one a line.
    for (int i = 0; i < dialogTemplate.controlCount; ++i) {
        const ControlTemplate& control = dialogTemplate.controls[i];
        HWND combo = GetDlgItem(dialog, control.id);
        if ((control.kind != ControlKind::ComboBox && control.kind != ControlKind::ComboList) || combo == nullptr)
            continue;
        const std::string items = control.text;
        for (size_t start = 0; start < items.size();) {
            size_t end = items.find('\n', start);
            std::string item = items.substr(start, end == std::string::npos ? std::string::npos : end - start);
            SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
            start = end == std::string::npos ? items.size() : end + 1;
        }
    }
}
