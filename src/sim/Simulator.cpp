#include "sim/Simulator.h"

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
#include "sim/SimModem.h"
#include "sim/Transcript.h"

namespace {

// Output the far side has not taken yet is kept up to this much; the rest is lost.
constexpr size_t MaxPendingOutput = 64 * 1024;

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

CSimulator::CSimulator() = default;

CSimulator::~CSimulator()
{
    Stop();
}

bool CSimulator::Start(const SimConfig& config, std::string* error)
{
    if (m_thread.IsStarted())
        return Fail(error, "the simulator is already running on " + m_path);
    std::string why;
    if (!ValidateSimConfig(config, &why))
        return Fail(error, "invalid simulator configuration: " + why);
    if (!m_stop.Create(true, false))
        return Fail(error, "cannot create the stop event: " + SystemErrorText(errno));
    m_unplugged.Close();
    m_wasUnplugged = false;
    if (!m_unplugged.Create(true, false)) {
        int e = errno;
        Close();
        return Fail(error, "cannot create the unplug event: " + SystemErrorText(e));
    }

    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0) {
        int e = errno;
        Close();
        return Fail(error, "cannot open a pseudo-terminal: " + SystemErrorText(e));
    }
    char name[PATH_MAX];
    if (::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0 || ::ptsname_r(m_master, name, sizeof name) != 0) {
        int e = errno;
        Close();
        return Fail(error, "cannot prepare the pseudo-terminal: " + SystemErrorText(e));
    }
    m_path = name;
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0) {
        int e = errno;
        Close();
        return Fail(error, "cannot open " + std::string(name) + ": " + SystemErrorText(e));
    }
    int flags = ::fcntl(m_master, F_GETFL);
    if (flags < 0 || ::fcntl(m_master, F_SETFL, flags | O_NONBLOCK) != 0) {
        int e = errno;
        Close();
        return Fail(error, "cannot make the pseudo-terminal non-blocking: " + SystemErrorText(e));
    }

    if (!config.faults.staleAtOpen.empty() && !QueueStaleInput(m_master, m_slave, config.faults.staleAtOpen, error)) {
        Close();
        return false;
    }

    CSimModem::NoteSink notes;
    if (config.transcript) {
        auto sink = config.transcriptSink;
        notes = [sink](std::string_view direction, std::string_view text) {
            const std::string line = TranscriptLine(direction, text);
            if (sink)
                sink(line);
            else
                (void)!::write(STDERR_FILENO, line.data(), line.size());
        };
    }
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_modem = std::make_unique<CSimModem>(config, std::move(notes));
    }
    m_pendingOutput.clear();
    if (!m_thread.Start([this] { Serve(); })) {
        int e = errno;
        Close();
        return Fail(error, "cannot start the simulator thread: " + SystemErrorText(e));
    }
    return true;
}

std::string CSimulator::DevicePath() const
{
    return m_path;
}

bool CSimulator::IsRunning() const
{
    // An unplugged modem serves no more, though its thread may still be on its way out.
    return m_thread.IsStarted() && !m_thread.HasEnded() && !m_wasUnplugged;
}

void CSimulator::Stop()
{
    if (m_thread.IsStarted()) {
        m_stop.Set();
        m_thread.Join();
    }
    Close();
}

void CSimulator::Close()
{
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_slave = m_master = -1;
    m_stop.Close();
}

SimUnit CSimulator::UnitState(const std::string& number, int unit) const
{
    SimUnit state;
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_modem || !m_modem->UnitState(number, unit, &state)) {
        state = SimUnit{};
        state.unit = 0;
    }
    return state;
}

void CSimulator::InjectFaults(const SimFaults& faults)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_modem)
        m_modem->SetFaults(faults);
}

bool CSimulator::WaitUnplugged(uint32_t timeoutMs) const
{
    if (m_wasUnplugged)
        return true;
    if (!m_unplugged.IsCreated())
        return false;
    return WaitForObject(m_unplugged, timeoutMs) == WAIT_OBJECT_0;
}

void CSimulator::Unplug()
{
    // What was due before the dial still goes out, as far as the other side takes it at once.
    if (!m_pendingOutput.empty())
        (void)!::write(m_master, m_pendingOutput.data(), m_pendingOutput.size());
    m_pendingOutput.clear();
    TracePrintf("Simulator: the modem on %s is unplugged (fault)", m_path.c_str());
    ::close(m_master);
    ::close(m_slave);
    m_master = m_slave = -1;
    m_wasUnplugged = true;
    m_unplugged.Set();
}

SimFaults CSimulator::Faults() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_modem ? m_modem->Faults() : SimFaults{};
}

void CSimulator::Serve()
{
    using Clock = CSimModem::Clock;
    char buffer[4096];
    for (;;) {
        int timeoutMs = -1;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            if (auto next = m_modem->NextWake()) {
                auto left = std::chrono::ceil<std::chrono::milliseconds>(*next - Clock::now()).count();
                timeoutMs = static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
            }
        }
        pollfd fds[2] = {{m_stop.Fd(), POLLIN, 0},
                         {m_master, static_cast<short>(POLLIN | (m_pendingOutput.empty() ? 0 : POLLOUT)), 0}};
        int n = ::poll(fds, 2, timeoutMs);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            TRACE_LAST_ERROR(static_cast<uint32_t>(errno), "Simulator: poll failed: ");
            return;
        }
        if (fds[0].revents != 0)
            return;
        if (fds[1].revents & (POLLERR | POLLNVAL | POLLHUP)) {
            // Cannot happen while our own descriptor holds the other side open.
            TracePrintf("Simulator: the pseudo-terminal %s failed (events 0x%x)", m_path.c_str(), fds[1].revents);
            return;
        }
        std::string received;
        if (fds[1].revents & POLLIN) {
            for (;;) {
                ssize_t got = ::read(m_master, buffer, sizeof buffer);
                if (got > 0) {
                    received.append(buffer, static_cast<size_t>(got));
                    continue;
                }
                if (got < 0 && errno == EINTR)
                    continue;
                break; // EAGAIN: all taken
            }
        }
        // A terminal still in its cooked settings would echo our echo back to us.
        bool unplugged = false;
        termios settings{};
        const bool clientEchoes = ::tcgetattr(m_slave, &settings) == 0 && (settings.c_lflag & ECHO) != 0;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            const auto now = Clock::now();
            if (!received.empty())
                m_modem->Receive(received, now);
            m_modem->SetClientEchoes(clientEchoes);
            m_modem->Advance(now, &m_pendingOutput);
            unplugged = m_modem->IsUnplugged();
        }
        if (unplugged) {
            Unplug();
            return;
        }
        while (!m_pendingOutput.empty()) {
            ssize_t put = ::write(m_master, m_pendingOutput.data(), m_pendingOutput.size());
            if (put > 0) {
                m_pendingOutput.erase(0, static_cast<size_t>(put));
                continue;
            }
            if (put < 0 && errno == EINTR)
                continue;
            break; // EAGAIN: the other side is not reading; poll tells when it has room
        }
        if (m_pendingOutput.size() > MaxPendingOutput) {
            TracePrintf("Simulator: nobody reads %s; %zu bytes dropped", m_path.c_str(), m_pendingOutput.size());
            m_pendingOutput.clear();
        }
    }
}
