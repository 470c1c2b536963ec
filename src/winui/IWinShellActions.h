// IWinShellActions: what the native main dialog asks of the program around it (the port dialog, the
// About box, the help). The interface only; pravel.exe's implementation is winapp/WinShellActions.h,
// the dialog's tests give their own.
#pragma once
#include <windows.h>
class IWinShellActions {
public:
    virtual ~IWinShellActions() = default;
    virtual void RunComPortDialog(HWND owner) = 0;
    virtual void RunAboutBox(HWND owner) = 0;
    virtual void ShowHelp(HWND owner, unsigned helpContext) = 0; // 0x20000 + dialog id
};
