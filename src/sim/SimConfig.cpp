#include "sim/SimConfig.h"

#include <algorithm>
#include <set>

#include "model/ParameterTable.h"
#include "sim/ToneFrame.h"

namespace {

enum class SettingKind { Number, Code, AlarmType, Flag, NewCode, TestAlarmTime, PhoneAcknowledge, ButtonDelay };

SettingKind KindOf(const std::string& name)
{
    if (name == "AlarmCode1" || name == "AlarmCode2" || name == "TestAlarmCode" || name == "BatteryAlarmCode")
        return SettingKind::Code;
    if (name == "AlarmType")
        return SettingKind::AlarmType;
    if (name == "LedSequence" || name == "DialToneDetection" || name == "IdBeep" || name == "InfoAlarm")
        return SettingKind::Flag;
    if (name == "NewProgrammingCode")
        return SettingKind::NewCode;
    if (name == "TestAlarmTime")
        return SettingKind::TestAlarmTime;
    if (name == "PhoneAcknowledge")
        return SettingKind::PhoneAcknowledge;
    if (name == "AlarmButtonDelay")
        return SettingKind::ButtonDelay;
    return SettingKind::Number;
}

// What a frame can carry: 'B' is the repeat mark, 'C' and 'D' open and close the frame.
bool IsCarriable(char c)
{
    return (c >= '0' && c <= '9') || c == '*' || c == '#' || c == 'A';
}

bool AllDigits(const std::string& text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool NumberInRange(const std::string& text, int low, int high)
{
    if (text.empty() || text.size() > 3 || !AllDigits(text))
        return false;
    int value = std::stoi(text);
    return value >= low && value <= high;
}

bool Fail(std::string* error, const std::string& text)
{
    if (error != nullptr)
        *error = text;
    return false;
}

// The longest garbage status: its frame must fit the program's 100-character answer buffer.
constexpr size_t MaxGarbageStatus = 90;
// What may wait in the port's input queue at the start (a terminal queues up to 4095 bytes).
constexpr size_t MaxStaleAtOpen = 1024;

// A character the unit may play as garbage. 'B', 'C' and 'D' would be read as the frame's own
// marks, and after a DLE the small letters are the modem's events ('b' is the busy tone).
bool IsGarbageCharacter(char c)
{
    return c > ' ' && c < 0x7F && c != 'B' && c != 'C' && c != 'D' && !(c >= 'a' && c <= 'z');
}

// The line's sound: levels a line can carry, tones a detector can be given.
bool ValidateSound(const SimSound& sound, std::string* error)
{
    if (sound.snrDb < SimMinSnrDb || sound.snrDb > SimMaxSnrDb)
        return Fail(error, "the signal-to-noise ratio must be -20 to 100 dB");
    if (sound.levelDbm0 < -60 || sound.levelDbm0 > 3)
        return Fail(error, "the tone level must be -60 to 3 dBm0");
    if (sound.echoDb < SimMinEchoDb || sound.echoDb > SimMaxEchoDb)
        return Fail(error, "the echo must be -60 to 0 dB");
    if (sound.echoDelayMs < 1 || sound.echoDelayMs > 500)
        return Fail(error, "the echo delay must be 1 to 500 ms");
    if (sound.unitToneMs < 10 || sound.unitToneMs > 1000 || sound.modemGapMs < 0 || sound.modemGapMs > 1000 ||
        sound.unitGapMs < 10 || sound.unitGapMs > 1000)
        return Fail(error, "the unit's tones and gaps must be 10 to 1000 ms, the modem's gap 0 to 1000 ms");
    return true;
}

bool ValidateFaults(const SimFaults& faults, std::string* error)
{
    for (int unit : faults.absentUnits)
        if (unit < 1 || unit > 6)
            return Fail(error, "an absent unit must be 1 to 6");
    if (faults.staleAtOpen.size() > MaxStaleAtOpen)
        return Fail(error, "staleAtOpen is longer than " + std::to_string(MaxStaleAtOpen) + " bytes");
    const std::string& garbage = faults.garbageStatus;
    const std::string quoted = "garbageStatus \"" + garbage + "\"";
    if (garbage.size() > MaxGarbageStatus)
        return Fail(error, quoted + " is longer than " + std::to_string(MaxGarbageStatus) + " characters");
    if (!std::all_of(garbage.begin(), garbage.end(), IsGarbageCharacter))
        return Fail(error, quoted + " may hold only printable characters other than 'B', 'C', 'D' and small letters");
    if (!garbage.empty() && !ReceiverCheckDigit(garbage))
        return Fail(error, quoted + " cannot be framed so that the program's check accepts it");
    if (!faults.storeWrong.empty() && !SimUnit::DefaultSettings().contains(faults.storeWrong))
        return Fail(error, "storeWrong \"" + faults.storeWrong + "\" is no parameter name");
    return true;
}

} // namespace

std::string CanonicalNumber(std::string_view number)
{
    std::string digits;
    for (char c : number)
        if (std::string_view(" -().TtPp").find(c) == std::string_view::npos)
            digits += c;
    return digits;
}

std::map<std::string, std::string> SimUnit::DefaultSettings()
{
    return {
        {"AlarmReceiver1", "0612345678"},
        {"AlarmReceiver2", "0201234567"},
        {"TestAlarmReceiver", "0307654321"},
        {"BatteryAlarmReceiver", "0401112233"},
        {"AlarmCode1", "1234"},
        {"AlarmCode2", "5678"},
        {"TestAlarmCode", "9012"},
        {"BatteryAlarmCode", "3456"},
        {"SequenceReceiver3", ""},
        {"SequenceReceiver4", ""},
        {"SequenceReceiver5", ""},
        {"SequenceReceiver6", ""},
        {"AlarmType", "01"},
        {"LedSequence", "1"},
        {"DialToneDetection", "1"},
        {"IdBeep", "1"},
        {"InfoAlarm", "0"},
        {"NewProgrammingCode", ""},
        {"TestAlarmTime", "3"},
        {"PhoneAcknowledge", "1"},
        {"AlarmButtonDelay", "5"},
    };
}

SimConfig DefaultSimConfig()
{
    SimConfig config;
    config.lines.push_back(SimLine{});
    return config;
}

bool ValidateSimSetting(const std::string& name, const std::string& value, std::string* error)
{
    int row = FindParameter(name);
    if (row < 0)
        return Fail(error, "unknown setting \"" + name + "\"");
    const int maxLength = SlotWidths[ParameterSlot(row)] - 1;
    const std::string quoted = name + " \"" + value + "\"";
    switch (KindOf(name)) {
    case SettingKind::Number:
    case SettingKind::Code:
    case SettingKind::AlarmType:
        if (static_cast<int>(value.size()) > maxLength)
            return Fail(error, quoted + " is longer than " + std::to_string(maxLength) + " characters");
        if (!std::all_of(value.begin(), value.end(), IsCarriable))
            return Fail(error, quoted + " may hold only the digits 0-9, '*', '#' and 'A'");
        return true;
    case SettingKind::Flag:
        if (value != "0" && value != "1")
            return Fail(error, quoted + " must be \"1\" or \"0\"");
        return true;
    case SettingKind::NewCode:
        if (!value.empty() && (value.size() != 4 || !AllDigits(value)))
            return Fail(error, quoted + " must be empty or four digits");
        return true;
    case SettingKind::TestAlarmTime:
        if (!NumberInRange(value, 0, 10))
            return Fail(error, quoted + " must be a number from 0 to 10");
        return true;
    case SettingKind::PhoneAcknowledge:
        if (!NumberInRange(value, 0, 2))
            return Fail(error, quoted + " must be a number from 0 to 2");
        return true;
    case SettingKind::ButtonDelay:
        if (!NumberInRange(value, 0, 99))
            return Fail(error, quoted + " must be a number from 0 to 99");
        return true;
    }
    return true;
}

bool ValidateSimConfig(const SimConfig& config, std::string* error)
{
    std::set<std::string> numbers;
    for (const SimLine& line : config.lines) {
        const std::string where = "line \"" + line.number + "\"";
        if (CanonicalNumber(line.number).empty())
            return Fail(error, "a line has an empty telephone number");
        if (!numbers.insert(CanonicalNumber(line.number)).second)
            return Fail(error, where + " is listed twice");
        if (line.units.size() > 6)
            return Fail(error, where + " has more than six units");
        std::set<int> seen;
        for (const SimUnit& unit : line.units) {
            const std::string at = where + ", unit " + std::to_string(unit.unit) + ": ";
            if (unit.unit < 1 || unit.unit > 6)
                return Fail(error, at + "the unit number must be 1 to 6");
            if (!seen.insert(unit.unit).second)
                return Fail(error, at + "the unit is listed twice");
            if (unit.programmingCode.size() != 4 || !AllDigits(unit.programmingCode))
                return Fail(error, at + "the programming code must be four digits");
            if (unit.firmware.size() != 3 || !AllDigits(unit.firmware) ||
                (unit.firmware[0] != '1' && unit.firmware[0] != '2'))
                return Fail(error, at + "the firmware version must be three digits, the first 1 or 2");
            if (unit.power != '0' && unit.power != '1')
                return Fail(error, at + "power must be '1' (external) or '0' (line)");
            if (unit.statusChar < '0' || unit.statusChar > '9' || unit.statusDigit < '0' || unit.statusDigit > '9')
                return Fail(error, at + "status positions 0 and 12 must be digits");
            for (const auto& [name, value] : unit.settings) {
                std::string why;
                if (!ValidateSimSetting(name, value, &why))
                    return Fail(error, at + why);
            }
        }
    }
    if (!ValidateFaults(config.faults, error))
        return false;
    const SimTiming& t = config.timing;
    if (t.ringMs < 0 || t.noAnswerMs < 0 || t.replyGapMs < 0 || t.unitToneMs < 0 || t.busyToneGapMs < 0 ||
        config.faults.answerDelayMs < 0 || config.faults.corruptNextAnswers < 0 || config.faults.dropNextAnswers < 0)
        return Fail(error, "durations and fault counts must not be negative");
    const SimModemBehaviour& b = config.behaviour;
    if (b.ringbackOnMs < 0 || b.ringbackOffMs < 0)
        return Fail(error, "the ringback times must not be negative");
    if ((b.ringbackOnMs == 0) != (b.ringbackOffMs == 0))
        return Fail(error, "a ringback cadence needs both its on and its off time");
    if (b.answerOnRing < 1 || b.answerOnRing > 20)
        return Fail(error, "the unit answers in ring 1 to 20");
    if (b.hangUpAfterLogin != '\0' && b.hangUpAfterLogin != 'd' && b.hangUpAfterLogin != 'l' &&
        b.hangUpAfterLogin != 'b')
        return Fail(error, "the far end's hang-up is reported as 'd', 'l' or 'b'");
    return ValidateSound(config.sound, error);
}

const char* SimModemPersonaName(SimModemPersona persona)
{
    switch (persona) {
    case SimModemPersona::Conexant:
        return "conexant";
    case SimModemPersona::Intel:
        return "intel";
    case SimModemPersona::DataFax:
        return "datafax";
    case SimModemPersona::Hash:
        break;
    }
    return "hash";
}

bool ParseSimModemPersona(const std::string& name, SimModemPersona* persona)
{
    for (SimModemPersona p : {SimModemPersona::Hash, SimModemPersona::Conexant, SimModemPersona::Intel,
                              SimModemPersona::DataFax}) {
        if (name == SimModemPersonaName(p)) {
            *persona = p;
            return true;
        }
    }
    return false;
}

const char* SimCodecName(SimCodec codec)
{
    switch (codec) {
    case SimCodec::ALaw:
        return "alaw";
    case SimCodec::ULaw:
        return "ulaw";
    case SimCodec::Gsm:
        return "gsm";
    case SimCodec::None:
        break;
    }
    return "none";
}

bool ParseSimCodec(const std::string& name, SimCodec* codec)
{
    for (SimCodec c : {SimCodec::None, SimCodec::ALaw, SimCodec::ULaw, SimCodec::Gsm}) {
        if (name == SimCodecName(c)) {
            *codec = c;
            return true;
        }
    }
    return false;
}

bool ApplySimLinePreset(const std::string& name, SimSound* sound)
{
    SimSound preset;
    preset.seed = sound->seed;
    if (name == "noisy") {
        preset.on = true;
        preset.noise = true;
        preset.snrDb = 15;
    } else if (name == "gsm") {
        preset.on = true;
        preset.codec = SimCodec::Gsm;
        preset.noise = true;
        preset.snrDb = 30;
    } else if (name != "clean") {
        return false;
    }
    *sound = preset;
    return true;
}
