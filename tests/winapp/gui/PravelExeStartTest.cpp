// pravel.exe --simulate as a user starts it (needs a display): its main dialog shows with the
// simulated unit's number filled in, and closing the dialog ends the program with status 0.
// Prints how long the dialog took to show from the program's start.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "support/WaitUntil.h"
#include "model/DialogIds.h"

namespace {

std::string ProgramPath()
{
    char path[MAX_PATH];
    DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    folder.erase(folder.find_last_of('\\'));
    return folder + "\\..\\bin\\pravel.exe";
}

struct Search {
    DWORD process;
    HWND found;
};

BOOL CALLBACK FindVisibleDialog(HWND hwnd, LPARAM param)
{
    auto* search = reinterpret_cast<Search*>(param);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(hwnd, &owner);
    char className[32] = {};
    ::GetClassNameA(hwnd, className, sizeof className);
    if (owner == search->process && ::IsWindowVisible(hwnd) && std::string(className) == "#32770") {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND VisibleDialogOf(DWORD process)
{
    Search search = {process, nullptr};
    ::EnumWindows(FindVisibleDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace

TEST(PravelExeStart, SimulateShowsTheMainDialogWithTheSimulatedNumberAndClosingEndsTheProgram)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    std::string command = "\"" + ProgramPath() + "\" --simulate";
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                 &process))
        << command;
    HWND dialog = nullptr;
    bool shown = WaitUntil([&] { return (dialog = VisibleDialogOf(process.dwProcessId)) != nullptr; },
                           std::chrono::milliseconds(30000));
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    if (shown) {
        std::printf("pravel.exe --simulate: main dialog shown %lld ms after the program's start\n",
                    static_cast<long long>(elapsed.count()));
        char number[64] = {};
        ::GetDlgItemTextA(dialog, IDC_PHONE_NUMBER, number, sizeof number);
        EXPECT_STREQ(number, "5550100");
        ::PostMessageA(dialog, WM_CLOSE, 0, 0);
    }
    DWORD waited = ::WaitForSingleObject(process.hProcess, 30000);
    DWORD status = 0xFFFFFFFF;
    if (waited == WAIT_OBJECT_0)
        ::GetExitCodeProcess(process.hProcess, &status);
    else
        ::TerminateProcess(process.hProcess, 99);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    EXPECT_TRUE(shown) << "no dialog of pravel.exe became visible";
    EXPECT_EQ(waited, WAIT_OBJECT_0) << "pravel.exe did not end when its dialog was closed";
    EXPECT_EQ(status, 0u);
}
