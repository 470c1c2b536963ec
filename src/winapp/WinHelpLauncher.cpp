#include "winapp/WinHelpLauncher.h"

#include <shellapi.h>

#include <utility>
#include <vector>

#include "diag/Trace.h"

CWinHelpLauncher::CWinHelpLauncher() : CWinHelpLauncher(ProgramFolder(), OpenWithShell) {}

CWinHelpLauncher::CWinHelpLauncher(std::string programFolder, Opener opener)
    : m_folder(std::move(programFolder)), m_opener(std::move(opener))
{
}

std::string CWinHelpLauncher::ProgramFolder()
{
    std::vector<char> path(MAX_PATH);
    for (;;) {
        DWORD length = ::GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            TRACE_LAST_ERROR(::GetLastError(), "Help: GetModuleFileNameA: ");
            return std::string();
        }
        if (length < path.size()) {
            std::string file(path.data(), length);
            size_t slash = file.find_last_of("\\/");
            return slash == std::string::npos ? std::string() : file.substr(0, slash);
        }
        path.resize(path.size() * 2);
    }
}

std::string CWinHelpLauncher::FindManual() const
{
    if (m_folder.empty())
        return std::string();
    std::string manual = m_folder + "\\manual\\index.html";
    DWORD attributes = ::GetFileAttributesA(manual.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return std::string();
    return manual;
}

bool CWinHelpLauncher::ShowHelp(HWND owner, unsigned helpContext) const
{
    std::string manual = FindManual();
    if (manual.empty()) {
        TracePrintf("Help: no manual\\index.html beside the program (help context 0x%X)", helpContext);
        return false;
    }
    return m_opener && m_opener(owner, manual);
}

bool CWinHelpLauncher::OpenWithShell(HWND owner, const std::string& path)
{
    // ShellExecuteA gives a value above 32 on success and an error code up to 32 otherwise.
    HINSTANCE result = ::ShellExecuteA(owner, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    INT_PTR code = reinterpret_cast<INT_PTR>(result);
    if (code <= 32) {
        DWORD error = ::GetLastError();
        TracePrintf("Help: ShellExecuteA(%s) gave %d", path.c_str(), static_cast<int>(code));
        if (error != ERROR_SUCCESS)
            TRACE_LAST_ERROR(error, "Help: ShellExecuteA: ");
        return false;
    }
    return true;
}
