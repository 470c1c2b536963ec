#include "winapp/WinStartFilePrompts.h"

#include <utility>

#include "form/MainDialogTemplate.h"
#include "winui/WinRemoteDlg.h"

namespace {

CWinRemoteDlg* g_dialogToLoad = nullptr;

// WM_TIMER comes after the paint messages, so the dialog has been drawn when Load runs. A dialog
// that is not visible yet is asked again at the next tick.
void CALLBACK PressLoadOnceVisible(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND dialog = g_dialogToLoad != nullptr ? g_dialogToLoad->Handle() : nullptr;
    if (dialog == nullptr || !::IsWindowVisible(dialog))
        return;
    ::KillTimer(nullptr, timer);
    g_dialogToLoad = nullptr;
    ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_LOAD, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDC_LOAD)));
}

} // namespace

std::string CWinStartFilePrompts::GetOpenFileName(HWND owner)
{
    if (m_path.empty())
        return m_wrapped->GetOpenFileName(owner);
    return std::exchange(m_path, std::string());
}

void LoadWhenShown(CWinRemoteDlg* dialog)
{
    g_dialogToLoad = dialog;
    ::SetTimer(nullptr, 0, 10, PressLoadOnceVisible);
}
