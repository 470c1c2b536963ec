#include "modem/ModemDriver.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "diag/SystemError.h"
#include "diag/Trace.h"
#include "model/JobValidation.h"
#include "model/StringTable.h"
#include "modem/DialogueRecorder.h"
#include "modem/ModemLineSettings.h"
#include "modem/PortErrorText.h"
#include "platform/MessagePresenter.h"

char dtmfBuffer[DtmfBufferLimit + 1];
int32_t dtmfLength;

namespace {

bool IsToneCommand(const std::string& command)
{
    return command.compare(0, 6, "AT+VTS") == 0 || command.compare(0, 6, "AT#VTS") == 0;
}

void ClearDtmfBuffer()
{
    dtmfBuffer[0] = '\0';
    dtmfLength = 0;
}

} // namespace

CModemDriver::CModemDriver(const ProgrammingJob* job, std::string portName, ModemProfile profile)
    : m_watchdogSeconds(GetDialogueTiming().watchdogTicks), m_job(job), m_timing(GetDialogueTiming()),
      m_profile(profile), m_v253(profile == ModemProfile::V253), m_callSettings(GetModemCallSettings())
{
    m_portName = std::move(portName);
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
        ShowErrorText(JobOutcome::InvalidJob, problem);
        return false;
    }

    int error = 0;
    SerialHandle device = OpenSerialDevice(m_portName, &error);
    if (!device) {
        TRACE_LAST_ERROR(static_cast<uint32_t>(error), "Modem: Unable to open serial port: ");
        ShowErrorText(JobOutcome::PortError, PortOpenErrorText(m_portName, error));
        return false;
    }
    // The queue's semaphore and the events exist before the reader thread can deliver a byte.
    if (!CreateDialogueObjects())
        return false;
    errno = 0;
    if (!Open(device.get())) {
        // The port traced the failing call; the device is still ours and closes as it goes.
        int openError = LastSystemError();
        TracePrintf("Modem: Unable to open the line on %s\n", m_portName.c_str());
        ShowErrorText(JobOutcome::PortError, PortOpenErrorText(m_portName, openError));
        ReleaseDialogue();
        return false;
    }
    device.release(); // the port owns it now
    m_portHandle = true;

    SetModemLineSettings(*this);
    CommTimeouts timeouts;
    if (GetCommTimeouts(timeouts)) {
        timeouts.readIntervalTimeout = 50;
        SetCommTimeouts(timeouts);
    }

    if (!StartDriverThread()) {
        Close();
        m_portHandle = false;
        ReleaseDialogue();
        return false;
    }
    return true;
}

bool CModemDriver::StartDialogue()
{
    if (!CreateDialogueObjects())
        return false;
    return StartDriverThread();
}

bool CModemDriver::CreateDialogueObjects()
{
    if (!m_receiveSemaphore.Create(0, MaxQueuedChunks)) {
        TRACE_LAST_ERROR(static_cast<uint32_t>(LastSystemError()), "Modem: Unable to CreateSemaphore: ");
        ReleaseDialogue();
        return false;
    }
    if (!m_stepEvent.Create(false, false) || !m_finishedEvent.Create(true, false) ||
        !m_stopRequestEvent.Create(false, false)) {
        TRACE_LAST_ERROR(static_cast<uint32_t>(LastSystemError()), "Modem: Unable to CreateEvent: ");
        ReleaseDialogue();
        return false;
    }
    if (!m_stopEvent.Create(true, false)) {
        TRACE_LAST_ERROR(static_cast<uint32_t>(LastSystemError()), "LU: Unable to CreateEvent: ");
        ReleaseDialogue();
        return false;
    }
    ClearDtmfBuffer();
    ResetLine();
    m_dialogueStarted = true;
    return true;
}

bool CModemDriver::StartDriverThread()
{
    m_startTime = std::chrono::steady_clock::now();
    if (!m_driverThread.Start([this] { DriverThread(); }, ThreadPriority::AboveNormal)) {
        TRACE_LAST_ERROR(static_cast<uint32_t>(errno), "Modem: Unable to create thread");
        ReleaseDialogue();
        return false;
    }
    return true;
}

void CModemDriver::ReleaseDialogue()
{
    m_dialogueStarted = false;
    m_stopRequestEvent.Close();
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
    if (m_dialogueStarted)
        ReleaseDialogue();
}

bool CModemDriver::OnReceive(const uint8_t* data, uint32_t count)
{
    if (count == 0)
        return true;
    try {
        // When it came, for telling a repeated tone report from a new tone.
        const long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now().time_since_epoch())
                                 .count();
        ReceivedChunk chunk{std::vector<uint8_t>(data, data + count), ms};
        std::lock_guard<std::mutex> guard(m_queueLock);
        if (m_receiveQueue.size() >= QueueDropLimit) {
            TracePrintf("Modem: %zu chunks waiting, dropping %u bytes\n", m_receiveQueue.size(), count);
            return true;
        }
        m_receiveQueue.push_back(std::move(chunk));
    } catch (const std::bad_alloc&) {
        TracePrintf("Modem: Out of memory, dropping %u received bytes\n", count);
        return true; // lost; the dialogue's time-outs and retries cover it
    }
    m_receiveSemaphore.Release(); // stops counting at MaxQueuedChunks; the chunks stay queued
    return true;
}

void CModemDriver::OnDeviceGone()
{
    m_deviceGone = true;
    m_stepEvent.Set();
}

void CModemDriver::RequestStop()
{
    m_stopRequestEvent.Set();
}

void CModemDriver::ReportStall()
{
    if (m_expect.load() == ExpectDialResult)
        ShowErrorText(JobOutcome::NoDialResult, FormatString(IDS_NO_DIAL_RESULT, {m_portName, std::to_string(m_timing.dialWatchdogTicks)}));
    else if (!m_connected.load())
        ShowErrorText(JobOutcome::ModemGone, FormatString(IDS_MODEM_STOPPED_ANSWERING, {m_portName}));
    else
        ShowNoAnswerError();
}

bool CModemDriver::Write(const void* data, uint32_t count)
{
    return CComPort::Write(data, count);
}

void CModemDriver::DriverThread()
{
    CWaitable* const handles[] = {&m_stopEvent, &m_receiveSemaphore, &m_stepEvent, &m_stopRequestEvent};
    m_expect = ExpectOk;
    // The first "ATZ" is the one command not waited for without end: a modem that does not answer
    // it is not there (wrong port, unplugged, switched off).
    m_waitTimeoutMs = m_timing.modemAnswerMs;
    WriteCommand("ATZ\r\n");
    for (;;) {
        uint32_t result = WaitForObjects(handles, 4, m_waitTimeoutMs);
        switch (result) {
        case WAIT_OBJECT_0:
            return;
        case WAIT_OBJECT_0 + 1:
            ProcessReceived();
            break;
        case WAIT_OBJECT_0 + 2:
            RunStep();
            break;
        case WAIT_OBJECT_0 + 3:
            BeginOrderlyStop();
            RunStep();
            break;
        case WAIT_TIMEOUT:
            if (!m_modemAnswered) {
                TracePrintf("Modem: No answer to ATZ within %u ms\n", m_timing.modemAnswerMs);
                ShowErrorText(JobOutcome::ModemSilent, FormatString(IDS_MODEM_SILENT, {m_portName}));
                m_waitTimeoutMs = INFINITE;
                m_finished = true;
                m_finishedEvent.Set();
                break;
            }
            if (m_stopping) {
                // No answer to the log-off: give it up and reset the modem.
                m_loggedIn = false;
            } else if (PartAnswerTimedOut()) {
                // counted as a spoilt answer; the code goes out again
            } else if (++m_timeoutCount < 3 && SelectAgainBeforeLogin()) {
                // the selection goes out again before the next login
            } else if (m_timeoutCount >= 3) {
                ShowNoAnswerError();
                m_step = StepAbort;
            }
            RunStep();
            break;
        default:
            TRACE_LAST_ERROR(static_cast<uint32_t>(LastSystemError()), "Modem: Driver thread cannot wait: ");
            return;
        }
    }
}

// The orderly end asked for by the worker: the end handling from here (log-off when logged in,
// then the modem reset), with a bounded wait for each answer and no message to the user.
void CModemDriver::BeginOrderlyStop()
{
    if (m_stopping)
        return;
    TraceText("Modem: Stop asked for, ending the call\n");
    m_stopping = true;
    if (m_mayShowError.exchange(false))
        NoteOutcome(JobOutcome::Stopped);
    m_step = StepAbort;
    m_modemAnswered = true;
    m_waitTimeoutMs = m_timing.logoffWaitMs;
}

void CModemDriver::ProcessReceived()
{
    // Every chunk waiting: the semaphore may have stopped counting at its maximum.
    for (;;) {
        ReceivedChunk chunk;
        {
            std::lock_guard<std::mutex> guard(m_queueLock);
            if (m_receiveQueue.empty())
                return;
            chunk = std::move(m_receiveQueue.front());
            m_receiveQueue.pop_front();
        }
        m_chunkMs = chunk.receivedMs;
        for (uint8_t byte : chunk.bytes) {
            if (!TakeByte(static_cast<char>(byte))) {
                ResetLine(); // the rest of the chunk is abandoned
                break;
            }
        }
    }
}

// Lines end at CR or LF, also across chunks; empty lines vanish. The DLE codes among the bytes
// are the collector's to tell apart: a DTMF tone goes into dtmfBuffer ('C' restarts it), a busy
// tone ends the call, anything else (events, burst marks, repeated tones, data bytes) only goes
// to the trace. When a DTMF frame's closing 'D' has come in, the frame is interpreted at once (the
// modem does not end its DTMF reports with a line end).
bool CModemDriver::TakeByte(char c)
{
    // A '#' modem reports each tone once; V.253 chips without marks repeat a lasting tone.
    const CDtmfCollector::Item item = m_collector.Take(c, m_v253 ? m_chunkMs : -1);
    switch (item.kind) {
    case CDtmfCollector::Kind::Pending:
        return true;
    case CDtmfCollector::Kind::LineEnd:
        return EndLine();
    case CDtmfCollector::Kind::Tone:
        return TakeTone(item.code);
    case CDtmfCollector::Kind::Busy:
        return TakeBusyTone();
    case CDtmfCollector::Kind::HangUp:
        return TakeHangUp(item.code);
    case CDtmfCollector::Kind::Repeat:
    case CDtmfCollector::Kind::Mark:
    case CDtmfCollector::Kind::Event:
    case CDtmfCollector::Kind::DataByte: {
        if (item.code == '\0')
            return true;
        const char code[] = {'D', 'L', 'E', ' ', item.code, ' ', '(', 'i', 'g', 'n', 'o', 'r', 'e', 'd', ')', '\0'};
        TraceDialogue("<", code);
        return true;
    }
    case CDtmfCollector::Kind::Text:
        break;
    }
    if (c == '\r' || c == '\n')
        return EndLine();
    // Result lines are printable text: a control character on the line (a lone XON or XOFF, a
    // stray BEL) is not part of it.
    if (static_cast<unsigned char>(c) < 0x20)
        return true;
    if (m_lineText.size() < MaxLineLength)
        m_lineText += c;
    return true;
}

bool CModemDriver::TakeTone(char tone)
{
    if ((m_expect.load() & ExpectOk) != 0 && IsToneCommand(m_lastCommand)) {
        // The modem's detector hears the tones the modem itself is playing: the unit's answer
        // only begins after the OK.
        const char code[] = {'D', 'L', 'E', ' ', tone, ' ', '(', 'o', 'w', 'n', ' ', 't', 'o', 'n', 'e', ')', '\0'};
        TraceDialogue("<", code);
        return true;
    }
    {
        const char code[] = {'D', 'L', 'E', ' ', tone, '\0'};
        TraceDialogue("<", code);
    }
    if (tone == 'C') {
        dtmfBuffer[0] = 'C';
        dtmfLength = 1;
    } else if (dtmfLength < DtmfBufferLimit) {
        dtmfBuffer[dtmfLength++] = tone;
    }
    dtmfBuffer[dtmfLength] = '\0';
    if (dtmfLength > 0 && dtmfBuffer[dtmfLength - 1] == 'D')
        return InterpretLine(std::string());
    return true;
}

// Busy tone: the far end has hung up. A log-off would go nowhere; end the call now.
bool CModemDriver::TakeBusyTone()
{
    TraceDialogue("<", "DLE b");
    if (m_step == StepAbort && !m_loggedIn)
        return true; // a V.253 modem repeats it while the tone lasts: the call is ending already
    if (m_connected.load())
        ShowError(JobOutcome::UnitHungUp, IDS_BUSY_TONE);
    else
        ShowError(JobOutcome::Busy, IDS_BUSY);
    m_loggedIn = false;
    Abort();
    return false;
}

// Dial tone (DLE 'd') or a dropped loop current (DLE 'l') during the call: the far end has hung
// up. The line is gone: no log-off, the modem is reset at once.
bool CModemDriver::TakeHangUp(char code)
{
    const char shown[] = {'D', 'L', 'E', ' ', code, '\0'};
    TraceDialogue("<", shown);
    if (!m_connected.load() || (m_step == StepAbort && !m_loggedIn))
        return true; // before the call (the line's own dial tone), or the call is ending already
    TracePrintf("Modem: The far end hung up (DLE %c), ending the call\n", code);
    ShowError(JobOutcome::UnitHungUp, IDS_UNIT_HUNG_UP);
    m_loggedIn = false;
    Abort();
    return false;
}

bool CModemDriver::EndLine()
{
    if (m_lineText.empty())
        return true;
    m_lastResultAt = std::chrono::steady_clock::now();
    std::string line;
    line.swap(m_lineText);
    m_lineText.reserve(MaxLineLength);
    TraceDialogue("<", line);
    return InterpretLine(line);
}

void CModemDriver::ResetLine()
{
    m_lineText.clear();
    m_collector.Reset();
}

void CModemDriver::NoteOutcome(JobOutcome outcome)
{
    JobOutcome none = JobOutcome::None;
    m_outcome.compare_exchange_strong(none, outcome);
}

void CModemDriver::ShowError(JobOutcome outcome, int stringId)
{
    ShowErrorText(outcome, LoadString(stringId));
}

void CModemDriver::ShowErrorText(JobOutcome outcome, const std::string& text)
{
    if (!m_mayShowError.exchange(false))
        return;
    NoteOutcome(outcome);
    ShowMessageBox(text, LoadString(IDS_PROGRAM_TITLE), MessageIcon::Error);
}

// The modem dialogue in the trace: what went out and what came back, with the time since the
// driver started, control characters shown as \r, \n or \xNN.
void CModemDriver::TraceDialogue(const char* direction, std::string_view text)
{
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_startTime).count();
    std::string shown;
    for (char c : text) {
        if (c == '\r') {
            shown += "\\r";
        } else if (c == '\n') {
            shown += "\\n";
        } else if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned>(static_cast<unsigned char>(c)));
            shown += hex;
        } else {
            shown += c;
        }
    }
    TracePrintf("Modem: %8.3f %s %s\n", seconds, direction, shown.c_str());
    RecordDialogue(direction, text); // and into the trace file, when one is being written
}
