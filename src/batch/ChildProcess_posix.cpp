#include "batch/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "diag/Trace.h"

extern char** environ;

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
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setpgroup(&attributes, 0);
    // The child starts with the interrupt signals at their defaults and none blocked.
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE})
        sigaddset(&defaults, signal);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    std::vector<std::string> copies = arguments;
    std::vector<char*> argv;
    for (std::string& argument : copies)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int result = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(out[1]);
    ::close(err[1]);
    if (result != 0) {
        *problem = arguments[0] + " could not be started: " + std::strerror(result);
        TRACE_LAST_ERROR(static_cast<uint32_t>(result), "posix_spawn");
        ::close(out[0]);
        ::close(err[0]);
        return false;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    m_pid = pid;
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
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            char buffer[4096];
            const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                fds[i].fd = -1;
                --open;
            } else {
                (i == 0 ? m_output : m_errorOutput).append(buffer, static_cast<size_t>(got));
            }
        }
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
