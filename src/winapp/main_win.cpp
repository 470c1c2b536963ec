// pravel.exe: the desktop program on Windows (see winapp/WinRemoteApp.h and WinAppOptions.h).
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "winapp/WinAppSettings.h"
#include "winapp/WinRemoteApp.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    std::vector<std::string> arguments;
    for (int i = 1; i < __argc; ++i)
        arguments.emplace_back(__argv[i]);
    CWinRemoteApp theApp(instance, CWinAppSettings::ModuleBaseName());
    return theApp.InitInstance(arguments);
}
