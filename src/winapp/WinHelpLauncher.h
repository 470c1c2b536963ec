// Opens the user manual (manual\index.html beside the program, as the zip lays it out) with the
// program the system has for it. The opener is a parameter, so that a test need not start a browser.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

class CWinHelpLauncher {
public:
    // Opens a file; false when it could not be opened.
    using Opener = std::function<bool(HWND owner, const std::string& path)>;

    // The program's own folder and ShellExecuteA.
    CWinHelpLauncher();
    CWinHelpLauncher(std::string programFolder, Opener opener);

    // programFolder\manual\index.html when that file exists, else the empty text.
    std::string FindManual() const;
    // False when there is no manual or it could not be opened. The help context picks no page of
    // its own: the manual is one page, opened at its start.
    bool ShowHelp(HWND owner, unsigned helpContext) const;

    // The folder the running executable is in ("C:\Tools" for C:\Tools\pravel.exe).
    static std::string ProgramFolder();
    // ShellExecuteA "open", traced when it fails.
    static bool OpenWithShell(HWND owner, const std::string& path);

private:
    std::string m_folder;
    Opener m_opener;
};
