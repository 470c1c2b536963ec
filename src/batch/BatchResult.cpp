#include "batch/BatchResult.h"

#include <nlohmann/json.hpp>

#include "model/JobOutcome.h"

namespace {

struct OutcomeWord {
    RowOutcome outcome;
    const char* word;
};
constexpr OutcomeWord OutcomeWords[] = {
    {RowOutcome::Succeeded, "succeeded"},      {RowOutcome::Busy, "busy"},     {RowOutcome::NoAnswer, "no-answer"},
    {RowOutcome::CodeRefused, "code-refused"}, {RowOutcome::Failed, "failed"}, {RowOutcome::Stopped, "stopped"},
};

} // namespace

const char* RowOutcomeWord(RowOutcome outcome)
{
    for (const OutcomeWord& entry : OutcomeWords)
        if (entry.outcome == outcome)
            return entry.word;
    return "failed";
}

bool RowOutcomeFromWord(const std::string& word, RowOutcome* outcome)
{
    for (const OutcomeWord& entry : OutcomeWords)
        if (word == entry.word) {
            *outcome = entry.outcome;
            return true;
        }
    return false;
}

bool IsRetried(const RowResult& result)
{
    if (result.outcome == RowOutcome::Busy || result.outcome == RowOutcome::NoAnswer)
        return true;
    // The outcome word stays "failed" (scripts count it); the reason tells the noisy line.
    return result.outcome == RowOutcome::Failed &&
           JobOutcomeFromWord(result.reason).value_or(JobOutcome::None) == JobOutcome::NoisyLine;
}

bool IsPortFault(const RowResult& result)
{
    if (result.outcome == RowOutcome::Succeeded || result.outcome == RowOutcome::Stopped)
        return false;
    switch (JobOutcomeFromWord(result.reason).value_or(JobOutcome::None)) {
    case JobOutcome::PortError:
    case JobOutcome::ModemGone:
    case JobOutcome::ModemSilent:
    case JobOutcome::ModemRefused:
    case JobOutcome::NoDialTone:
    case JobOutcome::NoDialResult:
        return true;
    default:
        return false;
    }
}

std::string RowResultToJsonLine(const RowResult& result)
{
    nlohmann::ordered_json json;
    json["row"] = result.row;
    json["number"] = result.number;
    json["unit"] = result.unit;
    json["action"] = result.action == JobWrite ? "write" : "read";
    json["outcome"] = RowOutcomeWord(result.outcome);
    json["reason"] = result.reason;
    json["message"] = result.message;
    json["firmware"] = result.firmware;
    json["power"] = result.power;
    json["values"] = nlohmann::ordered_json::object();
    for (const auto& [name, value] : result.values)
        json["values"][name] = value;
    json["start"] = result.start;
    json["duration"] = result.durationSeconds;
    json["attempts"] = result.attempts;
    json["port"] = result.port;
    json["archive"] = result.archive;
    json["digest"] = result.digest;
    json["verify"] = result.verify;
    json["note"] = result.note;
    return json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

bool RowResultFromJsonLine(const std::string& line, RowResult* result)
{
    nlohmann::ordered_json json = nlohmann::ordered_json::parse(line, nullptr, false);
    if (!json.is_object())
        return false;
    const auto text = [&](const char* key) {
        return json.contains(key) && json[key].is_string() ? json[key].get<std::string>() : std::string();
    };
    const auto number = [&](const char* key) {
        return json.contains(key) && json[key].is_number() ? json[key].get<double>() : 0.0;
    };
    RowResult parsed;
    if (!RowOutcomeFromWord(text("outcome"), &parsed.outcome) || !json.contains("row") || !json["row"].is_number_integer())
        return false;
    parsed.row = json["row"].get<int>();
    parsed.number = text("number");
    parsed.unit = static_cast<int>(number("unit"));
    parsed.action = text("action") == "write" ? JobWrite : JobRead;
    parsed.reason = text("reason");
    parsed.message = text("message");
    parsed.firmware = text("firmware");
    parsed.power = text("power");
    if (json.contains("values") && json["values"].is_object())
        for (const auto& item : json["values"].items())
            if (item.value().is_string())
                parsed.values.emplace_back(item.key(), item.value().get<std::string>());
    parsed.start = text("start");
    parsed.durationSeconds = number("duration");
    parsed.attempts = static_cast<int>(number("attempts"));
    parsed.port = text("port");
    parsed.archive = text("archive");
    parsed.digest = text("digest");
    parsed.verify = text("verify");
    parsed.note = text("note");
    *result = std::move(parsed);
    return true;
}

std::string RowStateText(const RowResult& result)
{
    if (result.outcome == RowOutcome::Failed && result.reason == "verify-failed")
        return "failed: verify";
    return RowOutcomeWord(result.outcome);
}
