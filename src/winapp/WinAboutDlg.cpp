#include "winapp/WinAboutDlg.h"

#include "WinAppVersion.h"
#include "diag/Trace.h"
#include "winapp/WinAppIds.h"

namespace {

// The program's icon is its first icon group, whatever its id; the system's application icon when
// it has none.
BOOL CALLBACK TakeFirstIconName(HMODULE, LPCSTR, LPSTR name, LONG_PTR param)
{
    *reinterpret_cast<LPSTR*>(param) = name;
    return FALSE;
}

HICON ProgramIcon(HINSTANCE instance)
{
    LPSTR name = nullptr;
    ::EnumResourceNamesA(instance, RT_GROUP_ICON, TakeFirstIconName, reinterpret_cast<LONG_PTR>(&name));
    HICON icon = name != nullptr ? ::LoadIconA(instance, name) : nullptr;
    return icon != nullptr ? icon : ::LoadIconA(nullptr, IDI_APPLICATION);
}

} // namespace

const char* CWinAboutDlg::VersionText()
{
    return "Pravel Version " PRAVEL_VERSION_TEXT;
}

INT_PTR CWinAboutDlg::DoModal(HWND owner)
{
    INT_PTR result = ::DialogBoxParamA(m_instance, MAKEINTRESOURCEA(IDD_WIN_ABOUTBOX), owner, DialogProc,
                                       reinterpret_cast<LPARAM>(this));
    if (result == -1 || result == 0)
        TRACE_LAST_ERROR(::GetLastError(), "About box: DialogBoxParamA: ");
    return result == 0 ? -1 : result;
}

INT_PTR CALLBACK CWinAboutDlg::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        auto* dialog = reinterpret_cast<CWinAboutDlg*>(lParam);
        ::SendDlgItemMessageA(hwnd, IDC_WIN_ABOUT_ICON, STM_SETICON,
                              reinterpret_cast<WPARAM>(ProgramIcon(dialog->m_instance)), 0);
        ::SetDlgItemTextA(hwnd, IDC_WIN_ABOUT_VERSION, VersionText());
        if (dialog->m_initHook)
            dialog->m_initHook(hwnd);
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            ::EndDialog(hwnd, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}
