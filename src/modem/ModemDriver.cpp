#include "modem/ModemDriver.h"

#include <cerrno>
#include <cstring>
#include <new>

#include "diag/Trace.h"
#include "job/ComPortName.h"
#include "job/JobValidation.h"
#include "job/StringTable.h"
#include "modem/PortErrorText.h"
#include "platform/MessagePresenter.h"

char dtmfBuffer[DtmfBufferLimit + 1];
int32_t dtmfLength;

namespace {

constexpr char DLE = 0x10;

void ClearDtmfBuffer()
{
    dtmfBuffer[0] = '\0';
    dtmfLength = 0;
}

} // namespace

CModemDriver::CModemDriver(const ProgrammingJob* job)
    : m_watchdogSeconds(GetDialogueTiming().watchdogTicks), m_job(job), m_timing(GetDialogueTiming())
{
    m_lineText.reserve(MaxLineLength);
}

CModemDriver::~CModemDriver()
{
    Stop();
}

bool CModemDriver::Start()
{
    if (m_portHandle || m_dialogueStarted) {
        TraceText("CModemDriver::Start: Already have a comm file open\n");
        return false;
    }

    // The last line of defence: nothing of a job that could smuggle a modem command is sent.
    std::string problem;
    if (!ValidateJob(*m_job, &problem)) {
        TracePrintf("Modem: Refusing the job: %s\n", problem.c_str());
        ShowErrorText(problem);
        return false;
    }

    m_portName = GetComPortName();
    int error = 0;
    std::unique_ptr<ISerialDevice> device = OpenSerialDevice(m_portName, &error);
    if (!device) {
        TRACE_LAST_ERROR(static_cast<uint32_t>(error), "Modem: Unable to open serial port: ");
        ShowErrorText(PortOpenErrorText(m_portName, error));
        return false;
    }
    errno = 0;
    if (!Open(device.get())) {
        // The port traced the failing call; the device is still ours and closes as it goes.
        int openError = errno;
        TracePrintf("Modem: Unable to open the line on %s\n", m_portName.c_str());
        ShowErrorText(PortOpenErrorText(m_portName, openError));
        return false;
    }
    device.release(); // the port owns it now
    m_portHandle = true;

    CommState state;
    if (GetCommState(state)) {
        state.baudRate = 9600;
        state.byteSize = 8;
        state.parity = 0;
        state.stopBits = 0;
        state.abortOnError = false;
        state.evtChar = 0;
        SetCommState(state);
    }
    CommTimeouts timeouts;
    if (GetCommTimeouts(timeouts)) {
        timeouts.readIntervalTimeout = 50;
        SetCommTimeouts(timeouts);
    }

    if (!StartDialogue()) {
        Close();
        m_portHandle = false;
        return false;
    }
    return true;
}

bool CModemDriver::StartDialogue()
{
    if (!m_receiveSemaphore.Create(0, MaxQueuedChunks)) {
        TRACE_LAST_ERROR(static_cast<uint32_t>(errno), "Modem: Unable to CreateSemaphore: ");
        ReleaseDialogue();
        return false;
    }
    if (!m_stepEvent.Create(false, false) || !m_finishedEvent.Create(true, false)) {
        TRACE_LAST_ERROR(static_cast<uint32_t>(errno), "Modem: Unable to CreateEvent: ");
        ReleaseDialogue();
        return false;
    }
    if (!m_stopEvent.Create(true, false)) {
        TRACE_LAST_ERROR(static_cast<uint32_t>(errno), "LU: Unable to CreateEvent: ");
        ReleaseDialogue();
        return false;
    }
    ClearDtmfBuffer();
    ResetLine();
    if (!m_driverThread.Start([this] { DriverThread(); }, ThreadPriority::AboveNormal)) {
        TRACE_LAST_ERROR(static_cast<uint32_t>(errno), "Modem: Unable to create thread");
        ReleaseDialogue();
        return false;
    }
    m_dialogueStarted = true;
    return true;
}

void CModemDriver::ReleaseDialogue()
{
    m_stopEvent.Close();
    m_stepEvent.Close();
    m_finishedEvent.Close();
    m_receiveSemaphore.Close();
    std::lock_guard<std::mutex> guard(m_queueLock);
    m_receiveQueue.clear();
}

void CModemDriver::Stop()
{
    if (m_driverThread.IsStarted()) {
        TraceText("LU: Closing thread\n");
        m_stopEvent.Set();
        if (!m_driverThread.WaitForEnd(m_timing.driverStopMs)) {
            // Never ended by force. Its waits all end on m_stopEvent; a write stuck in the port
            // is released by the port's shutdown signal.
            TracePrintf("LU: Driver thread not ending within %u ms, waiting for it\n", m_timing.driverStopMs);
            StopReadThread();
        }
        m_driverThread.Join();
    }
    if (m_portHandle) {
        Close();
        m_portHandle = false;
    }
    if (m_dialogueStarted) {
        ReleaseDialogue();
        m_dialogueStarted = false;
    }
}

bool CModemDriver::OnReceive(const uint8_t* data, uint32_t count)
{
    if (count == 0)
        return true;
    try {
        std::vector<uint8_t> chunk(data, data + count);
        std::lock_guard<std::mutex> guard(m_queueLock);
        if (m_receiveQueue.size() >= static_cast<size_t>(MaxQueuedChunks))
            return true; // the driver thread is that far behind: drop it, the retries cover it
        m_receiveQueue.push_back(std::move(chunk));
    } catch (const std::bad_alloc&) {
        return true; // lost; the dialogue's time-outs and retries cover it
    }
    m_receiveSemaphore.Release();
    return true;
}

bool CModemDriver::Write(const void* data, uint32_t count)
{
    return CComPort::Write(data, count);
}

void CModemDriver::DriverThread()
{
    CWaitable* const handles[] = {&m_stopEvent, &m_receiveSemaphore, &m_stepEvent};
    m_expect = ExpectOk;
    WriteCommand("ATZ\r\n");
    for (;;) {
        uint32_t result = WaitForObjects(handles, 3, m_waitTimeoutMs);
        switch (result) {
        case WAIT_OBJECT_0:
            return;
        case WAIT_OBJECT_0 + 1:
            ProcessReceived();
            break;
        case WAIT_OBJECT_0 + 2:
            RunStep();
            break;
        case WAIT_TIMEOUT:
            if (++m_timeoutCount == 3) {
                ShowError(IDS_TOO_MANY_RETRIES);
                m_step = StepAbort;
            }
            RunStep();
            break;
        default:
            TRACE_LAST_ERROR(static_cast<uint32_t>(errno), "Modem: Driver thread cannot wait: ");
            return;
        }
    }
}

void CModemDriver::ProcessReceived()
{
    std::vector<uint8_t> chunk;
    {
        std::lock_guard<std::mutex> guard(m_queueLock);
        if (m_receiveQueue.empty())
            return;
        chunk = std::move(m_receiveQueue.front());
        m_receiveQueue.pop_front();
    }
    for (uint8_t byte : chunk) {
        if (!TakeByte(static_cast<char>(byte))) {
            ResetLine(); // the rest of the chunk is abandoned
            return;
        }
    }
}

// Lines end at CR or LF, also across chunks; empty lines vanish. At the start of a line, each DLE
// and the character after it is a code from the modem: 'C' restarts the DTMF collection, 'b' is
// a busy tone, anything else is a DTMF character. When a DTMF frame's closing 'D' has come in
// and nothing else is on the line, the line is interpreted at once (the modem does not end its
// DTMF reports with a line end).
bool CModemDriver::TakeByte(char c)
{
    if (m_dlePending) {
        m_dlePending = false;
        if (c == '\0')
            return true;
        if (c == '\r' || c == '\n')
            return EndLine();
        if (c == 'b') {
            m_step = StepAbort; // busy tone: the call is over
            return false;
        }
        if (c == 'C') {
            dtmfBuffer[0] = 'C';
            dtmfLength = 1;
        } else if (dtmfLength < DtmfBufferLimit) {
            dtmfBuffer[dtmfLength++] = c;
        }
        dtmfBuffer[dtmfLength] = '\0';
        if (dtmfBuffer[dtmfLength - 1] == 'D')
            return InterpretLine(std::string());
        return true;
    }
    if (c == '\r' || c == '\n')
        return EndLine();
    if (c == '\0')
        return true;
    if (c == DLE && m_lineText.empty()) {
        m_dlePending = true;
        return true;
    }
    if (m_lineText.size() < MaxLineLength)
        m_lineText += c;
    return true;
}

bool CModemDriver::EndLine()
{
    if (m_lineText.empty())
        return true;
    std::string line;
    line.swap(m_lineText);
    m_lineText.reserve(MaxLineLength);
    return InterpretLine(line);
}

void CModemDriver::ResetLine()
{
    m_lineText.clear();
    m_dlePending = false;
}

void CModemDriver::ShowError(int stringId)
{
    ShowErrorText(LoadString(stringId));
}

void CModemDriver::ShowErrorText(const std::string& text)
{
    if (!m_mayShowError)
        return;
    m_mayShowError = false;
    ShowMessageBox(text, LoadString(IDS_PROGRAM_TITLE), MessageIcon::Error);
}
