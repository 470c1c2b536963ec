// A picture of the dialog as Wine draws it on the X display, for a person to look at: the dialog
// is shown, painted, and copied from the screen into a .bmp (the test command turns it into
// build-win/screenshots/main-dialog.png). Also measures how long the dialog takes to start.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "WinDialogHarness.h"
#include "form/MainDialogTemplate.h"
#include "model/DialogIds.h"
#include "platform/MessagePresenter.h"
#include "winui/WinRemoteDlg.h"

namespace {

std::string WindowsPath(std::string path)
{
    if (!path.empty() && path[0] == '/')
        path = "Z:" + path;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

bool SaveBitmap(const std::string& path, HDC source, int x, int y, int width, int height)
{
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height; // bottom-up, as a .bmp file keeps it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr) {
        DeleteDC(memory);
        return false;
    }
    HGDIOBJ old = SelectObject(memory, bitmap);
    BOOL copied = BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
    GdiFlush();
    DWORD rowBytes = static_cast<DWORD>((width * 3 + 3) & ~3);
    DWORD imageBytes = rowBytes * static_cast<DWORD>(height);
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42; // "BM"
    header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    header.bfSize = header.bfOffBits + imageBytes;
    bool saved = false;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (copied && file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        saved = WriteFile(file, &header, sizeof header, &written, nullptr) &&
                WriteFile(file, &info.bmiHeader, sizeof info.bmiHeader, &written, nullptr) &&
                WriteFile(file, bits, imageBytes, &written, nullptr);
    }
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    return saved;
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

} // namespace

// The screen around the dialog and a window shown over it (a tip), into folder\name.bmp.
bool SaveScreen(const std::string& name, HWND hwnd, HWND over)
{
    RECT place, tip;
    GetWindowRect(hwnd, &place);
    if (over != nullptr && GetWindowRect(over, &tip))
        UnionRect(&place, &place, &tip);
    std::string folder = WindowsPath(PRAVEL_SCREENSHOT_DIR);
    CreateDirectoryA(folder.c_str(), nullptr);
    HDC screen = GetDC(nullptr);
    bool saved = SaveBitmap(folder + "\\" + name + ".bmp", screen, place.left, place.top, place.right - place.left,
                            place.bottom - place.top);
    ReleaseDC(nullptr, screen);
    return saved;
}

TEST(Screenshot, MainDialog)
{
    CFakeShell shell;
    LARGE_INTEGER start, shown;
    QueryPerformanceCounter(&start);
    CWinRemoteDlg dialog(GetModuleHandleA(nullptr), &shell);
    dialog.SetInitialNumber("5550100");
    HWND hwnd = dialog.Create();
    ASSERT_NE(hwnd, nullptr);
    SetWindowPos(hwnd, HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE);
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd); // WM_PAINT of the dialog and its controls done
    QueryPerformanceCounter(&shown);
    FILETIME created, exited, kernel, user, now;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER c{{created.dwLowDateTime, created.dwHighDateTime}}, n{{now.dwLowDateTime, now.dwHighDateTime}};
    std::printf("dialog start: %.1f ms from CreateDialog to painted; %.1f ms from process start\n",
                Milliseconds(start, shown), static_cast<double>(n.QuadPart - c.QuadPart) / 10000.0);
    EXPECT_EQ(dialog.GetItemText(IDC_PHONE_NUMBER), "5550100");

    // Wine draws on the X display as messages are handled: let the queue run dry first.
    PumpPending(hwnd);
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    PumpPending(hwnd);
    RECT place;
    GetWindowRect(hwnd, &place);
    std::string folder = WindowsPath(PRAVEL_SCREENSHOT_DIR);
    CreateDirectoryA(folder.c_str(), nullptr);
    HDC screen = GetDC(nullptr);
    bool saved = SaveBitmap(folder + "\\main-dialog.bmp", screen, place.left, place.top, place.right - place.left,
                            place.bottom - place.top);
    ReleaseDC(nullptr, screen);
    EXPECT_TRUE(saved) << folder;
    EXPECT_GT(place.right - place.left, 400);
}

// A two-line message in the status line, and the tip of the disabled Read button under the mouse.
TEST(Screenshot, StatusLineAndDisabledButtonTip)
{
    CFakeShell shell;
    CFakePrompts prompts;
    CWinRemoteDlg dialog(GetModuleHandleA(nullptr), &shell);
    dialog.SetPrompts(&prompts);
    HWND hwnd = dialog.Create();
    ASSERT_NE(hwnd, nullptr);
    SetWindowPos(hwnd, HWND_TOPMOST, 20, 20, 0, 0, SWP_NOSIZE); // no other test's window over it
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
    ShowMessageBox("Can't open serial port com3\nThe device does not exist.", "Pravel", MessageIcon::Error);
    PumpPending(hwnd);
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    PumpPending(hwnd);
    EXPECT_TRUE(SaveScreen("status-line", hwnd, nullptr));
    CMouseLock mouse;
    RECT read;
    GetWindowRect(GetDlgItem(hwnd, ID_READ), &read);
    POINT centre{(read.left + read.right) / 2, (read.top + read.bottom) / 2};
    SetCursorPos(centre.x, centre.y);
    POINT inDialog = centre;
    ScreenToClient(hwnd, &inDialog);
    PostMessageA(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(inDialog.x, inDialog.y));
    HWND tips = dialog.Tooltips();
    ASSERT_TRUE(PumpUntil(hwnd, [tips] { return IsWindowVisible(tips) != FALSE; }, 5000));
    PumpPending(hwnd);
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    PumpPending(hwnd);
    EXPECT_TRUE(SaveScreen("disabled-read-tip", hwnd, tips));
}
