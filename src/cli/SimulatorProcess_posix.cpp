#include "cli/SimulatorProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "batch/ChildOutput_posix.h"
#include "batch/ChildProcess.h"
#include "diag/Trace.h"

namespace {

// How long a simulator asked to stop may take before it is killed.
constexpr int StopWaitMs = 3000;

void CloseFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

bool IsProgram(const std::string& path)
{
    return !path.empty() && ::access(path.c_str(), X_OK) == 0;
}

// The child's side of Start, after the fork: system calls only.
[[noreturn]] void RunChild(char* const* argv, pid_t parent, int out, int err, int ready)
{
    ::setpgid(0, 0);
    // pravel-sim ends on SIGINT and SIGTERM: neither may come in ignored or blocked.
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
        ::sigaction(signal, &action, nullptr);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    const int input = ::open("/dev/null", O_RDONLY);
    if (::getppid() == parent && input >= 0 && ::dup2(input, STDIN_FILENO) >= 0 && ::dup2(out, STDOUT_FILENO) >= 0 &&
        ::dup2(err, STDERR_FILENO) >= 0) {
        // A descriptor another thread opened without O_CLOEXEC does not pass to the simulator.
        ::close_range(STDERR_FILENO + 1, ~0U, CLOSE_RANGE_CLOEXEC);
        ::execv(argv[0], argv);
    }
    const int error = errno;
    (void)!::write(ready, &error, sizeof error);
    ::_exit(127);
}

// The program's first line without its line end, "" when it has none yet.
std::string FirstLine(const std::string& text)
{
    const size_t end = text.find('\n');
    return end == std::string::npos ? std::string() : text.substr(0, end);
}

// The last line of the error output, without the line end: the simulator's own message.
std::string LastLine(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    const size_t start = text.rfind('\n');
    return start == std::string::npos ? text : text.substr(start + 1);
}

} // namespace

CSimulatorProcess::~CSimulatorProcess()
{
    Stop();
}

bool CSimulatorProcess::Available()
{
    return true;
}

std::string CSimulatorProcess::FindProgram(std::string* problem)
{
    if (const char* named = std::getenv("PRAVEL_SIM"); named != nullptr && *named != '\0') {
        if (IsProgram(named))
            return named;
        *problem = std::string("PRAVEL_SIM names ") + named + ", which is no program: " + std::strerror(errno);
        return std::string();
    }
    const std::string self = CurrentProgramPath();
    const size_t slash = self.rfind('/');
    const std::string beside = slash == std::string::npos ? std::string() : self.substr(0, slash + 1) + "pravel-sim";
    if (IsProgram(beside))
        return beside;
    if (const char* path = std::getenv("PATH")) {
        std::string list = path;
        size_t start = 0;
        while (start <= list.size()) {
            size_t end = list.find(':', start);
            if (end == std::string::npos)
                end = list.size();
            const std::string folder = list.substr(start, end - start);
            if (!folder.empty() && IsProgram(folder + "/pravel-sim"))
                return folder + "/pravel-sim";
            start = end + 1;
        }
    }
    *problem = "pravel-sim was found neither beside this program" +
               (slash == std::string::npos ? std::string() : " (in " + self.substr(0, slash) + ")") +
               " nor on PATH; the line options need it (install it, or set PRAVEL_SIM to its path)";
    return std::string();
}

bool CSimulatorProcess::Start(const std::vector<std::string>& arguments, int waitMs, std::string* problem)
{
    if (arguments.empty() || m_pid > 0) {
        *problem = "no simulator to start";
        return false;
    }
    int out[2] = {-1, -1};
    int err[2] = {-1, -1};
    int ready[2] = {-1, -1}; // the exec's outcome: closed by the exec, or the child's errno
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0 || ::pipe2(ready, O_CLOEXEC) != 0) {
        *problem = std::string("no pipe: ") + std::strerror(errno);
        TRACE_LAST_ERROR(static_cast<uint32_t>(errno), "pipe2");
        for (int* fd : {&out[0], &out[1], &err[0], &err[1], &ready[0], &ready[1]})
            CloseFd(*fd);
        return false;
    }
    // Everything the child needs is made before the fork: between fork and exec it may only make
    // system calls.
    std::vector<std::string> copies = arguments;
    std::vector<char*> argv;
    for (std::string& argument : copies)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0)
        RunChild(argv.data(), parent, out[1], err[1], ready[1]);
    const int forkError = errno;
    CloseFd(out[1]);
    CloseFd(err[1]);
    CloseFd(ready[1]);
    int execError = 0;
    if (pid > 0) {
        ssize_t got = 0;
        while ((got = ::read(ready[0], &execError, sizeof execError)) < 0 && errno == EINTR) {
        }
        if (got != static_cast<ssize_t>(sizeof execError))
            execError = 0; // the exec closed the pipe: the program runs
    }
    CloseFd(ready[0]);
    if (pid < 0 || execError != 0) {
        *problem = arguments[0] + " could not be started: " + std::strerror(pid < 0 ? forkError : execError);
        TRACE_LAST_ERROR(static_cast<uint32_t>(pid < 0 ? forkError : execError), pid < 0 ? "fork" : "execv");
        if (pid > 0)
            while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        CloseFd(out[0]);
        CloseFd(err[0]);
        return false;
    }
    m_pid = pid;
    m_outFd = out[0];
    m_errFd = err[0];

    // Its first line names the port; its error output says why there is none.
    std::string output, errors;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    pollfd fds[2] = {{m_outFd, POLLIN, 0}, {m_errFd, POLLIN, 0}};
    int open = 2;
    bool late = false;
    while (open > 0 && output.find('\n') == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        const int ready = left > 0 ? ::poll(fds, 2, static_cast<int>(left)) : 0;
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            late = ready == 0;
            break;
        }
        open = ReadChildOutput(fds, &output, &errors);
    }
    const std::string line = FirstLine(output);
    if (line.rfind("port: ", 0) == 0 && line.size() > 6) {
        m_port = line.substr(6);
        return true;
    }
    const std::string program = arguments[0];
    if (late) {
        *problem = program + " named no port within " + std::to_string(waitMs / 1000) + " s";
    } else if (open < 2 && line.empty()) {
        // It ended (or closed its output): say how, with its own last word.
        Stop();
        const std::string said = LastLine(errors);
        *problem = program + " ended before naming its port" + (said.empty() ? std::string() : ": " + said);
        return false;
    } else {
        *problem = program + " named no port; its first line was \"" + line + "\"";
    }
    Stop();
    return false;
}

void CSimulatorProcess::Stop()
{
    if (m_pid > 0) {
        const pid_t pid = static_cast<pid_t>(m_pid);
        // Not yet reaped, so the id is still ours.
        ::kill(pid, SIGTERM);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(StopWaitMs);
        int status = 0;
        pid_t reaped = 0;
        while ((reaped = ::waitpid(pid, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (reaped == 0) {
            TracePrintf("The simulator (pid %ld) did not end on SIGTERM: killed\n", m_pid);
            // Its whole process group, so whatever it started goes with it; and the program itself,
            // should it have no group of its own.
            ::kill(-pid, SIGKILL);
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }
        m_pid = -1;
    }
    CloseFd(m_outFd);
    CloseFd(m_errFd);
    m_port.clear();
}
