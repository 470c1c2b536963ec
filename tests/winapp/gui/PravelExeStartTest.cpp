// pravel.exe --simulate as a user starts it (needs a display): its main dialog shows with the
// simulated unit's number filled in, and closing the dialog ends the program with status 0.
// Prints how long the dialog took to show from the program's start. pravel.exe FILE.oxl shows the
// file's values, or Load's message over the dialog for a file that is not one.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "TestFolder.h"
#include "files/ParameterFileSamples.h"
// windows.h names its own LoadStringA so; ours is the string table's.
#undef LoadString
#include "model/StringTable.h"

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

// A visible message box the dialog owns.
HWND BoxOwnedBy(HWND dialog)
{
    HWND box = nullptr;
    std::pair<HWND, HWND*> search(dialog, &box);
    ::EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* pair = reinterpret_cast<std::pair<HWND, HWND*>*>(param);
            if (::IsWindowVisible(hwnd) && ::GetWindow(hwnd, GW_OWNER) == pair->first) {
                *pair->second = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return box;
}

struct Started {
    PROCESS_INFORMATION process = {};
    HWND dialog = nullptr;
};

// Starts pravel.exe with the file given, as the "open" verb of the file's type would when
// PRAVEL_OPEN_COMMAND holds that verb's command (the installer's test), and waits for its dialog.
Started StartPravelWith(const std::string& file)
{
    Started started;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string command = "\"" + ProgramPath() + "\" \"%1\"";
    if (const char* verb = std::getenv("PRAVEL_OPEN_COMMAND"); verb != nullptr && *verb != '\0')
        command = verb;
    size_t at = command.find("%1");
    if (at != std::string::npos)
        command.replace(at, 2, file);
    if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &started.process))
        return started;
    WaitUntil([&] { return (started.dialog = VisibleDialogOf(started.process.dwProcessId)) != nullptr; },
              std::chrono::milliseconds(30000));
    return started;
}

// Closes the dialog; the exit status, or 99 when the program had to be ended.
DWORD CloseAndWait(Started& started)
{
    if (started.dialog != nullptr)
        ::PostMessageA(started.dialog, WM_CLOSE, 0, 0);
    DWORD status = 99;
    if (::WaitForSingleObject(started.process.hProcess, 30000) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(started.process.hProcess, &status);
    else
        ::TerminateProcess(started.process.hProcess, 99);
    ::CloseHandle(started.process.hThread);
    ::CloseHandle(started.process.hProcess);
    return status;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
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

TEST(PravelExeStart, AFileOnTheCommandLineIsLoadedIntoTheShownDialog)
{
    TestFolder folder("start-file");
    const std::string path = folder.Path() + "\\unit.oxl";
    WriteFile(path, ComposeImage(ImageFields()));
    Started started = StartPravelWith(path);
    ASSERT_NE(started.dialog, nullptr) << "no dialog of pravel.exe became visible";
    char number[64] = {};
    bool loaded = WaitUntil(
        [&] {
            ::GetDlgItemTextA(started.dialog, IDC_PHONE_NUMBER, number, sizeof number);
            return std::string(number) == "0123456789";
        },
        std::chrono::milliseconds(10000));
    EXPECT_TRUE(loaded) << "the dialog shows the number '" << number << "'";
    EXPECT_EQ(BoxOwnedBy(started.dialog), nullptr);
    EXPECT_EQ(CloseAndWait(started), 0u);
}

TEST(PravelExeStart, AFileThatIsNotOneGetsLoadsMessageOverTheDialog)
{
    TestFolder folder("start-bad-file");
    const std::string path = folder.Path() + "\\notes.oxl";
    WriteFile(path, std::vector<uint8_t>(200, 'x'));
    Started started = StartPravelWith(path);
    ASSERT_NE(started.dialog, nullptr) << "no dialog of pravel.exe became visible";
    HWND box = nullptr;
    EXPECT_TRUE(WaitUntil([&] { return (box = BoxOwnedBy(started.dialog)) != nullptr; },
                          std::chrono::milliseconds(10000)));
    if (box != nullptr) {
        char text[512] = {};
        ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        EXPECT_STREQ(text, LoadString(IDS_NOT_PRAVEL_FILE));
        ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        WaitUntil([&] { return !::IsWindow(box); }, std::chrono::milliseconds(10000));
    }
    char number[64] = {};
    ::GetDlgItemTextA(started.dialog, IDC_PHONE_NUMBER, number, sizeof number);
    EXPECT_STREQ(number, "");
    EXPECT_EQ(CloseAndWait(started), 0u);
}
