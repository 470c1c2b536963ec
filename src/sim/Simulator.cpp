#include "sim/Simulator.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>

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
    return Start(config, error, DefaultSimLink());
}

bool CSimulator::Start(const SimConfig& config, std::string* error, SimLink link)
{
    if (m_thread.IsStarted())
        return Fail(error, "the simulator is already running on " + m_path);
    std::string why;
    if (!ValidateSimConfig(config, &why))
        return Fail(error, "invalid simulator configuration: " + why);
    if (config.sound.on && !config.makeToneLine)
        return Fail(error, "this simulator has no line model: the line can only be clean");
    if (!m_stop.Create(true, false))
        return Fail(error, "cannot create the stop event: " + SystemErrorText(LastSystemError()));
    m_unplugged.Close();
    m_wasUnplugged = false;
    if (!m_unplugged.Create(true, false)) {
        int e = LastSystemError();
        Close();
        return Fail(error, "cannot create the unplug event: " + SystemErrorText(e));
    }

    m_line = MakeSimTransport(link);
    if (!m_line) {
        Close();
        return Fail(error, "this system has no pseudo-terminals: use the memory line");
    }
    if (!m_line->Open(config.faults.staleAtOpen, error)) {
        Close();
        return false;
    }
    m_path = m_line->DevicePath();

    CSimModem::NoteSink notes;
    if (config.transcript) {
        auto sink = config.transcriptSink;
        notes = [sink](std::string_view direction, std::string_view text) {
            const std::string line = TranscriptLine(direction, text);
            if (sink)
                sink(line);
            else
                (void)std::fwrite(line.data(), 1, line.size(), stderr);
        };
    }
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_modem = std::make_unique<CSimModem>(config, std::move(notes));
    }
    m_pendingOutput.clear();
    if (!m_thread.Start([this] { Serve(); })) {
        int e = LastSystemError();
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
    if (m_line)
        m_line->Close();
    m_line.reset();
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
        (void)m_line->Send(m_pendingOutput.data(), m_pendingOutput.size());
    m_pendingOutput.clear();
    TracePrintf("Simulator: the modem on %s is unplugged (fault)", m_path.c_str());
    m_line->Unplug();
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
    for (;;) {
        int timeoutMs = -1;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            if (auto next = m_modem->NextWake()) {
                auto left = std::chrono::ceil<std::chrono::milliseconds>(*next - Clock::now()).count();
                timeoutMs = static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
            }
        }
        const ISimTransport::Wake wake = m_line->Wait(m_stop, !m_pendingOutput.empty(), timeoutMs);
        if (wake == ISimTransport::Wake::PortClosed) {
            std::lock_guard<std::mutex> guard(m_lock);
            m_modem->PortClosed();
            m_pendingOutput.clear();
            continue;
        }
        if (wake != ISimTransport::Wake::Ready)
            return; // stopped, or the line failed (traced)
        std::string received;
        m_line->Receive(received);
        // A terminal still in its cooked settings would echo our echo back to us.
        const bool clientEchoes = m_line->ClientEchoes();
        bool unplugged = false;
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
        if (!m_pendingOutput.empty())
            m_pendingOutput.erase(0, m_line->Send(m_pendingOutput.data(), m_pendingOutput.size()));
        if (m_pendingOutput.size() > MaxPendingOutput) {
            TracePrintf("Simulator: nobody reads %s; %lu bytes dropped", m_path.c_str(),
                        static_cast<unsigned long>(m_pendingOutput.size()));
            m_pendingOutput.clear();
        }
    }
}
