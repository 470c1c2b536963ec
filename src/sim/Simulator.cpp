#include "sim/Simulator.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
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
    return m_thread.IsStarted() && !m_thread.HasEnded();
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
        termios settings{};
        const bool clientEchoes = ::tcgetattr(m_slave, &settings) == 0 && (settings.c_lflag & ECHO) != 0;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            const auto now = Clock::now();
            if (!received.empty())
                m_modem->Receive(received, now);
            m_modem->SetClientEchoes(clientEchoes);
            m_modem->Advance(now, &m_pendingOutput);
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
