#include "sim/SimPtyTransport.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "diag/SystemError.h"
#include "diag/Trace.h"
#include "platform/Event.h"
#include "sim/SimMemoryTransport.h"

namespace {

bool Fail(std::string* error, const std::string& text)
{
    if (error != nullptr)
        *error = text;
    return false;
}

// Bytes the modem sent before anyone opened the port wait in the port side's input queue. They go
// in while that side is raw, so that they stay as sent (a cooked terminal would turn CR into LF
// and echo them back to us); once the terminal has taken them all its settings are put back as the
// system made them, and the queued bytes stay there to be read.
bool QueueStaleInput(int master, int slave, const std::string& bytes, std::string* error)
{
    termios saved{};
    if (::tcgetattr(slave, &saved) != 0)
        return Fail(error, "cannot read the terminal settings: " + SystemErrorText(errno));
    termios raw = saved;
    ::cfmakeraw(&raw);
    if (::tcsetattr(slave, TCSANOW, &raw) != 0)
        return Fail(error, "cannot set the terminal settings: " + SystemErrorText(errno));
    std::string why;
    for (size_t done = 0; why.empty() && done < bytes.size();) {
        ssize_t put = ::write(master, bytes.data() + done, bytes.size() - done);
        if (put > 0)
            done += static_cast<size_t>(put);
        else if (put < 0 && errno != EINTR)
            why = "cannot queue the stale input: " + SystemErrorText(errno);
    }
    // The terminal takes what the master writes on a worker of its own; wait until it has it all.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (why.empty()) {
        int queued = 0;
        if (::ioctl(slave, FIONREAD, &queued) != 0)
            why = "cannot count the stale input: " + SystemErrorText(errno);
        else if (static_cast<size_t>(queued) >= bytes.size())
            break;
        else if (std::chrono::steady_clock::now() >= deadline)
            why = "the terminal did not take the stale input";
        pollfd p{slave, POLLIN, 0};
        ::poll(&p, 1, 1);
    }
    if (::tcsetattr(slave, TCSANOW, &saved) != 0 && why.empty())
        why = "cannot restore the terminal settings: " + SystemErrorText(errno);
    return why.empty() || Fail(error, why);
}

} // namespace

SimLink DefaultSimLink()
{
    return SimLink::Pty;
}

std::unique_ptr<ISimTransport> MakeSimTransport(SimLink line)
{
    if (line == SimLink::Memory)
        return std::make_unique<CSimMemoryTransport>();
    return std::make_unique<CSimPtyTransport>();
}

CSimPtyTransport::~CSimPtyTransport()
{
    Close();
}

bool CSimPtyTransport::Open(const std::string& staleInput, std::string* error)
{
    Close();
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0)
        return Fail(error, "cannot open a pseudo-terminal: " + SystemErrorText(errno));
    char name[PATH_MAX];
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0 || ::ptsname_r(m_master, name, sizeof name) != 0) {
        int e = errno;
        Close();
        return Fail(error, "cannot prepare the pseudo-terminal: " + SystemErrorText(e));
    }
    m_path = name;
    m_portClosed = false;
    int flags = ::fcntl(m_master, F_GETFL);
    if (flags < 0 || ::fcntl(m_master, F_SETFL, flags | O_NONBLOCK) != 0) {
        int e = errno;
        Close();
        return Fail(error, "cannot make the pseudo-terminal non-blocking: " + SystemErrorText(e));
    }
    if (staleInput.empty())
        return true;
    // Bytes in the port's input queue are lost at the last close of that side, so our own
    // descriptor holds them there until the first program has the port.
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0) {
        int e = errno;
        Close();
        return Fail(error, "cannot open " + std::string(name) + ": " + SystemErrorText(e));
    }
    if (!QueueStaleInput(m_master, m_slave, staleInput, error)) {
        Close();
        return false;
    }
    return true;
}

ISimTransport::Wake CSimPtyTransport::Wait(CEvent& stop, bool wantRoom, int timeoutMs)
{
    for (;;) {
        if (m_portClosed)
            return WaitWhileClosed(stop, timeoutMs);
        pollfd fds[2] = {{stop.Fd(), POLLIN, 0}, {m_master, static_cast<short>(POLLIN | (wantRoom ? POLLOUT : 0)), 0}};
        int n = ::poll(fds, 2, timeoutMs);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            TRACE_LAST_ERROR(static_cast<uint32_t>(errno), "Simulator: poll failed: ");
            return Wake::Failed;
        }
        if (fds[0].revents != 0)
            return Wake::Stop;
        if (fds[1].revents & (POLLERR | POLLNVAL)) {
            TracePrintf("Simulator: the pseudo-terminal %s failed (events 0x%x)", m_path.c_str(), fds[1].revents);
            return Wake::Failed;
        }
        if ((fds[1].revents & POLLHUP) && !(fds[1].revents & POLLIN)) {
            m_portClosed = true;
            return Wake::PortClosed;
        }
        return Wake::Ready;
    }
}

ISimTransport::Wake CSimPtyTransport::WaitWhileClosed(CEvent& stop, int timeoutMs)
{
    constexpr int LookAgainMs = 20;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
        int slice = LookAgainMs;
        if (timeoutMs >= 0) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            slice = static_cast<int>(std::clamp<long long>(left.count(), 0, LookAgainMs));
        }
        pollfd wake{stop.Fd(), POLLIN, 0};
        const int n = ::poll(&wake, 1, slice);
        if (n < 0 && errno != EINTR) {
            TRACE_LAST_ERROR(static_cast<uint32_t>(errno), "Simulator: poll failed: ");
            return Wake::Failed;
        }
        if (n > 0)
            return Wake::Stop;
        pollfd port{m_master, POLLIN, 0};
        if (::poll(&port, 1, 0) >= 0 && !(port.revents & POLLHUP)) {
            m_portClosed = false; // a program has opened the port again
            return Wake::Ready;
        }
        if (timeoutMs >= 0 && std::chrono::steady_clock::now() >= deadline)
            return Wake::Ready;
    }
}

void CSimPtyTransport::Receive(std::string& into)
{
    char buffer[4096];
    for (;;) {
        ssize_t got = ::read(m_master, buffer, sizeof buffer);
        if (got > 0) {
            into.append(buffer, static_cast<size_t>(got));
            // A program has the port and talks to the modem: the stale input has reached it.
            if (m_slave >= 0) {
                ::close(m_slave);
                m_slave = -1;
            }
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        return; // EAGAIN: all taken; EIO: nobody has the port open
    }
}

size_t CSimPtyTransport::Send(const char* data, size_t size)
{
    if (m_portClosed)
        return size; // nobody to hear it: a modem's output to a closed port is lost
    size_t done = 0;
    while (done < size) {
        ssize_t put = ::write(m_master, data + done, size - done);
        if (put > 0) {
            done += static_cast<size_t>(put);
            continue;
        }
        if (put < 0 && errno == EINTR)
            continue;
        break; // EAGAIN: the other side is not reading; Wait tells when it has room
    }
    return done;
}

bool CSimPtyTransport::ClientEchoes()
{
    // The master side reads the settings of the port's side.
    termios settings{};
    return ::tcgetattr(m_master, &settings) == 0 && (settings.c_lflag & ECHO) != 0;
}

void CSimPtyTransport::Unplug()
{
    Close(); // both of our descriptors: the program's side hangs up and the device node goes
}

void CSimPtyTransport::Close()
{
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_slave = m_master = -1;
    m_portClosed = false;
}
