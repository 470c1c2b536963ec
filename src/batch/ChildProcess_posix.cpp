#include "batch/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "batch/ChildOutput_posix.h"
#include "diag/Trace.h"

namespace {

void CloseFd(intptr_t& fd)
{
    if (fd >= 0)
        ::close(static_cast<int>(fd));
    fd = -1;
}

void CloseFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// What comes back on the start pipe: the program's process id, or the errno of a failed start.
enum StartMessage { StartedAs = 1, StartFailed = 2 };

// Ends as the call ended.
void EndAsTheCallEnded(int status)
{
    if (WIFEXITED(status))
        ::_exit(WEXITSTATUS(status));
    const int signal = WTERMSIG(status);
    struct sigaction action{};
    action.sa_handler = SIG_DFL;
    ::sigaction(signal, &action, nullptr);
    sigset_t one;
    sigemptyset(&one);
    sigaddset(&one, signal);
    ::sigprocmask(SIG_UNBLOCK, &one, nullptr);
    ::kill(::getpid(), signal);
    ::_exit(128 + signal);
}

// The child's side of Start, after the fork: system calls only. The child is a small watcher
// between us and the call. It takes a process group of its own (a Ctrl-C at the terminal reaches
// only us), runs the program as its own child, passes our stop signals on to it, and ends as it
// ends. When we end, however we end (kill -9 included), the system tells the watcher, perhaps
// more than once (once for each of our threads as it goes); it passes that on once, as the
// interrupt, so that the call logs off and hangs up rather than running on unwatched, or being
// stopped at once by a second interrupt. A broken pipe is ignored, so that a call whose batch has
// gone finishes its stop instead of dying at its first word of output.
[[noreturn]] void RunChild(char* const* argv, pid_t parent, int out, int err, int ready)
{
    ::setpgid(0, 0);
    const auto fail = [ready] {
        const int message[2] = {StartFailed, errno};
        (void)!::write(ready, message, sizeof message);
        ::_exit(127);
    };
    sigset_t watched;
    sigemptyset(&watched);
    for (int signal : {SIGUSR1, SIGINT, SIGTERM, SIGHUP, SIGCHLD})
        sigaddset(&watched, signal);
    ::sigprocmask(SIG_BLOCK, &watched, nullptr);
    struct sigaction action{};
    action.sa_handler = SIG_DFL;
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGCHLD})
        ::sigaction(signal, &action, nullptr);
    action.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &action, nullptr);
    ::prctl(PR_SET_PDEATHSIG, SIGUSR1);
    if (::getppid() != parent)
        ::_exit(127); // we ended before the watch was set: no call
    const int input = ::open("/dev/null", O_RDONLY);
    if (input < 0 || ::dup2(input, STDIN_FILENO) < 0 || ::dup2(out, STDOUT_FILENO) < 0 ||
        ::dup2(err, STDERR_FILENO) < 0)
        fail();
    // The watcher keeps none of our other descriptors. It never execs, so O_CLOEXEC does not
    // close them: a port another of our threads had open at the fork, with the lock taken on it,
    // would stay locked for as long as the watcher lives, and that modem's next call would find
    // its port "in use".
    if (ready > STDERR_FILENO + 1)
        ::close_range(STDERR_FILENO + 1, static_cast<unsigned>(ready) - 1, 0);
    ::close_range(static_cast<unsigned>(ready) + 1, ~0U, 0);
    const pid_t call = ::fork();
    if (call < 0)
        fail();
    if (call == 0) {
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::execv(argv[0], argv);
        fail();
    }
    const int started[2] = {StartedAs, static_cast<int>(call)};
    (void)!::write(ready, started, sizeof started);
    ::close(ready); // the call's copy tells whether the program started
    bool told = false;
    for (;;) {
        siginfo_t info{};
        const int signal = ::sigwaitinfo(&watched, &info);
        if (signal == SIGCHLD) {
            int status = 0;
            if (::waitpid(call, &status, WNOHANG) == call)
                EndAsTheCallEnded(status);
        } else if (signal == SIGUSR1) {
            if (!told)
                ::kill(call, SIGINT);
            told = true;
        } else if (signal > 0) {
            ::kill(call, signal);
        }
    }
}

} // namespace

CChildProcess::~CChildProcess()
{
    if (m_pid > 0) {
        AskToStop();
        Wait();
    }
    CloseFd(m_outFd);
    CloseFd(m_errFd);
}

bool CChildProcess::Start(const std::vector<std::string>& arguments, std::string* problem)
{
    if (arguments.empty() || m_pid > 0) {
        *problem = "no program to start";
        return false;
    }
    int out[2] = {-1, -1};
    int err[2] = {-1, -1};
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
        *problem = std::string("no pipe: ") + std::strerror(errno);
        TRACE_LAST_ERROR(static_cast<uint32_t>(errno), "pipe2");
        CloseFd(out[0]);
        CloseFd(out[1]);
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
    int ready[2] = {-1, -1}; // the exec's outcome: closed by the exec, or the child's errno
    if (::pipe2(ready, O_CLOEXEC) != 0) {
        *problem = std::string("no pipe: ") + std::strerror(errno);
        TRACE_LAST_ERROR(static_cast<uint32_t>(errno), "pipe2");
        for (int fd : {out[0], out[1], err[0], err[1]})
            ::close(fd);
        return false;
    }
    const pid_t pid = ::fork();
    if (pid == 0)
        RunChild(argv.data(), parent, out[1], err[1], ready[1]);
    const int forkError = errno;
    ::close(out[1]);
    ::close(err[1]);
    ::close(ready[1]);
    int result = pid < 0 ? forkError : 0;
    long program = -1;
    if (pid > 0) {
        int message[2] = {0, 0};
        for (;;) {
            const ssize_t got = ::read(ready[0], message, sizeof message);
            if (got < 0 && errno == EINTR)
                continue;
            if (got != static_cast<ssize_t>(sizeof message))
                break; // the program started: its exec closed the pipe
            if (message[0] == StartedAs)
                program = message[1];
            else
                result = message[1] != 0 ? message[1] : ENOEXEC;
        }
        if (result != 0) {
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }
    }
    ::close(ready[0]);
    if (result != 0) {
        *problem = arguments[0] + " could not be started: " + std::strerror(result);
        TRACE_LAST_ERROR(static_cast<uint32_t>(result), pid < 0 ? "fork" : "execv");
        ::close(out[0]);
        ::close(err[0]);
        return false;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    m_pid = pid;
    m_programPid = program;
    m_outFd = out[0];
    m_errFd = err[0];
    m_output.clear();
    m_errorOutput.clear();
    return true;
}

int CChildProcess::Wait()
{
    if (m_pid <= 0)
        return -1;
    pollfd fds[2] = {{static_cast<int>(m_outFd), POLLIN, 0}, {static_cast<int>(m_errFd), POLLIN, 0}};
    int open = 2;
    while (open > 0) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            TRACE_LAST_ERROR(static_cast<uint32_t>(errno), "poll");
            break;
        }
        open = ReadChildOutput(fds, &m_output, &m_errorOutput);
    }
    CloseFd(m_outFd);
    CloseFd(m_errFd);
    // Wait for the end without reaping, so that AskToStop never signals a reused process id.
    siginfo_t info{};
    while (::waitid(P_PID, static_cast<id_t>(m_pid), &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
    }
    std::lock_guard<std::mutex> guard(m_lock);
    int status = 0;
    pid_t reaped = -1;
    do
        reaped = ::waitpid(static_cast<pid_t>(m_pid), &status, 0);
    while (reaped < 0 && errno == EINTR);
    m_pid = -1;
    m_programPid = -1;
    if (reaped < 0 || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

void CChildProcess::AskToStop()
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_pid > 0 && ::kill(static_cast<pid_t>(m_pid), SIGINT) != 0)
        TRACE_LAST_ERROR(static_cast<uint32_t>(errno), "kill");
}

std::string CurrentProgramPath()
{
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return std::string();
    return std::string(path, static_cast<size_t>(length));
}
