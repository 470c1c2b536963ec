#include "sim/SimConfigFile.h"

#include <cerrno>
#include <fstream>
#include <initializer_list>
#include <nlohmann/json.hpp>
#include <sstream>

#include "diag/SystemError.h"

using nlohmann::json;

namespace {

// Parse failures inside this file; never leaves it.
struct ConfigError {
    std::string text;
};

[[noreturn]] void Throw(const std::string& where, const std::string& what)
{
    throw ConfigError{where + ": " + what};
}

void CheckKeys(const json& object, const std::string& where, std::initializer_list<const char*> known)
{
    if (!object.is_object())
        Throw(where, "must be an object");
    for (const auto& item : object.items()) {
        bool found = false;
        for (const char* key : known)
            found = found || item.key() == key;
        if (!found)
            Throw(where, "unknown key \"" + item.key() + "\"");
    }
}

bool GetBool(const json& object, const char* key, const std::string& where, bool fallback)
{
    if (!object.contains(key))
        return fallback;
    if (!object[key].is_boolean())
        Throw(where + "." + key, "must be true or false");
    return object[key].get<bool>();
}

int GetInt(const json& object, const char* key, const std::string& where, int fallback)
{
    if (!object.contains(key))
        return fallback;
    const json& value = object[key];
    if (!value.is_number_integer() || value.get<long long>() < 0 || value.get<long long>() > 3600000)
        Throw(where + "." + key, "must be a whole number from 0 to 3600000");
    return value.get<int>();
}

// A text, or a number or flag taken as its text.
std::string GetText(const json& value, const std::string& where)
{
    if (value.is_string())
        return value.get<std::string>();
    if (value.is_number_integer())
        return std::to_string(value.get<long long>());
    if (value.is_boolean())
        return value.get<bool>() ? "1" : "0";
    Throw(where, "must be a text");
}

// A text that must be given as one ("9999" as a number would not keep its digits).
std::string GetString(const json& object, const char* key, const std::string& where)
{
    if (!object.contains(key))
        return std::string();
    if (!object[key].is_string())
        Throw(where + "." + key, "must be a text in double quotes");
    return object[key].get<std::string>();
}

std::string GetText(const json& object, const char* key, const std::string& where, const std::string& fallback)
{
    return object.contains(key) ? GetText(object[key], where + "." + key) : fallback;
}

char GetChar(const json& object, const char* key, const std::string& where, char fallback)
{
    const std::string text = GetText(object, key, where, std::string(1, fallback));
    if (text.size() != 1)
        Throw(where + "." + key, "must be one character");
    return text[0];
}

SimUnit ParseUnit(const json& object, const std::string& where)
{
    CheckKeys(object, where, {"unit", "code", "firmware", "power", "status0", "status12", "settings"});
    SimUnit unit;
    unit.unit = GetInt(object, "unit", where, 1);
    unit.programmingCode = GetText(object, "code", where, unit.programmingCode);
    unit.firmware = GetText(object, "firmware", where, unit.firmware);
    unit.power = GetChar(object, "power", where, unit.power);
    unit.statusChar = GetChar(object, "status0", where, unit.statusChar);
    unit.statusDigit = GetChar(object, "status12", where, unit.statusDigit);
    if (object.contains("settings")) {
        const json& settings = object["settings"];
        if (!settings.is_object())
            Throw(where + ".settings", "must be an object");
        for (const auto& item : settings.items())
            unit.settings[item.key()] = GetText(item.value(), where + ".settings." + item.key());
    }
    return unit;
}

SimLine ParseLine(const json& object, const std::string& where)
{
    CheckKeys(object, where, {"number", "answer", "busyFirst", "units"});
    SimLine line;
    line.number = GetText(object, "number", where, line.number);
    const std::string answer = GetText(object, "answer", where, "voice");
    if (answer == "voice")
        line.answer = SimLine::Answer::Voice;
    else if (answer == "busy")
        line.answer = SimLine::Answer::Busy;
    else if (answer == "no-answer")
        line.answer = SimLine::Answer::NoAnswer;
    else if (answer == "silent")
        line.answer = SimLine::Answer::Silent;
    else if (answer == "no-ringback")
        line.answer = SimLine::Answer::NoRingback;
    else
        Throw(where + ".answer", "must be \"voice\", \"busy\", \"no-answer\", \"silent\" or \"no-ringback\"");
    line.busyFirst = GetInt(object, "busyFirst", where, 0);
    if (object.contains("units")) {
        const json& units = object["units"];
        if (!units.is_array())
            Throw(where + ".units", "must be a list");
        line.units.clear();
        for (size_t i = 0; i < units.size(); ++i)
            line.units.push_back(ParseUnit(units[i], where + ".units[" + std::to_string(i) + "]"));
    }
    return line;
}

SimModemBehaviour ParseBehaviour(const json& b)
{
    CheckKeys(b, "behaviour",
              {"ringbackOnMs", "ringbackOffMs", "answerOnRing", "ownTones", "hangUpAfterLogin", "errorOnQuickCommand",
               "ringingLines", "unmarkedTones", "hashClass"});
    SimModemBehaviour behaviour;
    behaviour.ringbackOnMs = GetInt(b, "ringbackOnMs", "behaviour", 0);
    behaviour.ringbackOffMs = GetInt(b, "ringbackOffMs", "behaviour", 0);
    behaviour.answerOnRing = GetInt(b, "answerOnRing", "behaviour", 1);
    behaviour.ownTones = GetBool(b, "ownTones", "behaviour", false);
    const std::string hangUp = GetString(b, "hangUpAfterLogin", "behaviour");
    if (hangUp.size() > 1 || (hangUp.size() == 1 && hangUp != "d" && hangUp != "l" && hangUp != "b"))
        Throw("behaviour.hangUpAfterLogin", "must be \"d\", \"l\" or \"b\"");
    behaviour.hangUpAfterLogin = hangUp.empty() ? '\0' : hangUp[0];
    behaviour.errorOnQuickCommand = GetBool(b, "errorOnQuickCommand", "behaviour", false);
    behaviour.ringingLines = GetBool(b, "ringingLines", "behaviour", false);
    behaviour.unmarkedTones = GetBool(b, "unmarkedTones", "behaviour", false);
    behaviour.hashClass = GetBool(b, "hashClass", "behaviour", false);
    return behaviour;
}

double GetNumber(const json& object, const char* key, const std::string& where, double fallback)
{
    if (!object.contains(key))
        return fallback;
    const json& value = object[key];
    if (!value.is_number())
        Throw(where + "." + key, "must be a number");
    return value.get<double>();
}

// A whole number that may be negative (levels in dB).
int GetSignedInt(const json& object, const char* key, const std::string& where, int fallback)
{
    if (!object.contains(key))
        return fallback;
    const json& value = object[key];
    if (!value.is_number_integer() || value.get<long long>() < -1000 || value.get<long long>() > 1000)
        Throw(where + "." + key, "must be a whole number from -1000 to 1000");
    return value.get<int>();
}

// The line as sound: a preset, then what is set beside it. Any key but the preset and the seed
// puts the sound on.
SimSound ParseSound(const json& object)
{
    CheckKeys(object, "sound",
              {"preset", "snrDb", "codec", "levelDbm0", "echoDb", "echoDelayMs", "seed", "unitToneMs", "unitGapMs",
               "modemGapMs"});
    SimSound sound;
    sound.seed = static_cast<unsigned>(GetInt(object, "seed", "sound", 1));
    if (object.contains("preset") && !ApplySimLinePreset(GetString(object, "preset", "sound"), &sound))
        Throw("sound.preset", "must be \"clean\", \"noisy\" or \"gsm\"");
    for (const auto& item : object.items())
        if (item.key() != "preset" && item.key() != "seed")
            sound.on = true;
    if (object.contains("snrDb")) {
        sound.noise = true;
        sound.snrDb = GetNumber(object, "snrDb", "sound", sound.snrDb);
    }
    if (object.contains("codec") && !ParseSimCodec(GetString(object, "codec", "sound"), &sound.codec))
        Throw("sound.codec", "must be \"none\", \"alaw\", \"ulaw\" or \"gsm\"");
    sound.levelDbm0 = GetSignedInt(object, "levelDbm0", "sound", sound.levelDbm0);
    if (object.contains("echoDb")) {
        sound.echo = true;
        sound.echoDb = GetSignedInt(object, "echoDb", "sound", sound.echoDb);
    }
    sound.echoDelayMs = GetInt(object, "echoDelayMs", "sound", sound.echoDelayMs);
    sound.unitToneMs = GetInt(object, "unitToneMs", "sound", sound.unitToneMs);
    sound.unitGapMs = GetInt(object, "unitGapMs", "sound", sound.unitGapMs);
    sound.modemGapMs = GetInt(object, "modemGapMs", "sound", sound.modemGapMs);
    return sound;
}

SimConfig ParseRoot(const json& root)
{
    CheckKeys(root, "configuration", {"fast", "transcript", "modem", "timing", "faults", "lines", "behaviour", "sound"});
    SimConfig config = DefaultSimConfig();
    if (root.contains("modem") && !ParseSimModemPersona(GetString(root, "modem", "configuration"), &config.modem))
        Throw("configuration.modem", "must be \"hash\", \"conexant\", \"intel\" or \"datafax\"");
    config.fast = GetBool(root, "fast", "configuration", config.fast);
    config.transcript = GetBool(root, "transcript", "configuration", config.transcript);
    if (root.contains("timing")) {
        const json& t = root["timing"];
        CheckKeys(t, "timing", {"ringMs", "noAnswerMs", "replyGapMs", "unitToneMs", "busyToneGapMs"});
        config.timing.ringMs = GetInt(t, "ringMs", "timing", config.timing.ringMs);
        config.timing.noAnswerMs = GetInt(t, "noAnswerMs", "timing", config.timing.noAnswerMs);
        config.timing.replyGapMs = GetInt(t, "replyGapMs", "timing", config.timing.replyGapMs);
        config.timing.unitToneMs = GetInt(t, "unitToneMs", "timing", config.timing.unitToneMs);
        config.timing.busyToneGapMs = GetInt(t, "busyToneGapMs", "timing", config.timing.busyToneGapMs);
    }
    if (root.contains("faults")) {
        const json& f = root["faults"];
        CheckKeys(f, "faults",
                  {"corruptNextAnswers", "dropNextAnswers", "busyToneAfterLogin", "answerDelayMs", "absentUnits",
                   "deadModem", "corruptAllAnswers", "loneXoff", "staleAtOpen", "garbageStatus",
                   "unplugWhileDialling", "interleaveEvents", "splitDlePairs", "ringLines", "storeWrong"});
        SimFaults& faults = config.faults;
        faults.corruptNextAnswers = GetInt(f, "corruptNextAnswers", "faults", 0);
        faults.dropNextAnswers = GetInt(f, "dropNextAnswers", "faults", 0);
        faults.busyToneAfterLogin = GetBool(f, "busyToneAfterLogin", "faults", false);
        faults.answerDelayMs = GetInt(f, "answerDelayMs", "faults", 0);
        faults.deadModem = GetBool(f, "deadModem", "faults", false);
        faults.corruptAllAnswers = GetBool(f, "corruptAllAnswers", "faults", false);
        faults.loneXoff = GetBool(f, "loneXoff", "faults", false);
        faults.staleAtOpen = GetString(f, "staleAtOpen", "faults");
        faults.garbageStatus = GetString(f, "garbageStatus", "faults");
        faults.unplugWhileDialling = GetBool(f, "unplugWhileDialling", "faults", false);
        faults.interleaveEvents = GetBool(f, "interleaveEvents", "faults", false);
        faults.splitDlePairs = GetBool(f, "splitDlePairs", "faults", false);
        faults.ringLines = GetBool(f, "ringLines", "faults", false);
        faults.storeWrong = GetString(f, "storeWrong", "faults");
        if (f.contains("absentUnits")) {
            if (!f["absentUnits"].is_array())
                Throw("faults.absentUnits", "must be a list of unit numbers");
            for (const json& u : f["absentUnits"]) {
                if (!u.is_number_integer())
                    Throw("faults.absentUnits", "must be a list of unit numbers");
                faults.absentUnits.push_back(u.get<int>());
            }
        }
    }
    if (root.contains("behaviour"))
        config.behaviour = ParseBehaviour(root["behaviour"]);
    if (root.contains("sound"))
        config.sound = ParseSound(root["sound"]);
    if (root.contains("lines")) {
        const json& lines = root["lines"];
        if (!lines.is_array())
            Throw("lines", "must be a list");
        config.lines.clear();
        for (size_t i = 0; i < lines.size(); ++i)
            config.lines.push_back(ParseLine(lines[i], "lines[" + std::to_string(i) + "]"));
    }
    return config;
}

// A message may quote keys and values of the file, which may hold any byte: their control
// characters are shown as \xNN, never sent raw to the terminal.
std::string Printable(const std::string& text)
{
    std::string shown;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            static const char* const Digits = "0123456789ABCDEF";
            shown += "\\x";
            shown += Digits[byte >> 4];
            shown += Digits[byte & 0xF];
        } else {
            shown += c;
        }
    }
    return shown;
}

// The parser's own words without its tag: "[json.exception.parse_error.101] parse error at line
// 1, column 5: ..." is "line 1, column 5: ...".
std::string JsonErrorText(const std::string& what)
{
    std::string text = what;
    if (!text.empty() && text[0] == '[') {
        const size_t end = text.find("] ");
        if (end != std::string::npos)
            text.erase(0, end + 2);
    }
    for (const char* prefix : {"parse error at ", "parse error: "})
        if (text.rfind(prefix, 0) == 0)
            text.erase(0, std::string(prefix).size());
    return text;
}

} // namespace

bool ParseSimConfig(const std::string& text, SimConfig* config, std::string* error)
{
    try {
        SimConfig parsed = ParseRoot(json::parse(text));
        std::string why;
        if (!ValidateSimConfig(parsed, &why)) {
            if (error != nullptr)
                *error = Printable(why);
            return false;
        }
        *config = std::move(parsed);
        return true;
    } catch (const json::exception& e) {
        if (error != nullptr)
            *error = Printable("not valid JSON: " + JsonErrorText(e.what()));
    } catch (const ConfigError& e) {
        if (error != nullptr)
            *error = Printable(e.text);
    }
    return false;
}

bool LoadSimConfigFile(const std::string& path, SimConfig* config, std::string* error)
{
    errno = 0;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        if (error != nullptr)
            *error = Printable("cannot read " + path) + (errno != 0 ? ": " + SystemErrorText(errno) : std::string());
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    std::string why;
    if (!ParseSimConfig(text.str(), config, &why)) {
        if (error != nullptr)
            *error = Printable(path) + ": " + why;
        return false;
    }
    return true;
}
