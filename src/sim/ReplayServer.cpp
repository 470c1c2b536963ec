#include "sim/ReplayServer.h"

#include <algorithm>
#include <climits>

#include "diag/SystemError.h"

CReplayServer::~CReplayServer()
{
    Stop();
}

bool CReplayServer::Start(CTraceReplay replay, SimLink link, std::string* error)
{
    if (m_thread.IsStarted()) {
        *error = "the replay is already served on " + m_path;
        return false;
    }
    if (!m_stop.Create(true, false) || !m_finished.Create(true, false)) {
        *error = "cannot create an event: " + SystemErrorText(LastSystemError());
        return false;
    }
    m_line = MakeSimTransport(link);
    if (!m_line) {
        *error = "this system has no pseudo-terminals: use the memory line";
        return false;
    }
    if (!m_line->Open(std::string(), error)) {
        m_line.reset();
        return false;
    }
    m_path = m_line->DevicePath();
    m_replay = std::move(replay);
    m_pendingOutput.clear();
    if (!m_thread.Start([this] { Serve(); })) {
        *error = "cannot start the replay thread: " + SystemErrorText(LastSystemError());
        m_line->Close();
        m_line.reset();
        return false;
    }
    return true;
}

void CReplayServer::Stop()
{
    if (m_thread.IsStarted()) {
        m_stop.Set();
        m_thread.Join();
    }
    if (m_line)
        m_line->Close();
    m_line.reset();
}

void CReplayServer::Serve()
{
    using Clock = CTraceReplay::Clock;
    m_replay.Start(Clock::now());
    for (;;) {
        int timeoutMs = -1;
        if (auto next = m_replay.NextWake()) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(*next - Clock::now()).count();
            timeoutMs = static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
        }
        const ISimTransport::Wake wake = m_line->Wait(m_stop, !m_pendingOutput.empty(), timeoutMs);
        if (wake != ISimTransport::Wake::Ready)
            return;
        std::string received;
        m_line->Receive(received);
        const auto now = Clock::now();
        if (!received.empty())
            m_replay.Receive(received, now);
        m_replay.Advance(now, &m_pendingOutput);
        if (!m_pendingOutput.empty())
            m_pendingOutput.erase(0, m_line->Send(m_pendingOutput.data(), m_pendingOutput.size()));
        m_differences = m_replay.Differences();
        m_matched = m_replay.Matched();
        if (m_replay.Finished() && m_pendingOutput.empty())
            m_finished.Set();
    }
}
