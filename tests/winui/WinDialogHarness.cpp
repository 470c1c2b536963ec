#include "WinDialogHarness.h"

bool PumpUntil(HWND dialog, const std::function<bool()>& done, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        PumpPending(dialog);
        if (done())
            return true;
        DWORD spent = GetTickCount() - start;
        if (spent >= timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - spent, QS_ALLINPUT);
    }
}

void PumpPending(HWND dialog)
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (dialog != nullptr && IsWindow(dialog) && IsDialogMessageA(dialog, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

CMouseLock::CMouseLock() : m_mutex(CreateMutexA(nullptr, FALSE, "pravel-tests-mouse"))
{
    // An abandoned mutex (a test that crashed holding it) is ours all the same.
    if (m_mutex != nullptr) {
        DWORD waited = WaitForSingleObject(m_mutex, 60000);
        m_held = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    }
}

CMouseLock::~CMouseLock()
{
    if (m_held)
        ReleaseMutex(m_mutex);
    if (m_mutex != nullptr)
        CloseHandle(m_mutex);
}

CTempFolder::CTempFolder()
{
    char base[MAX_PATH] = {};
    GetTempPathA(sizeof base, base);
    char name[MAX_PATH] = {};
    GetTempFileNameA(base, "pwu", 0, name); // makes a file; the folder takes its name
    DeleteFileA(name);
    CreateDirectoryA(name, nullptr);
    m_path = name;
}

CTempFolder::~CTempFolder()
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((m_path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name != "." && name != "..")
                DeleteFileA((m_path + "\\" + name).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(m_path.c_str());
}
