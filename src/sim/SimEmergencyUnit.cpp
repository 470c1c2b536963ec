#include "sim/SimEmergencyUnit.h"

#include <cstdio>
#include <iterator>
#include <vector>

namespace {

// How a location holds its setting on the line.
enum class Form {
    NumberWhole,   // a telephone number: its first 12 characters here, read back whole
    NumberRest,    // the same number from its 13th character on
    AsStored,      // codes, alarm type, flags, phone acknowledge, new programming code
    TestAlarmTime, // one character: 'A' for 10, else the digit
    ButtonDelay,   // two digits
};

struct Location {
    int location;
    const char* name;
    Form form;
    bool majorTwoOnly;
};

constexpr Location Locations[] = {
    {0, "AlarmReceiver1", Form::NumberWhole, false},
    {12, "AlarmReceiver1", Form::NumberRest, false},
    {21, "AlarmReceiver2", Form::NumberWhole, false},
    {33, "AlarmReceiver2", Form::NumberRest, false},
    {42, "TestAlarmReceiver", Form::NumberWhole, false},
    {54, "TestAlarmReceiver", Form::NumberRest, false},
    {255, "BatteryAlarmReceiver", Form::NumberWhole, true},
    {267, "BatteryAlarmReceiver", Form::NumberRest, true},
    {63, "AlarmCode1", Form::AsStored, false},
    {84, "AlarmCode2", Form::AsStored, false},
    {105, "TestAlarmCode", Form::AsStored, false},
    {276, "BatteryAlarmCode", Form::AsStored, true},
    {126, "SequenceReceiver3", Form::NumberWhole, false},
    {138, "SequenceReceiver3", Form::NumberRest, false},
    {147, "SequenceReceiver4", Form::NumberWhole, false},
    {159, "SequenceReceiver4", Form::NumberRest, false},
    {168, "SequenceReceiver5", Form::NumberWhole, false},
    {180, "SequenceReceiver5", Form::NumberRest, false},
    {189, "SequenceReceiver6", Form::NumberWhole, false},
    {201, "SequenceReceiver6", Form::NumberRest, false},
    {235, "AlarmType", Form::AsStored, false},
    {242, "LedSequence", Form::AsStored, true},
    {230, "DialToneDetection", Form::AsStored, false},
    {237, "IdBeep", Form::AsStored, false},
    {238, "InfoAlarm", Form::AsStored, false},
    {231, "NewProgrammingCode", Form::AsStored, false},
    {239, "PhoneAcknowledge", Form::AsStored, false},
    {251, "TestAlarmTime", Form::TestAlarmTime, false},
    {248, "AlarmButtonDelay", Form::ButtonDelay, false},
};

constexpr int StatusLocation = 227;
constexpr size_t NumberFirstPart = 12;

const Location* FindLocation(int location)
{
    for (const Location& l : Locations)
        if (l.location == location)
            return &l;
    return nullptr;
}

// A three-digit location, or -1.
int ParseLocation(const std::string& code, size_t at)
{
    if (code.size() < at + 3)
        return -1;
    int location = 0;
    for (size_t i = at; i < at + 3; ++i) {
        if (code[i] < '0' || code[i] > '9')
            return -1;
        location = location * 10 + (code[i] - '0');
    }
    return location;
}

// The slot form of a value as the line carries it; false when it cannot be one.
bool ToSlotForm(Form form, const std::string& value, std::string* slot)
{
    switch (form) {
    case Form::TestAlarmTime:
        if (value == "A") {
            *slot = "10";
            return true;
        }
        if (value.size() == 1 && value[0] >= '0' && value[0] <= '9') {
            *slot = value;
            return true;
        }
        return false;
    case Form::ButtonDelay:
        if (value.size() != 2 || value[0] < '0' || value[0] > '9' || value[1] < '0' || value[1] > '9')
            return false;
        *slot = std::to_string((value[0] - '0') * 10 + (value[1] - '0'));
        return true;
    default:
        *slot = value;
        return true;
    }
}

int SlotNumber(const std::string& slot)
{
    int value = 0;
    for (char c : slot) {
        if (c < '0' || c > '9')
            return 0;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::string TwoDigits(int value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02d", value % 100);
    return text;
}

bool AllDigits(const std::string& text)
{
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return !text.empty();
}

// A value the setting may hold that is not the one given: a small number one less or one more,
// otherwise the last character changed. Empty when the setting can hold nothing else.
std::string WrongValue(const std::string& name, const std::string& slot)
{
    std::vector<std::string> candidates;
    if (AllDigits(slot) && slot.size() <= 4) {
        const int number = SlotNumber(slot);
        candidates = {std::to_string(number - 1), std::to_string(number + 1)};
    } else if (slot.empty()) {
        candidates = {"1"};
    } else {
        for (char c : {'1', '2', '3'}) {
            std::string changed = slot;
            changed.back() = changed.back() == c ? '4' : c;
            candidates.push_back(changed);
        }
    }
    for (const std::string& candidate : candidates) {
        std::string why;
        if (candidate != slot && ValidateSimSetting(name, candidate, &why))
            return candidate;
    }
    return std::string();
}

char FlagChar(const std::string& slot)
{
    return slot == "1" ? '1' : '0';
}

} // namespace

CSimEmergencyUnit::CSimEmergencyUnit(SimUnit state) : m_state(std::move(state))
{
    // A setting the configuration leaves out keeps its plausible default.
    for (const auto& [name, value] : SimUnit::DefaultSettings())
        m_state.settings.try_emplace(name, value);
}

std::string CSimEmergencyUnit::Setting(const std::string& name) const
{
    auto it = m_state.settings.find(name);
    return it == m_state.settings.end() ? std::string() : it->second;
}

CSimEmergencyUnit::Reply CSimEmergencyUnit::Handle(const std::string& code, const std::string& storeWrong)
{
    Reply reply;
    if (code == "99") {
        m_loggedIn = false;
        reply.answer = "99";
        reply.note = "log-off";
        return reply;
    }
    if (code.rfind("20", 0) == 0) {
        const std::string given = code.substr(2);
        // A code written earlier takes effect now.
        std::string& pending = m_state.settings["NewProgrammingCode"];
        if (!pending.empty()) {
            m_state.programmingCode = pending;
            pending.clear();
        }
        if (given == m_state.programmingCode) {
            m_loggedIn = true;
            reply.answer = m_state.firmware;
            reply.loginAccepted = true;
            reply.note = "login accepted";
        } else {
            m_loggedIn = false;
            reply.answer = "011";
            reply.note = "login refused: wrong programming code";
        }
        return reply;
    }
    if (!m_loggedIn) {
        reply.note = "not logged in: no answer";
        return reply;
    }
    if (code.size() == 5 && code.rfind("22", 0) == 0) {
        int location = ParseLocation(code, 2);
        if (location >= 0)
            return Read(location);
    }
    if (code.size() >= 5 && code.rfind("21", 0) == 0) {
        int location = ParseLocation(code, 2);
        if (location >= 0)
            return Write(location, code.substr(5), storeWrong);
    }
    reply.note = "unknown code: no answer";
    return reply;
}

CSimEmergencyUnit::Reply CSimEmergencyUnit::Read(int location) const
{
    Reply reply;
    if (location == StatusLocation) {
        reply.answer = StatusRecord();
        reply.note = "status record";
        return reply;
    }
    const Location* l = FindLocation(location);
    if (l == nullptr || (l->majorTwoOnly && FirmwareMajor() != '2')) {
        reply.note = "no such location: no answer";
        return reply;
    }
    const std::string value = Setting(l->name);
    switch (l->form) {
    case Form::NumberWhole:
    case Form::AsStored:
        reply.answer = value;
        break;
    case Form::NumberRest:
        reply.answer = value.size() > NumberFirstPart ? value.substr(NumberFirstPart) : std::string();
        break;
    case Form::TestAlarmTime: {
        int days = SlotNumber(value);
        reply.answer = days >= 10 ? std::string("A") : std::string(1, static_cast<char>('0' + days));
        break;
    }
    case Form::ButtonDelay:
        reply.answer = TwoDigits(SlotNumber(value));
        break;
    }
    reply.note = std::string("read ") + l->name;
    return reply;
}

CSimEmergencyUnit::Reply CSimEmergencyUnit::Write(int location, const std::string& value,
                                                  const std::string& storeWrong)
{
    const Location* l = FindLocation(location);
    if (l == nullptr || (l->majorTwoOnly && FirmwareMajor() != '2')) {
        Reply reply;
        reply.note = "no such location: no answer";
        return reply;
    }
    std::string slot;
    bool ok = ToSlotForm(l->form, value, &slot);
    if (ok && l->form == Form::NumberRest) {
        const std::string current = Setting(l->name);
        slot = current.substr(0, NumberFirstPart) + value;
    }
    std::string why;
    if (ok)
        ok = ValidateSimSetting(l->name, slot, &why);
    if (ok)
        m_state.settings[l->name] = slot;
    // The answer is the location read back: the new value, or the old one when refused.
    Reply reply = Read(location);
    reply.note = ok ? std::string("stored ") + l->name + " \"" + slot + "\""
                    : std::string("refused ") + l->name + " \"" + value + "\"" + (why.empty() ? "" : ": " + why);
    if (ok && storeWrong == l->name) {
        const std::string wrong = WrongValue(l->name, slot);
        if (!wrong.empty()) {
            m_state.settings[l->name] = wrong;
            reply.note += ", but keeps \"" + wrong + "\" (fault)";
        }
    }
    return reply;
}

std::string CSimEmergencyUnit::StatusRecord() const
{
    std::string record;
    record += m_state.statusChar;                     // 0
    record += m_state.power;                          // 1 power source
    record += '0';                                    // 2 not used
    record += FlagChar(Setting("DialToneDetection")); // 3
    std::string code = m_state.programmingCode;       // 4-7 the code in force
    code.resize(4, '0');
    record += code;
    record += TwoDigits(SlotNumber(Setting("AlarmButtonDelay"))); // 8-9
    record += '0';                                                // 10 not used
    int days = SlotNumber(Setting("TestAlarmTime"));              // 11
    record += days >= 10 ? 'A' : static_cast<char>('0' + days);
    record += m_state.statusDigit;           // 12
    std::string type = Setting("AlarmType"); // 13-14, two characters
    type.insert(0, type.size() < 2 ? 2 - type.size() : 0, '0');
    record += type;
    record += FlagChar(Setting("IdBeep"));                       // 15
    const std::string acknowledge = Setting("PhoneAcknowledge"); // 16
    record += acknowledge.size() == 1 ? acknowledge[0] : '0';
    record += FlagChar(Setting("InfoAlarm")); // 17
    if (FirmwareMajor() == '2')
        record += FlagChar(Setting("LedSequence")); // 18
    return record;
}
