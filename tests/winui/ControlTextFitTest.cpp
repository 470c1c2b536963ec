// Every text of the main dialog is whole in its control as Windows draws it: the labels, the
// frames' titles, the check boxes, radio buttons and buttons, the choices of the combo boxes (in the
// text field beside the drop button) and the power texts of the status field. Measured with the
// dialog's own font ("MS Sans Serif" 8) on the dialog's device context.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "WinDialogHarness.h"
#include "form/MainDialogTemplate.h"
#include "model/DialogIds.h"
// windows.h names its own LoadStringA so; ours is the string table's.
#undef LoadString
#include "model/StringTable.h"
#include "winui/WinRemoteDlg.h"

namespace {

std::string WithoutMnemonic(const std::string& text)
{
    std::string shown;
    for (char c : text)
        if (c != '&')
            shown += c;
    return shown;
}

std::vector<std::string> Lines(const char* text)
{
    std::vector<std::string> lines;
    std::string line;
    for (const char* c = text;; ++c) {
        if (*c == '\n' || *c == '\0') {
            lines.push_back(line);
            line.clear();
            if (*c == '\0')
                break;
        } else {
            line += *c;
        }
    }
    return lines;
}

struct Fit {
    std::string text;
    int needed;    // pixels the text takes
    int available; // pixels the control gives it
};

class ControlTextFit : public ::testing::Test {
protected:
    void SetUp() override
    {
        dialog = std::make_unique<CWinRemoteDlg>(GetModuleHandleA(nullptr), &shell);
        hwnd = dialog->Create();
        ASSERT_NE(hwnd, nullptr);
        PumpPending(hwnd);
        dc = GetDC(hwnd);
        oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0)));
    }
    void TearDown() override
    {
        if (dc != nullptr) {
            SelectObject(dc, oldFont);
            ReleaseDC(hwnd, dc);
        }
        dialog.reset();
        PumpPending(nullptr);
    }
    int TextWidth(const std::string& text) const
    {
        SIZE size{};
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
        return size.cx;
    }
    int TextHeight() const
    {
        TEXTMETRICA metrics{};
        GetTextMetricsA(dc, &metrics);
        return metrics.tmHeight;
    }
    RECT Client(int id) const
    {
        RECT client{};
        GetClientRect(GetDlgItem(hwnd, id), &client);
        return client;
    }
    // The text field of a drop-down combo box: its box without the drop button, less the edit's
    // own margins.
    int ComboTextWidth(int id) const
    {
        COMBOBOXINFO info{};
        info.cbSize = sizeof(info);
        HWND combo = GetDlgItem(hwnd, id);
        if (!GetComboBoxInfo(combo, &info))
            return 0;
        LRESULT margins = SendMessageA(info.hwndItem, EM_GETMARGINS, 0, 0);
        return std::min(info.rcItem.right, info.rcButton.left) - info.rcItem.left - LOWORD(margins) -
               HIWORD(margins);
    }

    CFakeShell shell;
    std::unique_ptr<CWinRemoteDlg> dialog;
    HWND hwnd = nullptr;
    HDC dc = nullptr;
    HGDIOBJ oldFont = nullptr;
};

} // namespace

TEST_F(ControlTextFit, EveryLabelAndChoiceIsWhole)
{
    const int checkBox = GetSystemMetrics(SM_CXMENUCHECK) + 4; // the box and the gap before the text
    std::vector<Fit> fits;
    int labels = 0;
    for (int i = 0; i < MainDialogTemplate.controlCount; ++i) {
        const ControlTemplate& control = MainDialogTemplate.controls[i];
        const std::string text = WithoutMnemonic(control.text);
        // Labels and frames have no id of their own: the dialog's children are in template order.
        HWND item = GetWindow(hwnd, GW_CHILD);
        for (int n = 0; item != nullptr && n < i; ++n)
            item = GetWindow(item, GW_HWNDNEXT);
        ASSERT_NE(item, nullptr) << control.text;
        RECT client{};
        GetClientRect(item, &client);
        switch (control.kind) {
        case ControlKind::Label:
            ++labels;
            fits.push_back({text, TextWidth(text), client.right});
            EXPECT_GE(client.bottom, TextHeight()) << text;
            break;
        case ControlKind::GroupBox:
            if (!text.empty())
                fits.push_back({text, TextWidth(text), client.right - 2 * 8});
            break;
        case ControlKind::CheckBox:
        case ControlKind::RadioButton:
            if (!text.empty())
                fits.push_back({text, TextWidth(text), client.right - checkBox});
            break;
        case ControlKind::PushButton:
            fits.push_back({text, TextWidth(text), client.right - 2 * 3});
            break;
        case ControlKind::ComboBox:
        case ControlKind::ComboList:
            for (const std::string& choice : Lines(control.text))
                fits.push_back({choice, TextWidth(choice), ComboTextWidth(control.id)});
            break;
        default:
            break;
        }
    }
    // What the dialog writes into the power field.
    for (int id : {IDS_EXTERNAL_POWER, IDS_LINE_POWER})
        fits.push_back({LoadString(id), TextWidth(LoadString(id)), Client(IDC_POWER_STATUS).right - 2 * 2});

    EXPECT_GE(labels, 20);
    for (const Fit& fit : fits) {
        std::printf("%-26s %3d of %3d pixels\n", ("\"" + fit.text + "\"").c_str(), fit.needed, fit.available);
        EXPECT_LE(fit.needed, fit.available) << "\"" << fit.text << "\" is cut";
    }
}
