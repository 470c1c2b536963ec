#include "sim/SimMemoryTransport.h"

#include "diag/SystemError.h"
#include "diag/Trace.h"
#include "platform/MemoryLine.h"

CSimMemoryTransport::~CSimMemoryTransport()
{
    Close();
}

bool CSimMemoryTransport::Open(const std::string& staleInput, std::string* error)
{
    Close();
    if (!m_wake.Create(false, false)) {
        if (error != nullptr)
            *error = "cannot create the line's wake-up event: " + SystemErrorText(LastSystemError());
        return false;
    }
    m_line = CMemoryLine::Create();
    m_name = m_line->Name();
    (void)m_line->Attach(CMemoryLine::FarEnd);
    CEvent* wake = &m_wake;
    m_line->SetWakeUp(CMemoryLine::FarEnd, [wake] { (void)wake->Set(); });
    // What the modem said before anyone opened the port waits there for the first to open it.
    if (m_line->Write(CMemoryLine::FarEnd, staleInput.data(), staleInput.size()) != staleInput.size()) {
        Close();
        if (error != nullptr)
            *error = "the stale input does not fit into the memory line";
        return false;
    }
    return true;
}

std::string CSimMemoryTransport::DevicePath() const
{
    return m_name;
}

ISimTransport::Wake CSimMemoryTransport::Wait(CEvent& stop, bool wantRoom, int timeoutMs)
{
    // The line has room or bytes already: no need to sleep.
    if (m_line->Available(CMemoryLine::FarEnd) != 0 || (wantRoom && m_line->Room(CMemoryLine::FarEnd) != 0))
        return stop.IsSet() ? Wake::Stop : Wake::Ready;
    const uint32_t result =
        WaitForObjects({&stop, &m_wake}, timeoutMs < 0 ? INFINITE : static_cast<uint32_t>(timeoutMs));
    if (result == WAIT_OBJECT_0)
        return Wake::Stop;
    if (result == WAIT_FAILED) {
        TracePrintf("Simulator: the wait on the memory line %s failed: %s", m_name.c_str(),
                    SystemErrorText(LastSystemError()).c_str());
        return Wake::Failed;
    }
    return Wake::Ready;
}

void CSimMemoryTransport::Receive(std::string& into)
{
    char buffer[4096];
    while (size_t got = m_line->Read(CMemoryLine::FarEnd, buffer, sizeof buffer))
        into.append(buffer, got);
}

size_t CSimMemoryTransport::Send(const char* data, size_t size)
{
    return m_line->Write(CMemoryLine::FarEnd, data, size);
}

void CSimMemoryTransport::Unplug()
{
    if (!m_line)
        return;
    // The port reads what was sent before and then finds the line gone; the name goes at once.
    m_line->Unregister();
    m_line->SetWakeUp(CMemoryLine::FarEnd, {});
    m_line->Detach(CMemoryLine::FarEnd);
    m_line.reset();
}

void CSimMemoryTransport::Close()
{
    Unplug();
    m_wake.Close();
}
