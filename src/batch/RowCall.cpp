#include "batch/RowCall.h"

#include <nlohmann/json.hpp>

#include "model/ParameterTable.h"
#include "model/JobOutcome.h"

std::vector<std::string> RowCallArguments(const std::string& program, const PlanRow& row, const std::string& port,
                                          const std::string& archivePath, bool verify)
{
    std::vector<std::string> args = {program, row.action == JobWrite ? "write" : "read", "--port", port, "--number",
                                     row.number, "--code", row.code, "--unit", std::to_string(row.unit)};
    if (row.action == JobWrite) {
        if (!row.file.empty())
            args.insert(args.end(), {"--file", row.file});
        for (const auto& [parameter, value] : row.cells)
            args.insert(args.end(), {"--set", std::string(ParameterTable[parameter].name) + "=" + value});
    } else if (row.readAll) {
        args.emplace_back("--all");
    } else {
        for (const auto& [parameter, value] : row.cells)
            args.insert(args.end(), {"--param", ParameterTable[parameter].name});
    }
    if (row.action == JobRead && !archivePath.empty())
        args.insert(args.end(), {"--save", archivePath});
    if (row.action == JobWrite && verify)
        args.emplace_back("--verify");
    args.insert(args.end(), {"--json", "--quiet"});
    return args;
}

std::string ArchivePath(const std::string& directory, const PlanRow& row)
{
    std::string name;
    for (char c : row.number)
        name += (c >= '0' && c <= '9') || c == '+' || c == '*' || c == '#' ? c : '_';
    std::string path = directory;
    if (!path.empty() && path.back() != '/')
        path += '/';
    return path + name + "_unit" + std::to_string(row.unit) + ".oxl";
}

namespace {

// What the call's "verify" object says: each mismatch named, else verified, else not checked.
std::string VerifyText(const nlohmann::json& json)
{
    if (!json.contains("verify") || !json["verify"].is_object() || json["verify"].empty())
        return "not checked";
    std::string mismatches;
    std::string unchecked;
    bool verified = false;
    for (const auto& item : json["verify"].items()) {
        const nlohmann::json& entry = item.value();
        const auto field = [&](const char* key) {
            return entry.is_object() && entry.contains(key) && entry[key].is_string() ? entry[key].get<std::string>()
                                                                                      : std::string();
        };
        const std::string verdict = field("result");
        if (verdict == "mismatch")
            mismatches += (mismatches.empty() ? "" : "; ") + item.key() + " wrote " + field("written") + " read " +
                          field("readBack");
        else if (verdict == "verified")
            verified = true;
        else
            unchecked += (unchecked.empty() ? "" : ", ") + item.key();
    }
    if (!mismatches.empty())
        return "mismatch: " + mismatches;
    if (!verified)
        return "not checked";
    return unchecked.empty() ? "verified" : "verified; not checked: " + unchecked;
}

} // namespace

void ReadRowCallResult(const PlanRow& row, int exitStatus, const std::string& output, RowResult* result, bool verify)
{
    result->values.clear();
    result->verify = row.action == JobWrite && verify ? "not checked" : "";
    result->note.clear();
    const nlohmann::json json = nlohmann::json::parse(output, nullptr, false);
    if (!json.is_object()) {
        result->outcome = RowOutcome::Failed;
        result->message = exitStatus < 0 ? "pravel-cli ended by a signal without a result."
                                         : "pravel-cli ended with status " + std::to_string(exitStatus) +
                                               " without a result.";
        return;
    }
    const auto text = [&](const char* key) {
        return json.contains(key) && json[key].is_string() ? json[key].get<std::string>() : std::string();
    };
    result->reason = text("reason");
    result->message = text("error");
    result->firmware = text("firmware");
    result->power = text("power");
    if (row.action == JobWrite && verify)
        result->verify = VerifyText(json);
    if (json.contains("notOnFirmware") && json["notOnFirmware"].is_array() && !json["notOnFirmware"].empty()) {
        std::string names;
        for (const auto& name : json["notOnFirmware"])
            if (name.is_string())
                names += (names.empty() ? "" : ", ") + name.get<std::string>();
        result->note = "not on firmware " + result->firmware + ": " + names;
    }
    if (json.contains("values") && json["values"].is_object()) {
        for (const auto& item : json["values"].items())
            if (item.value().is_string())
                result->values.emplace_back(item.key(), item.value().get<std::string>());
    }
    if (json.contains("written") && json["written"].is_array()) {
        for (const auto& name : json["written"]) {
            if (!name.is_string())
                continue;
            std::string value;
            for (const auto& [parameter, cell] : row.cells)
                if (ParameterTable[parameter].name == name.get<std::string>())
                    value = cell;
            result->values.emplace_back(name.get<std::string>(), value);
        }
    }
    // The call's outcome code decides, never the wording of its message.
    const JobOutcome reason = JobOutcomeFromWord(text("reason")).value_or(JobOutcome::Failed);
    if (exitStatus == 0 && text("outcome") == "completed") {
        result->outcome = RowOutcome::Succeeded;
        result->message.clear();
    } else if (reason == JobOutcome::Busy) {
        result->outcome = RowOutcome::Busy;
    } else if (reason == JobOutcome::NoAnswer) {
        result->outcome = RowOutcome::NoAnswer;
    } else if (reason == JobOutcome::CodeRefused) {
        result->outcome = RowOutcome::CodeRefused;
    } else if (reason == JobOutcome::Stopped) {
        result->outcome = RowOutcome::Stopped;
    } else {
        result->outcome = RowOutcome::Failed;
        if (result->message.empty())
            result->message = "pravel-cli ended with status " + std::to_string(exitStatus) + ".";
    }
}
