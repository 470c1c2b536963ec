// CWinRemoteApp: pravel.exe's start-up. Reads the stored port name and modem profile, runs the
// main dialog modally and ends when it closes (stopping a job that still runs, so that the line is
// hung up). With --simulate the port is a memory line to the simulator inside the program, for
// this run only, and the dialog opens with the simulated unit's number.
//
// User-interface thread only; one per process.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "winapp/WinAppSettings.h"

class CSimulator;

class CWinRemoteApp {
public:
    // The settings under the application name given (the executable's base name in the program).
    CWinRemoteApp(HINSTANCE instance, std::string applicationName);
    ~CWinRemoteApp();
    CWinRemoteApp(const CWinRemoteApp&) = delete;
    CWinRemoteApp& operator=(const CWinRemoteApp&) = delete;

    // Runs the program with the arguments after its name; the process's exit status.
    int InitInstance(const std::vector<std::string>& arguments);

    const CWinAppSettings& Settings() const { return m_settings; }

    // Loads ComPortName ("com1" when none or an empty one is stored) and the modem profile.
    void LoadSettings();
    // Starts the simulator on a memory line and makes it this run's port; false with a message.
    bool StartSimulator(std::string* error);

private:
    // Text to standard output or standard error: to the console the program was started from, or
    // to where they were sent; a message box when there is neither.
    void Report(const std::string& text, bool isError) const;

    HINSTANCE m_instance;
    CWinAppSettings m_settings;
    std::unique_ptr<CSimulator> m_simulator;
};
