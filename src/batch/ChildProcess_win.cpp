#include "batch/ChildProcess.h"

#include <windows.h>

#include <thread>

#include "diag/Trace.h"

namespace {

// One argument as the C runtime's command-line parser reads it back.
std::string QuoteArgument(const std::string& argument)
{
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos)
        return argument;
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"')
            quoted.append(backslashes * 2 + 1, '\\');
        else
            quoted.append(backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

void CloseHandleOnce(intptr_t& handle)
{
    if (handle != -1 && handle != 0)
        ::CloseHandle(reinterpret_cast<HANDLE>(handle));
    handle = -1;
}

HANDLE AsHandle(intptr_t value)
{
    return reinterpret_cast<HANDLE>(value);
}

intptr_t FromHandle(HANDLE handle)
{
    return reinterpret_cast<intptr_t>(handle);
}

void ReadAll(HANDLE pipe, std::string* text)
{
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0)
        text->append(buffer, got);
}

} // namespace

// On Windows m_pid holds the process handle, m_outFd and m_errFd the pipes' read handles; the
// child is the leader of a new process group, so that a Ctrl-Break can be sent to it alone.
CChildProcess::~CChildProcess()
{
    if (m_pid > 0) {
        AskToStop();
        Wait();
    }
    CloseHandleOnce(m_jobHandle);
}

namespace {

// A job object that ends its processes when its last handle closes: ours, which the system closes
// as we end, however we end.
HANDLE MakeKillOnCloseJob()
{
    HANDLE job = ::CreateJobObjectA(nullptr, nullptr);
    if (job == nullptr) {
        TRACE_LAST_ERROR(::GetLastError(), "CreateJobObjectA ");
        return nullptr;
    }
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        TRACE_LAST_ERROR(::GetLastError(), "SetInformationJobObject ");
        ::CloseHandle(job);
        return nullptr;
    }
    return job;
}

} // namespace

bool CChildProcess::Start(const std::vector<std::string>& arguments, std::string* problem)
{
    if (arguments.empty() || m_pid > 0) {
        *problem = "no program to start";
        return false;
    }
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE outRead = nullptr, outWrite = nullptr, errRead = nullptr, errWrite = nullptr;
    if (!::CreatePipe(&outRead, &outWrite, &inherit, 0) || !::CreatePipe(&errRead, &errWrite, &inherit, 0)) {
        TRACE_LAST_ERROR(::GetLastError(), "CreatePipe ");
        *problem = "no pipe for the child's output";
        return false;
    }
    ::SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    HANDLE nul = ::CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                               nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nul;
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    std::string commandLine;
    for (const std::string& argument : arguments)
        commandLine += (commandLine.empty() ? "" : " ") + QuoteArgument(argument);
    HANDLE job = MakeKillOnCloseJob();
    if (job == nullptr) {
        ::CloseHandle(outRead);
        ::CloseHandle(outWrite);
        ::CloseHandle(errRead);
        ::CloseHandle(errWrite);
        if (nul != INVALID_HANDLE_VALUE)
            ::CloseHandle(nul);
        *problem = "no job object for the child";
        return false;
    }
    // Started suspended, so that it is in the job before it can start anything of its own.
    PROCESS_INFORMATION process = {};
    const BOOL created =
        ::CreateProcessA(arguments[0].c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                         CREATE_NEW_PROCESS_GROUP | CREATE_SUSPENDED, nullptr, nullptr, &startup, &process);
    const DWORD error = ::GetLastError();
    ::CloseHandle(outWrite);
    ::CloseHandle(errWrite);
    if (nul != INVALID_HANDLE_VALUE)
        ::CloseHandle(nul);
    if (!created) {
        TRACE_LAST_ERROR(error, "CreateProcessA ");
        *problem = arguments[0] + " could not be started";
        ::CloseHandle(outRead);
        ::CloseHandle(errRead);
        ::CloseHandle(job);
        return false;
    }
    if (!::AssignProcessToJobObject(job, process.hProcess)) {
        // A child that could outlive us is not started.
        TRACE_LAST_ERROR(::GetLastError(), "AssignProcessToJobObject ");
        ::TerminateProcess(process.hProcess, 1);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
        ::CloseHandle(outRead);
        ::CloseHandle(errRead);
        ::CloseHandle(job);
        *problem = arguments[0] + " could not be started in a job of its own";
        return false;
    }
    ::ResumeThread(process.hThread);
    ::CloseHandle(process.hThread);
    std::lock_guard<std::mutex> guard(m_lock);
    CloseHandleOnce(m_jobHandle);
    m_jobHandle = FromHandle(job);
    m_pid = static_cast<long>(process.dwProcessId);
    m_programPid = m_pid;
    m_processHandle = FromHandle(process.hProcess);
    m_outFd = FromHandle(outRead);
    m_errFd = FromHandle(errRead);
    m_output.clear();
    m_errorOutput.clear();
    return true;
}

int CChildProcess::Wait()
{
    if (m_pid <= 0)
        return -1;
    HANDLE outRead = AsHandle(m_outFd);
    HANDLE errRead = AsHandle(m_errFd);
    std::thread errors([&] { ReadAll(errRead, &m_errorOutput); });
    ReadAll(outRead, &m_output);
    errors.join();
    ::CloseHandle(outRead);
    ::CloseHandle(errRead);
    m_outFd = m_errFd = -1;
    HANDLE process = AsHandle(m_processHandle);
    ::WaitForSingleObject(process, INFINITE);
    DWORD code = 0;
    const bool known = ::GetExitCodeProcess(process, &code) != 0;
    std::lock_guard<std::mutex> guard(m_lock);
    CloseHandleOnce(m_processHandle);
    m_pid = -1;
    m_programPid = -1;
    return known ? static_cast<int>(code) : -1;
}

void CChildProcess::AskToStop()
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_pid > 0 && !::GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, static_cast<DWORD>(m_pid)))
        TRACE_LAST_ERROR(::GetLastError(), "GenerateConsoleCtrlEvent ");
}

std::string CurrentProgramPath()
{
    char path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return std::string();
    return std::string(path, length);
}
