// What the Windows dialog's tests share: a message pump that waits on a condition, and the fakes
// of the shell actions and the modal prompts.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "winui/WinDialogPrompts.h"
#include "winui/IWinShellActions.h"

// Dispatches the thread's messages (through IsDialogMessageA for dialog) until done() holds or
// timeoutMs have passed; true when done() held. Sleeps only in MsgWaitForMultipleObjects.
bool PumpUntil(HWND dialog, const std::function<bool()>& done, DWORD timeoutMs);
// Dispatches what is queued now.
void PumpPending(HWND dialog);

class CFakeShell : public IWinShellActions {
public:
    void RunComPortDialog(HWND) override { ++comPortRuns; }
    void RunAboutBox(HWND) override { ++aboutRuns; }
    void ShowHelp(HWND, unsigned helpContext) override { helpContexts.push_back(helpContext); }
    int comPortRuns = 0;
    int aboutRuns = 0;
    std::vector<unsigned> helpContexts;
};

class CFakePrompts : public IWinDialogPrompts {
public:
    std::string GetSaveFileName(HWND) override { return savePath; }
    std::string GetOpenFileName(HWND) override { return openPath; }
    void ShowMessage(HWND, const std::string& text, const std::string&, MessageIcon) override
    {
        messages.push_back(text);
        if (whileOpen) {
            auto run = std::move(whileOpen);
            run(); // as a modal box's message loop would run
        }
    }
    // Runs once inside the next box, while it is open.
    std::function<void()> whileOpen;
    std::string savePath;
    std::string openPath;
    std::vector<std::string> messages;
};

// The mouse of the display, for a test that moves it: test programs that ctest runs side by side
// share the display, and take turns through a mutex of the Wine prefix.
class CMouseLock {
public:
    CMouseLock();
    ~CMouseLock();
    CMouseLock(const CMouseLock&) = delete;
    CMouseLock& operator=(const CMouseLock&) = delete;

private:
    HANDLE m_mutex;
    bool m_held = false;
};

// A folder of its own under the temporary folder, removed with its files at the end.
class CTempFolder {
public:
    CTempFolder();
    ~CTempFolder();
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;
    std::string File(const std::string& name) const { return m_path + "\\" + name; }

private:
    std::string m_path;
};
