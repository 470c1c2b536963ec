#include "winui/WinDialogPrompts.h"

#include <commdlg.h>

#include "winui/WinMessagePresenter.h"

namespace {

std::string RunFileDialog(HWND owner, bool save)
{
    char path[MAX_PATH] = {};
    std::string filter = ParameterFileFilter();
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path;
    dialog.nMaxFile = sizeof path;
    dialog.lpstrDefExt = "oxl";
    if (save) {
        dialog.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
        if (!GetSaveFileNameA(&dialog))
            return std::string();
    } else {
        dialog.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_SHAREAWARE;
        if (!GetOpenFileNameA(&dialog))
            return std::string();
    }
    return path;
}

} // namespace

std::string ParameterFileFilter()
{
    std::string filter = "OXEL_Remote files (*.oxl)|*.oxl|All files (*.*)|*.*||";
    for (char& c : filter)
        if (c == '|')
            c = '\0';
    return filter;
}

std::string ApplicationName()
{
    char path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string name(path, length);
    size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.erase(dot);
    return name;
}

std::string CWinDialogPrompts::GetSaveFileName(HWND owner)
{
    return RunFileDialog(owner, true);
}

std::string CWinDialogPrompts::GetOpenFileName(HWND owner)
{
    return RunFileDialog(owner, false);
}

void CWinDialogPrompts::ShowMessage(HWND owner, const std::string& text, const std::string& caption, MessageIcon icon)
{
    MessageBoxA(owner, text.c_str(), caption.c_str(), MB_OK | MessageBoxIconStyle(icon));
}
