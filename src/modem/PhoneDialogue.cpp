// The phone programming dialogue: what CModemDriver sends in each step and what the modem's
// lines and the unit's DTMF answers mean. Runs on the driver thread only.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <span>

#include "diag/Trace.h"
#include "model/JobMessages.h"
#include "model/ParameterTable.h"
#include "model/StringTable.h"
#include "unit/DtmfFraming.h"
#include "modem/ModemDriver.h"
#include "unit/ReadBack.h"
#include "unit/StatusRecord.h"
#include "unit/UnitCommands.h"

namespace {

constexpr int32_t FirstParameterStep = 8;
constexpr int32_t LoginStep = 7;

// The set-up of a call, steps 0 to 7: one row per command. Each profile has its table; a row
// says what goes out, which step it belongs to and what an answer other than "OK" to it means.
enum class SetupAction {
    Command,          // "AT" + command, answered "OK"
    Dial,             // "ATD" or "ATDT" + the number, answered by a dial result
    SelectUnit,       // after the pause, the tones '#' and the unit digit (command: its format)
    PauseBeforeLogin, // the pause before the login; the unit counts as logged in from here
    Login,            // the login code, answered by "OK" and the unit's frame
};

enum class SetupRefusal {
    Fatal,             // the modem refused the command: the job ends, naming the answer and command
    NoVoiceMode,       // no such voice mode; under auto a refused '#' class means a V.253 modem
    Optional,          // not every modem has it: traced, and the set-up goes on
    UnknownDialResult, // "ERROR" to the dial is a dial result that is none of the known ones
    NoRingback,        // "ERROR" to the dial: no ringback came within +VRN (Intel-type chips)
};

// The value a command carries, from the call settings.
enum class SetupValue {
    None,
    RingbackGap,  // +VRA, tenths of a second
    RingbackWait, // +VRN, seconds
    Country,      // +GCI; the row is left out when no country is set
};

struct SetupRow {
    int32_t step;
    SetupAction action;
    const char* command; // after "AT"; a value is appended
    SetupRefusal refusal;
    const char* skipped; // the trace line when an optional command is refused
    SetupValue value = SetupValue::None;
};

constexpr SetupRow HashSetup[] = {
    {0, SetupAction::Command, "Z", SetupRefusal::Fatal, nullptr},
    {1, SetupAction::Command, "E0", SetupRefusal::Fatal, nullptr},
    {1, SetupAction::Command, "+GCI=", SetupRefusal::Optional, "Modem: The modem refuses the country code\n",
     SetupValue::Country},
    {2, SetupAction::Command, "#CLS=8", SetupRefusal::NoVoiceMode, nullptr},
    {3, SetupAction::Command, "#VBT=1", SetupRefusal::Fatal, nullptr}, // 100 ms tones, in 100 ms units
    {4, SetupAction::Dial, nullptr, SetupRefusal::UnknownDialResult, nullptr},
    {5, SetupAction::SelectUnit, "#VTS=#,%d", SetupRefusal::Fatal, nullptr},
    {6, SetupAction::PauseBeforeLogin, nullptr, SetupRefusal::Fatal, nullptr},
    {LoginStep, SetupAction::Login, nullptr, SetupRefusal::Fatal, nullptr},
};

constexpr SetupRow V253Setup[] = {
    {0, SetupAction::Command, "Z", SetupRefusal::Fatal, nullptr},
    {1, SetupAction::Command, "E0", SetupRefusal::Fatal, nullptr},
    {1, SetupAction::Command, "+GCI=", SetupRefusal::Optional, "Modem: The modem refuses the country code\n",
     SetupValue::Country},
    {2, SetupAction::Command, "+FCLASS=8", SetupRefusal::NoVoiceMode, nullptr},
    // The inactivity timer would drop voice mode during the call.
    {2, SetupAction::Command, "+VIT=0", SetupRefusal::Optional,
     "Modem: The modem has no inactivity timer to switch off\n"},
    // The dial result comes once the ringback has been silent this long, or when none came: both
    // longer than the silence between two rings, or the tones would go out while the unit rings.
    {2, SetupAction::Command, "+VRA=", SetupRefusal::Optional, "Modem: The modem has no ringback gap timer to set\n",
     SetupValue::RingbackGap},
    {2, SetupAction::Command, "+VRN=", SetupRefusal::Optional, "Modem: The modem has no ringback wait timer to set\n",
     SetupValue::RingbackWait},
    {3, SetupAction::Command, "+VTD=10", SetupRefusal::Fatal, nullptr}, // 100 ms tones, in 10 ms units
    {4, SetupAction::Dial, nullptr, SetupRefusal::NoRingback, nullptr},
    {5, SetupAction::SelectUnit, "+VTS=#,%d", SetupRefusal::Fatal, nullptr},
    {6, SetupAction::PauseBeforeLogin, nullptr, SetupRefusal::Fatal, nullptr},
    {LoginStep, SetupAction::Login, nullptr, SetupRefusal::Fatal, nullptr},
};

std::span<const SetupRow> SetupTable(bool v253)
{
    if (v253)
        return V253Setup;
    return HashSetup;
}

// What "ERROR" to the dial means in a command set.
SetupRefusal DialRefusal(bool v253)
{
    for (const SetupRow& row : SetupTable(v253))
        if (row.action == SetupAction::Dial)
            return row.refusal;
    return SetupRefusal::UnknownDialResult;
}

// The row of a table that switches voice mode on.
size_t VoiceModeRow(std::span<const SetupRow> rows)
{
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].refusal == SetupRefusal::NoVoiceMode)
            return i;
    return 0;
}

// Lines a modem sends of its own accord, whatever it was asked: a ring, and the caller-id lines
// ("DATE = 1208", "NMBR = 5550100", ...). They answer nothing.
bool IsUnsolicitedLine(const std::string& line)
{
    if (line == "RING" || line == "RINGING") // RINGING: some modems while the far end rings
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

// The read-back that follows a write asked to verify it, steps 38 to 51: the parameters that have
// a read code, in the read job's order, then the status record for the rest, then the comparison.
// The log-off follows as after any write.
constexpr int32_t ReadBackFirstStep = WriteEndStep;
constexpr int32_t ReadBackStatusStep = ReadBackFirstStep + static_cast<int32_t>(std::size(ReadSteps)); // 50
constexpr int32_t ReadBackCompareStep = ReadBackStatusStep + 1;                                        // 51
static_assert(ReadBackCompareStep < StepAbort);

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
            if (expect == 0) {
                NextStep();
                m_stepEvent.Set();
            }
            return true;
        }
        if (m_step < FirstParameterStep && !m_stopping && SetupRefused(line))
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
        } else if (line == "VCON" || ((m_v253 || m_profile == ModemProfile::Auto) && line == "OK")) {
            // A V.253 modem says "OK" once the ringback has stopped (some chips "VCON"); so does
            // a Conexant that took the '#' voice class under auto.
            m_connected = true;
            if (expect == 0) {
                NextStep();
                m_stepEvent.Set();
                PostToWindow(WM_SHOW_PROGRESS, ProgressConnected, CMessageValue::Number(0));
            }
        } else if (line == "ERROR" && DialRefusal(m_v253) == SetupRefusal::NoRingback) {
            ShowError(JobOutcome::NoRingback, IDS_NO_RINGBACK);
            Abort();
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
        m_unitHeard = true;
        ++m_answersChecked;
        dtmfLength = 0;
        dtmfBuffer[0] = '\0';
        if (frame.status != DtmfFrameStatus::Valid) {
            // A garbled answer counts as a failure in a row, as a time-out does; answers that keep
            // failing their check end the call at their own count.
            TraceText("Modem: Bad DTMF frame, sending the command again\n");
            CountSpoiltAnswer();
            m_stepEvent.Set();
            return false;
        }
        if (!ConfirmedAnswer(frame.answer)) {
            m_stepEvent.Set();
            return false;
        }
        size_t length = frame.answer.copy(m_answer, sizeof m_answer - 1);
        m_answer[length] = '\0';
        if (m_answerTargetId != 0)
            PostToWindow(WM_SET_TEXT, static_cast<uint32_t>(m_answerTargetId), CMessageValue::Text(m_answer));
        expect &= static_cast<uint16_t>(~ExpectDtmfAnswer);
        m_expect = expect;
        NextStep();
        m_timeoutCount = 0;
        if (expect == 0)
            m_stepEvent.Set();
        return true;
    }
    // Nothing was expected.
    Abort();
    return true;
}

// An answer that failed its check (or came without its end): a failure in a row, as a time-out
// is; answers that keep failing end the call at their own count.
void CModemDriver::CountSpoiltAnswer()
{
    ++m_answersFailed;
    m_codeSpoilt = true;
    if (++m_timeoutCount >= m_timing.failedChecksToEnd && !m_stopping) {
        ShowTooManyRetries();
        m_step = StepAbort;
    }
}

// The time-out came while the unit's answer had begun but not ended: the line lost its end tone
// or more. That is a spoilt answer, not a silent unit.
bool CModemDriver::PartAnswerTimedOut()
{
    if (m_expect.load() != ExpectDtmfAnswer || dtmfLength == 0)
        return false;
    TraceText("Modem: Answer without its end, sending the command again\n");
    m_unitHeard = true;
    ++m_answersChecked;
    dtmfLength = 0;
    dtmfBuffer[0] = '\0';
    CountSpoiltAnswer();
    return true;
}

// The check digit lets about one spoilt answer in ten through (a '9' lost or heard twice leaves
// it as it was). Once the line has spoilt an answer to a read code or to the login, a valid answer
// to it counts only when the same code sent again gives the same answer (a refused code too: the
// unit may have heard a wrong one); two that differ count as a spoilt answer. Codes that change
// the unit are not sent more often than the line makes them. A login answer too short to be one
// is spoilt whatever its check digit says.
bool CModemDriver::ConfirmedAnswer(const std::string& answer)
{
    if (m_lastCode.compare(0, 2, LoginCodePrefix) == 0 && answer.size() < LoginAnswerLength && !m_stopping) {
        // "011" or the three characters of the firmware: anything shorter lost tones on the way.
        TraceText("Modem: Login answer too short, sending the login again\n");
        CountSpoiltAnswer();
        return false;
    }
    const bool readsOrLogsIn =
        m_lastCode.compare(0, 2, ReadCodePrefix) == 0 || m_lastCode.compare(0, 2, LoginCodePrefix) == 0;
    if (!m_codeSpoilt || m_stopping || !readsOrLogsIn)
        return true;
    if (m_unconfirmed && *m_unconfirmed == answer) {
        m_unconfirmed.reset();
        return true;
    }
    if (m_unconfirmed) {
        TraceText("Modem: Two answers to the same code differ, reading it again\n");
        CountSpoiltAnswer();
    } else {
        TraceText("Modem: Answer after a spoilt one, reading it again to compare\n");
    }
    m_unconfirmed = answer;
    return false;
}

// Three tries without a valid answer. When nothing at all came back to the login, no unit with
// the number dialled answered: a wrong unit number, or a line the unit hears nothing on.
void CModemDriver::ShowNoAnswerError()
{
    if (m_loginSent.load() && !m_unitHeard.load())
        ShowErrorText(JobOutcome::UnitSilent, FormatString(IDS_UNIT_SILENT, {std::to_string(m_job->unit)}));
    else
        ShowTooManyRetries();
}

// The call ends after too many failures in a row. When answers failed their check the line spoils
// the tones: say so, with how many, rather than only that there were too many retries.
void CModemDriver::ShowTooManyRetries()
{
    if (m_answersFailed > 0)
        ShowErrorText(JobOutcome::NoisyLine, FormatString(IDS_NOISY_LINE, {std::to_string(m_answersFailed),
                                                                           std::to_string(m_answersChecked)}));
    else
        ShowError(JobOutcome::BadLine, IDS_TOO_MANY_RETRIES);
}

void CModemDriver::Abort()
{
    m_step = StepAbort;
    m_stepEvent.Set();
}

// The step after the current one: in the set-up the next row of the profile's table.
void CModemDriver::NextStep()
{
    if (m_step >= FirstParameterStep) {
        ++m_step;
        return;
    }
    const std::span<const SetupRow> rows = SetupTable(m_v253);
    m_setupRow = std::min(m_setupRow + 1, rows.size());
    m_step = m_setupRow < rows.size() ? rows[m_setupRow].step : FirstParameterStep;
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
        if (m_step < FirstParameterStep) {
            if (RunSetupStep())
                return;
            continue;
        }
        if (m_step == FirstParameterStep && !m_loginChecked && !CheckLogin())
            return;
        if (m_job->mode == JobWrite ? RunWriteStep() : RunReadStep())
            return;
    }
}

// Runs the set-up row of the current step: true when a command went out (or the driver is being
// stopped), false when the row is done and the next one is to run.
bool CModemDriver::RunSetupStep()
{
    const std::span<const SetupRow> rows = SetupTable(m_v253);
    const SetupRow& row = rows[std::min(m_setupRow, rows.size() - 1)];
    switch (row.action) {
    case SetupAction::Command:
        switch (row.value) {
        case SetupValue::None:
            SendAT(row.command);
            return true;
        case SetupValue::RingbackGap:
            SendAT(row.command + std::to_string(m_callSettings.ringbackGapTenths));
            return true;
        case SetupValue::RingbackWait:
            SendAT(row.command + std::to_string(m_callSettings.ringbackWaitSeconds));
            return true;
        case SetupValue::Country:
            if (m_callSettings.country.empty()) {
                NextStep(); // the modem keeps its own country
                return false;
            }
            SendAT(row.command + m_callSettings.country);
            return true;
        }
        return true;
    case SetupAction::Dial:
        SendAT((m_job->mode == JobWrite ? "DT" : "D") + std::string(m_job->phoneNumber));
        m_expect = ExpectDialResult;
        m_watchdogSeconds = m_timing.dialWatchdogTicks;
        PostToWindow(WM_SHOW_PROGRESS, ProgressDialing, CMessageValue::Number(m_timing.dialWatchdogTicks));
        return true;
    case SetupAction::SelectUnit: {
        const int32_t step = m_step;
        if (!WaitBeforeNextTone())
            return true; // being stopped
        if (m_step != step)
            return false; // an orderly stop was asked for meanwhile
        char command[32];
        std::snprintf(command, sizeof command, row.command, static_cast<int>(m_job->unit));
        SendAT(command);
        return true;
    }
    case SetupAction::PauseBeforeLogin: {
        const int32_t step = m_step;
        if (!WaitBeforeNextTone())
            return true;
        if (m_step != step)
            return false;
        m_loggedIn = true;
        NextStep();
        return false;
    }
    case SetupAction::Login:
        m_loginSent = true;
        SendCode(LoginCodePrefix + std::string(m_job->programmingCode), 0);
        return true;
    }
    return true;
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
    // Only a unit that took the code and is still logged in is read back; after an abort (step
    // StepAbort) or the log-off the dialogue ends as usual.
    if (m_job->verifyWrites && m_loggedIn && m_loginChecked && !m_stopping && step >= ReadBackFirstStep &&
        step <= ReadBackCompareStep)
        return RunReadBackStep();
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

// The answer to the read-back code sent in the step before this one. A time-out runs the step
// again unchanged, so an answer counts only once the step has moved on past its code.
void CModemDriver::TakeReadBackAnswer()
{
    if (m_readBackSentStep < 0 || m_step != m_readBackSentStep + 1)
        return;
    const int32_t row = m_readBackSentRow;
    m_readBackSentStep = -1;
    m_readBackSentRow = -1;
    if (row >= 0 && row < ParameterCount) {
        m_readBack[row] = m_answer;
        m_readBackCame[row] = true;
        return;
    }
    if (row != RowStatus)
        return;
    for (StatusValue& value : DecodeStatusRecord(m_answer, m_firmwareMajor)) {
        const int parameter = FindParameterByUpdateBox(value.id);
        if (parameter < 0 || parameter >= ParameterCount || !CanReadBack(parameter))
            continue;
        // A value that does not fit is compared as it came, so that it shows as a mismatch.
        m_readBack[parameter] = !value.valid             ? value.raw
                                : value.value.IsText() ? value.value.TextValue()
                                                       : std::to_string(value.value.NumberValue());
        m_readBackCame[parameter] = true;
    }
}

// Runs the current read-back step: true when a code went out, false when the step had nothing to
// do and m_step moved on.
bool CModemDriver::RunReadBackStep()
{
    TakeReadBackAnswer();
    const int32_t step = m_step;
    if (step < ReadBackStatusStep) {
        const ParameterRow row = ReadSteps[step - ReadBackFirstStep];
        const UnitCommand* command = UnitCommandFor(row);
        if (command != nullptr && command->readCode != nullptr && Selected(row, command->needsFirmware2)) {
            m_readBackSentStep = step;
            m_readBackSentRow = row;
            SendCode(command->readCode, 0);
            return true;
        }
        ++m_step;
        return false;
    }
    if (step == ReadBackStatusStep) {
        for (int row = 0; row < ParameterCount; ++row) {
            const UnitCommand* command = UnitCommandFor(row);
            if (command == nullptr || command->readCode != nullptr || !CanReadBack(row) ||
                !Selected(row, command->needsFirmware2))
                continue;
            m_readBackSentStep = step;
            m_readBackSentRow = RowStatus;
            SendCode(StatusReadCode, 0);
            return true;
        }
        ++m_step;
        return false;
    }
    CompareReadBack();
    ++m_step;
    return false;
}

// Reports each parameter written as read back, and names the ones the unit holds otherwise.
void CModemDriver::CompareReadBack()
{
    std::string mismatches;
    for (int row = 0; row < ParameterCount; ++row) {
        const UnitCommand* command = UnitCommandFor(row);
        if (command == nullptr || !Selected(row, command->needsFirmware2))
            continue;
        const uint32_t id = static_cast<uint32_t>(ParameterTable[row].updateBoxId);
        if (!CanReadBack(row)) {
            PostToWindow(WM_READ_BACK, ReadBackParam(static_cast<int>(id), ReadBackVerdict::NotChecked),
                         CMessageValue::Text(std::string()));
            continue;
        }
        const std::string written = SlotText(*m_job, static_cast<ParameterRow>(row));
        const std::string& read = m_readBack[row];
        const bool same = m_readBackCame[row] && SameUnitValue(row, written, read);
        TracePrintf("Modem: Read back %s: wrote \"%s\", read \"%s\"%s\n", ParameterTable[row].name, written.c_str(),
                    read.c_str(), same ? "" : ", not the same");
        PostToWindow(WM_READ_BACK,
                     ReadBackParam(static_cast<int>(id), same ? ReadBackVerdict::Verified : ReadBackVerdict::Mismatch),
                     CMessageValue::Text(read));
        if (!same)
            mismatches += (mismatches.empty() ? "" : ", ") + std::string(ParameterTable[row].name) + " wrote \"" +
                          written + "\" read \"" + read + "\"";
    }
    if (!mismatches.empty() && !m_stopping)
        ShowErrorText(JobOutcome::VerifyFailed, FormatString(IDS_VERIFY_FAILED, {mismatches}));
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
    if (code != m_lastCode) {
        m_codeSpoilt = false;
        m_unconfirmed.reset();
    }
    m_lastCode = code;
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

// The login code had no answer at all: the unit selection may have been lost (sent while the
// unit still rang). Once per call the selection goes out again, then the login.
bool CModemDriver::SelectAgainBeforeLogin()
{
    if (m_selectedAgain || m_step != LoginStep || m_stopping)
        return false;
    const std::span<const SetupRow> rows = SetupTable(m_v253);
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].action != SetupAction::SelectUnit)
            continue;
        TraceText("Modem: No answer to the login, selecting the unit again\n");
        m_selectedAgain = true;
        m_loggedIn = false;
        m_setupRow = i;
        m_step = rows[i].step;
        return true;
    }
    return false;
}

// The answer to a set-up command was not "OK": what that means is the row's. True when the line
// was dealt with (the set-up goes on, the other command set is tried, or the job ended saying the
// modem has no voice mode); false for a plain refusal.
bool CModemDriver::SetupRefused(const std::string& line)
{
    const std::span<const SetupRow> rows = SetupTable(m_v253);
    if (m_setupRow >= rows.size())
        return false;
    const SetupRow& row = rows[m_setupRow];
    switch (row.refusal) {
    case SetupRefusal::Optional:
        TraceText(row.skipped);
        NextStep();
        m_stepEvent.Set();
        return true;
    case SetupRefusal::NoVoiceMode:
        break;
    case SetupRefusal::Fatal:
    case SetupRefusal::UnknownDialResult:
    case SetupRefusal::NoRingback:
        return false;
    }
    if (line != "ERROR")
        return false;
    if (!m_v253 && m_profile == ModemProfile::Auto) {
        // Under auto a '#' voice mode refused with "ERROR" means a V.253 modem: the call goes on in
        // that set.
        TraceText("Modem: The modem refuses the '#' voice commands, speaking V.253 from here\n");
        m_v253 = true;
        m_setupRow = VoiceModeRow(SetupTable(true));
        m_step = SetupTable(true)[m_setupRow].step;
        SendAT(SetupTable(true)[m_setupRow].command);
        return true;
    }
    ShowErrorText(JobOutcome::NoVoiceConnection, FormatString(IDS_NO_VOICE_MODE, {m_portName, line, m_lastCommand}));
    Abort();
    return true;
}

void CModemDriver::WriteCommand(const std::string& command)
{
    // Modems lose or refuse a command sent too soon after their last result code: keep the gap.
    const auto due = m_lastResultAt + std::chrono::milliseconds(m_timing.commandGapMs);
    const auto now = std::chrono::steady_clock::now();
    if (now < due) {
        CWaitable* const handles[] = {&m_stopEvent};
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(due - now).count();
        if (WaitForObjects(handles, 1, static_cast<uint32_t>(wait)) == WAIT_OBJECT_0)
            return; // being stopped
    }
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
