#include "winui/WinTooltips.h"

#include <commctrl.h>

#include <cstring>

// windows.h names its own LoadStringA so; ours is the string table's.
#undef LoadString
#include "model/StringTable.h"

namespace {

// Wide enough for the longest texts to wrap into a few lines.
constexpr int TipWidthPixels = 300;
// Long texts stay up long enough to be read.
constexpr int AutoPopMs = 20000;

RECT PlaceInDialog(HWND control, HWND dialog)
{
    RECT place;
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
    return place;
}

bool IsPushButton(HWND control)
{
    char windowClass[32] = {};
    GetClassNameA(control, windowClass, sizeof windowClass);
    const LONG type = GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK;
    return _stricmp(windowClass, "Button") == 0 && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON);
}

} // namespace

HWND CreateTooltips(HWND dialog, HINSTANCE instance, TooltipEntry* table)
{
    if (dialog == nullptr || table == nullptr)
        return nullptr;
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    HWND tips = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr, instance, nullptr);
    if (tips == nullptr)
        return nullptr;
    SendMessageA(tips, TTM_ACTIVATE, TRUE, 0);
    SetWindowPos(tips, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
    SendMessageA(tips, TTM_SETMAXTIPWIDTH, 0, TipWidthPixels);
    SendMessageA(tips, TTM_SETDELAYTIME, TTDT_AUTOPOP, AutoPopMs);

    for (TooltipEntry* row = table; row->controlId != 0; ++row) {
        row->toolMarker = 0;
        HWND control = GetDlgItem(dialog, row->controlId);
        if (control == nullptr)
            continue;
        TOOLINFOA tool{};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = dialog;
        tool.uId = reinterpret_cast<UINT_PTR>(control);
        tool.hinst = instance;
        const char* text = LoadString(static_cast<int>(row->stringId));
        tool.lpszText = const_cast<char*>(text);
        char windowClass[32] = {};
        GetClassNameA(control, windowClass, sizeof windowClass);
        LONG style = GetWindowLongA(control, GWL_STYLE);
        if (_stricmp(windowClass, "ComboBox") == 0 && (style & 3) == CBS_DROPDOWN) {
            if (HWND edit = GetWindow(control, GW_CHILD))
                tool.uId = reinterpret_cast<UINT_PTR>(edit);
        } else if (_stricmp(windowClass, "Static") == 0 ||
                   (_stricmp(windowClass, "Button") == 0 && (style & 0xF) == BS_GROUPBOX)) {
            // A rectangle of the dialog: statics and frames get no mouse messages of their own.
            RECT place = PlaceInDialog(control, dialog);
            if ((style & 0xF) == BS_GROUPBOX && _stricmp(windowClass, "Button") == 0) {
                HDC dc = GetDC(control);
                TEXTMETRICA metrics{};
                GetTextMetricsA(dc, &metrics);
                ReleaseDC(control, dc);
                place.bottom = place.top + metrics.tmHeight;
            }
            tool.uFlags = TTF_SUBCLASS;
            tool.uId = static_cast<UINT_PTR>(row->controlId);
            tool.rect = place;
        }
        SendMessageA(tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
        if (IsPushButton(control)) {
            // A disabled control gets no mouse messages: they go to the dialog beneath it. The
            // button's rectangle on the dialog shows the same text while the button is disabled.
            tool.uFlags = TTF_SUBCLASS;
            tool.uId = static_cast<UINT_PTR>(row->controlId);
            tool.rect = PlaceInDialog(control, dialog);
            SendMessageA(tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
        }
    }
    return tips;
}

int TooltipToolCount(HWND tooltips)
{
    return static_cast<int>(SendMessageA(tooltips, TTM_GETTOOLCOUNT, 0, 0));
}

std::string TooltipText(HWND tooltips, HWND dialog, int controlId)
{
    HWND control = GetDlgItem(dialog, controlId);
    if (tooltips == nullptr || control == nullptr)
        return std::string();
    char buffer[1024] = {};
    TOOLINFOA tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = dialog;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = buffer;
    SendMessageA(tooltips, TTM_GETTEXTA, sizeof buffer, reinterpret_cast<LPARAM>(&tool));
    return buffer;
}

int TooltipToolAt(HWND tooltips, HWND dialog, POINT point)
{
    if (tooltips == nullptr)
        return 0;
    TTHITTESTINFOA hit{};
    hit.hwnd = dialog;
    hit.pt = point;
    hit.ti.cbSize = sizeof(hit.ti);
    if (SendMessageA(tooltips, TTM_HITTESTA, 0, reinterpret_cast<LPARAM>(&hit)) == FALSE)
        return 0;
    return (hit.ti.uFlags & TTF_IDISHWND) != 0 ? GetDlgCtrlID(reinterpret_cast<HWND>(hit.ti.uId))
                                               : static_cast<int>(hit.ti.uId);
}
