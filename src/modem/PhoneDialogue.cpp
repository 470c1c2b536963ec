// The phone programming dialogue: what CModemDriver sends in each step and what the modem's
// lines and the unit's DTMF answers mean. Runs on the driver thread only.
#include <cstdio>
#include <cstring>

#include "diag/Trace.h"
#include "model/JobMessages.h"
#include "model/ParameterTable.h"
#include "model/StringTable.h"
#include "unit/DtmfFraming.h"
#include "modem/ModemDriver.h"
#include "unit/StatusRecord.h"
#include "unit/UnitCommands.h"

namespace {

constexpr int32_t VoiceModeStep = 2;
constexpr int32_t FirstParameterStep = 8;

// Lines a modem sends of its own accord, whatever it was asked: a ring, and the caller-id lines
// ("DATE = 1208", "NMBR = 5550100", ...). They answer nothing.
bool IsUnsolicitedLine(const std::string& line)
{
    if (line == "RING")
        return true;
    for (const char* tag : {"DATE", "TIME", "NMBR", "NAME", "MESG", "DDN_NMBR"}) {
        const size_t length = std::strlen(tag);
        if (line.compare(0, length, tag) != 0)
            continue;
        const size_t sign = line.find_first_not_of(' ', length);
        if (sign != std::string::npos && line[sign] == '=')
            return true;
    }
    return false;
}

// Read job, steps 8 to 19: one read code each, in this order.
constexpr ParameterRow ReadSteps[] = {
    RowAlarmReceiver1,    RowAlarmReceiver2,    RowTestAlarmReceiver, RowBatteryAlarmReceiver,
    RowAlarmCode1,        RowAlarmCode2,        RowTestAlarmCode,     RowBatteryAlarmCode,
    RowSequenceReceiver3, RowSequenceReceiver4, RowSequenceReceiver5, RowSequenceReceiver6,
};
constexpr int32_t ReadStatusStep = FirstParameterStep + static_cast<int32_t>(std::size(ReadSteps)); // 20
constexpr int32_t ReadDecodeStep = ReadStatusStep + 1;                                             // 21
static_assert(ReadDecodeStep + 1 == ReadEndStep);

enum class WritePart {
    Value,            // write code + the slot (a long number is cut to its first part)
    Rest,             // second code of a number longer than 12 characters: the slot from its 13th
    Nothing,          // no code in this step
    TestAlarmTime,    // 'A' for index 10, else the digit
    AlarmButtonDelay, // tens and units digits
};

struct WriteStep {
    ParameterRow row;
    WritePart part;
};

// Write job, steps 8 to 37.
constexpr WriteStep WriteSteps[] = {
    {RowAlarmReceiver1, WritePart::Value},
    {RowAlarmReceiver1, WritePart::Rest},
    {RowAlarmReceiver2, WritePart::Value},
    {RowAlarmReceiver2, WritePart::Rest},
    {RowTestAlarmReceiver, WritePart::Value},
    {RowTestAlarmReceiver, WritePart::Rest},
    {RowBatteryAlarmReceiver, WritePart::Value},
    {RowBatteryAlarmReceiver, WritePart::Rest},
    {RowAlarmCode1, WritePart::Value},
    {RowAlarmCode2, WritePart::Value},
    {RowTestAlarmCode, WritePart::Value},
    {RowBatteryAlarmCode, WritePart::Value},
    {RowSequenceReceiver3, WritePart::Value},
    {RowSequenceReceiver3, WritePart::Rest},
    {RowSequenceReceiver4, WritePart::Value},
    {RowSequenceReceiver4, WritePart::Rest},
    {RowSequenceReceiver5, WritePart::Value},
    {RowSequenceReceiver5, WritePart::Rest},
    {RowSequenceReceiver6, WritePart::Value},
    {RowSequenceReceiver6, WritePart::Rest},
    {RowAlarmType, WritePart::Value},
    {RowLedSequence, WritePart::Value},
    {RowNone, WritePart::Nothing},
    {RowDialToneDetection, WritePart::Value},
    {RowIdBeep, WritePart::Value},
    {RowInfoAlarm, WritePart::Value},
    {RowNewProgrammingCode, WritePart::Value},
    {RowPhoneAcknowledge, WritePart::Value},
    {RowTestAlarmTime, WritePart::TestAlarmTime},
    {RowAlarmButtonDelay, WritePart::AlarmButtonDelay},
};
static_assert(FirstParameterStep + static_cast<int32_t>(std::size(WriteSteps)) == WriteEndStep);

// The parameter's value slot in the job, as a bounded text.
std::string SlotText(const ProgrammingJob& job, ParameterRow row)
{
    int slot = ParameterSlot(row);
    if (slot < 0)
        return std::string();
    const char* text = job.Slot(slot);
    return std::string(text, strnlen(text, static_cast<size_t>(SlotWidths[slot]) - 1));
}

} // namespace

bool CModemDriver::InterpretLine(const std::string& line)
{
    // The modem's echo of a command.
    if (line.compare(0, 2, "AT") == 0)
        return true;
    if (IsUnsolicitedLine(line)) {
        TraceText("Modem: Unsolicited line, ignored\n");
        return true;
    }

    uint16_t expect = m_expect.load();
    if (expect & ExpectOk) {
        expect &= static_cast<uint16_t>(~ExpectOk);
        m_expect = expect;
        dtmfLength = 0;
        dtmfBuffer[0] = '\0';
        if (line == "OK") {
            if (!m_modemAnswered) {
                m_modemAnswered = true;
                m_waitTimeoutMs = INFINITE; // from here AT commands wait for their answer without end
            }
            if (expect == 0 && !m_followUp.empty()) {
                std::string followUp;
                followUp.swap(m_followUp);
                SendAT(followUp);
                return true;
            }
            if (expect == 0) {
                ++m_step;
                m_stepEvent.Set();
            }
            return true;
        }
        if (m_step == VoiceModeStep && !m_stopping && VoiceModeRefused(line))
            return true;
        // The modem refused the command (most often "ERROR"): say which, and to what.
        if (!m_stopping)
            ShowErrorText(JobOutcome::ModemRefused, FormatString(IDS_MODEM_REFUSED, {m_portName, line, m_lastCommand}));
        Abort();
        return true;
    }
    if (expect & ExpectDialResult) {
        expect &= static_cast<uint16_t>(~ExpectDialResult);
        m_expect = expect;
        dtmfLength = 0;
        dtmfBuffer[0] = '\0';
        if (line == "BUSY") {
            ShowError(JobOutcome::Busy, IDS_BUSY);
            Abort();
        } else if (line == "NO ANSWER") {
            ShowError(JobOutcome::NoAnswer, IDS_NO_ANSWER);
            Abort();
        } else if (line == "NO DIALTONE" || line == "NO DIAL TONE") {
            ShowErrorText(JobOutcome::NoDialTone, FormatString(IDS_NO_DIAL_TONE, {m_portName}));
            Abort();
        } else if (line == "VCON" || (m_v253 && line == "OK")) {
            // A V.253 modem says "OK" once the ringback has stopped (some chips "VCON").
            m_connected = true;
            if (expect == 0) {
                ++m_step;
                m_stepEvent.Set();
                PostToWindow(WM_SHOW_PROGRESS, ProgressConnected, CMessageValue::Number(0));
            }
        } else {
            ShowError(JobOutcome::NoVoiceConnection, IDS_UNKNOWN_DIAL_RESPONSE);
            Abort();
        }
        return true;
    }
    if (expect & ExpectDtmfAnswer) {
        if (std::memchr(dtmfBuffer, 'D', static_cast<size_t>(dtmfLength)) == nullptr)
            return true;
        DtmfFrameResult frame = CheckDtmfFrame(dtmfBuffer, dtmfLength);
        dtmfLength = 0;
        dtmfBuffer[0] = '\0';
        if (frame.status != DtmfFrameStatus::Valid) {
            // A garbled answer counts as a missing one: three in a row without a valid answer end
            // the job, as three time-outs do.
            TraceText("Modem: Bad DTMF frame, sending the command again\n");
            if (++m_timeoutCount >= 3 && !m_stopping) {
                ShowError(JobOutcome::BadLine, IDS_TOO_MANY_RETRIES);
                m_step = StepAbort;
            }
            m_stepEvent.Set();
            return false;
        }
        size_t length = frame.answer.copy(m_answer, sizeof m_answer - 1);
        m_answer[length] = '\0';
        if (m_answerTargetId != 0)
            PostToWindow(WM_SET_TEXT, static_cast<uint32_t>(m_answerTargetId), CMessageValue::Text(m_answer));
        expect &= static_cast<uint16_t>(~ExpectDtmfAnswer);
        m_expect = expect;
        ++m_step;
        m_timeoutCount = 0;
        if (expect == 0)
            m_stepEvent.Set();
        return true;
    }
    // Nothing was expected.
    Abort();
    return true;
}

void CModemDriver::Abort()
{
    m_step = StepAbort;
    m_followUp.clear();
    m_stepEvent.Set();
}

void CModemDriver::RunStep()
{
    if (m_deviceGone.load()) {
        EndBecauseDeviceGone();
        return;
    }
    if (m_finished.load()) {
        // The final reset has been sent (and, when this runs, mostly answered): nothing more to say.
        m_finishedEvent.Set();
        return;
    }
    m_watchdogSeconds = m_timing.watchdogTicks;
    for (;;) {
        switch (m_step) {
        case 0:
            SendAT("Z");
            return;
        case 1:
            SendAT("E0");
            return;
        case VoiceModeStep:
            if (m_v253) {
                SendAT("+FCLASS=8");
                m_followUp = "+VIT=0"; // the inactivity timer would drop voice mode during the call
            } else {
                SendAT("#CLS=8");
            }
            return;
        case 3:
            SendAT(m_v253 ? "+VTD=10" : "#VBT=1"); // 100 ms tones: 10 ms units against 100 ms units
            return;
        case 4:
            SendAT((m_job->mode == JobWrite ? "DT" : "D") + std::string(m_job->phoneNumber));
            m_expect = ExpectDialResult;
            m_watchdogSeconds = m_timing.dialWatchdogTicks;
            PostToWindow(WM_SHOW_PROGRESS, ProgressDialing, CMessageValue::Number(m_timing.dialWatchdogTicks));
            return;
        case 5: {
            if (!WaitBeforeNextTone())
                return; // being stopped
            if (m_step != 5)
                continue; // an orderly stop was asked for meanwhile
            char command[32];
            std::snprintf(command, sizeof command, "%s=#,%d", m_v253 ? "+VTS" : "#VTS", static_cast<int>(m_job->unit));
            SendAT(command);
            return;
        }
        case 6:
            if (!WaitBeforeNextTone())
                return;
            if (m_step != 6)
                continue;
            m_loggedIn = true;
            ++m_step;
            continue;
        case 7:
            SendCode(LoginCodePrefix + std::string(m_job->programmingCode), 0);
            return;
        default:
            break;
        }

        if (m_step == FirstParameterStep && !m_loginChecked && !CheckLogin())
            return;
        if (m_job->mode == JobWrite ? RunWriteStep() : RunReadStep())
            return;
    }
}

// The unit's answer to the login code: "011" refuses it, anything else is the firmware version.
// False when the code was refused (the log-off has been sent).
bool CModemDriver::CheckLogin()
{
    LoginAnswer login = ParseLoginAnswer(m_answer);
    if (login.refused) {
        NoteOutcome(JobOutcome::CodeRefused);
        PostToWindow(WM_SHOW_PROGRESS, ProgressBadCode, CMessageValue::Number(0));
        m_loggedIn = false;
        SendCode(LogoffCode, 0);
        m_step = m_job->mode == JobWrite ? WriteEndStep : ReadEndStep;
        return false;
    }
    PostToWindow(WM_SHOW_PROGRESS, ProgressTransfer, CMessageValue::Number(0));
    SendToWindow(WM_SET_TEXT, IdFirmware, CMessageValue::Text(login.firmwareText));
    m_firmwareMajor = login.firmwareMajor;
    m_loginChecked = true;
    return true;
}

// Runs the current read step: true when a command went out or the dialogue ended, false when
// the step had nothing to do and m_step moved on.
bool CModemDriver::RunReadStep()
{
    const int32_t step = m_step;
    if (step >= FirstParameterStep && step < ReadStatusStep) {
        const ParameterRow row = ReadSteps[step - FirstParameterStep];
        const UnitCommand* command = UnitCommandFor(row);
        if (command != nullptr && Selected(row, command->needsFirmware2)) {
            SendCode(command->readCode, ParameterTable[row].updateBoxId);
            return true;
        }
        ++m_step;
        return false;
    }
    if (step == ReadStatusStep) {
        SendCode(StatusReadCode, 0); // the answer stays in m_answer
        return true;
    }
    if (step == ReadDecodeStep) {
        // A value that does not fit its parameter is not shown; the first one is named to the
        // user and the job does not count as complete.
        std::string invalid;
        for (StatusValue& value : DecodeStatusRecord(m_answer, m_firmwareMajor)) {
            if (value.valid) {
                SendToWindow(WM_SET_TEXT, static_cast<uint32_t>(value.id), std::move(value.value));
                continue;
            }
            TracePrintf("Modem: Status value for %s is not valid: \"%s\"\n", value.name, value.raw.c_str());
            invalid += (invalid.empty() ? "" : ", ") + std::string(value.name) + " \"" + value.raw + "\"";
        }
        if (!invalid.empty())
            ShowErrorText(JobOutcome::InvalidValues, FormatString(IDS_INVALID_STATUS_VALUE, {invalid}));
        ++m_step;
        return false;
    }
    EndDialogue();
    return true;
}

bool CModemDriver::RunWriteStep()
{
    const int32_t step = m_step;
    if (step < FirstParameterStep || step >= WriteEndStep) {
        EndDialogue();
        return true;
    }
    const WriteStep& entry = WriteSteps[step - FirstParameterStep];
    const UnitCommand* command = UnitCommandFor(entry.row);
    if (command == nullptr || !Selected(entry.row, command->needsFirmware2)) {
        ++m_step;
        return false;
    }
    const std::string value = SlotText(*m_job, entry.row);
    const int32_t answerId = ParameterTable[entry.row].updateBoxId;
    switch (entry.part) {
    case WritePart::Value:
        SendCode(command->writeCode + value, answerId);
        return true;
    case WritePart::Rest:
        if (value.size() > static_cast<size_t>(NumberFirstPartLength) && command->writeRestCode != nullptr) {
            SendCode(command->writeRestCode + value.substr(NumberFirstPartLength), answerId);
            return true;
        }
        break;
    case WritePart::TestAlarmTime:
        SendCode(TestAlarmTimeWriteCode(value.c_str()), answerId);
        return true;
    case WritePart::AlarmButtonDelay:
        SendCode(AlarmButtonDelayWriteCode(value.c_str()), answerId);
        return true;
    case WritePart::Nothing:
        break;
    }
    ++m_step;
    return false;
}

// Past the last step, and after an abort: log off when logged in, else reset the modem and finish.
void CModemDriver::EndDialogue()
{
    if (m_loggedIn) {
        PostToWindow(WM_SHOW_PROGRESS, ProgressLogoff, CMessageValue::Number(0));
        m_loggedIn = false;
        SendCode(LogoffCode, 0);
        return;
    }
    SendAT("Z");
    m_finished = true;
}

bool CModemDriver::Selected(int row, bool needsFirmware2) const
{
    return (m_job->selectionMask & ParameterTable[row].maskBit) != 0 && (!needsFirmware2 || m_firmwareMajor == '2');
}

void CModemDriver::SendAT(const std::string& suffix)
{
    m_expect = ExpectOk;
    WriteCommand("AT" + suffix + "\r\n");
}

void CModemDriver::SendDtmfCommand(const std::string& command, int32_t answerTargetId)
{
    m_answerTargetId = answerTargetId;
    m_expect = static_cast<uint16_t>(ExpectOk | ExpectDtmfAnswer);
    m_waitTimeoutMs = m_timing.answerTimeoutMs;
    WriteCommand(command);
}

void CModemDriver::SendCode(const std::string& code, int32_t answerTargetId)
{
    if (code.size() > MaxCodeLength) {
        // The first part of a long number: its answer is not reported, the rest's answer is.
        SendDtmfCommand(ToneCommand(BuildDtmfCommand(std::string_view(code).substr(0, MaxCodeLength)).c_str()), 0);
        return;
    }
    SendDtmfCommand(ToneCommand(BuildDtmfCommand(code).c_str()), answerTargetId);
}

// The tone command in the set the modem speaks: "AT#VTS=..." becomes "AT+VTS=..." for V.253,
// whose bare tones take the +VTD length.
std::string CModemDriver::ToneCommand(const char* command) const
{
    std::string text = command;
    if (m_v253 && text.compare(0, 6, "AT#VTS") == 0)
        text.replace(2, 4, "+VTS");
    return text;
}

// The answer to the voice mode command was not "OK". Under Auto a '#' command refused with
// "ERROR" means a V.253 modem: the call goes on in that set. True when the line was dealt with
// (the V.253 command sent, or the job ended saying the modem has no voice mode).
bool CModemDriver::VoiceModeRefused(const std::string& line)
{
    if (m_v253 && m_lastCommand == "AT+VIT=0") {
        // Not every V.253 modem has the inactivity timer; voice mode is on all the same.
        TraceText("Modem: The modem has no inactivity timer to switch off\n");
        ++m_step;
        m_stepEvent.Set();
        return true;
    }
    if (line != "ERROR")
        return false;
    if (!m_v253 && m_profile == ModemProfile::Auto) {
        TraceText("Modem: The modem refuses the '#' voice commands, speaking V.253 from here\n");
        m_v253 = true;
        SendAT("+FCLASS=8");
        m_followUp = "+VIT=0";
        return true;
    }
    ShowErrorText(JobOutcome::NoVoiceConnection, FormatString(IDS_NO_VOICE_MODE, {m_portName, line, m_lastCommand}));
    Abort();
    return true;
}

void CModemDriver::WriteCommand(const std::string& command)
{
    m_lastCommand = command.substr(0, command.find_first_of("\r\n"));
    TraceDialogue(">", command);
    if (Write(command.data(), static_cast<uint32_t>(command.size())))
        return;
    if (m_stopEvent.IsSet())
        return; // being stopped: the port gave the write up
    // The port no longer takes our commands (device gone, line broken): end the job now.
    TracePrintf("Modem: Unable to write to %s, ending the job\n", m_portName.c_str());
    EndBecauseDeviceGone();
}

void CModemDriver::EndBecauseDeviceGone()
{
    // After the final reset has gone out the job is done; the modem going now changes nothing.
    const bool wasFinished = m_finished.exchange(true);
    TracePrintf("Modem: %s is gone, ending the job\n", m_portName.c_str());
    if (!wasFinished && !m_stopping)
        ShowErrorText(JobOutcome::ModemGone, FormatString(IDS_MODEM_GONE, {m_portName}));
    m_finishedEvent.Set();
}

// The pause before the unit selection and before the login. False when the driver is being
// stopped; an orderly stop asked for meanwhile begins here (m_step becomes StepAbort).
bool CModemDriver::WaitBeforeNextTone()
{
    CWaitable* const handles[] = {&m_stopEvent, &m_stopRequestEvent};
    switch (WaitForObjects(handles, 2, m_timing.selectWaitMs)) {
    case WAIT_OBJECT_0:
        return false;
    case WAIT_OBJECT_0 + 1:
        BeginOrderlyStop();
        return true;
    default:
        return true;
    }
}

void CModemDriver::PostToWindow(uint32_t message, uint32_t wParam, CMessageValue value)
{
    if (m_job->notifyWindow != nullptr)
        m_job->notifyWindow->PostMessage(message, wParam, std::move(value));
}

void CModemDriver::SendToWindow(uint32_t message, uint32_t wParam, CMessageValue value)
{
    if (m_job->notifyWindow != nullptr)
        m_job->notifyWindow->SendMessage(message, wParam, std::move(value));
}
