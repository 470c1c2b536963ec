#include "cli/ResultOutput.h"

#include <iomanip>
#include <ostream>

#include <nlohmann/json.hpp>

#include "cli/TerminalText.h"
#include "files/TextEncoding.h"
#include "model/DialogIds.h"
#include "form/ParameterForm.h"
#include "model/ParameterTable.h"
#include "model/StringTable.h"

namespace {

std::optional<std::string> NonEmpty(const std::string& text)
{
    if (text.empty())
        return std::nullopt;
    return Windows1252ToUtf8(text);
}

nlohmann::ordered_json OrNull(const std::optional<std::string>& text)
{
    return text ? nlohmann::ordered_json(*text) : nlohmann::ordered_json(nullptr);
}

constexpr int NameWidth = 22;

} // namespace

const char* ReadBackVerdictWord(ReadBackVerdict verdict)
{
    switch (verdict) {
    case ReadBackVerdict::Verified:
        return "verified";
    case ReadBackVerdict::Mismatch:
        return "mismatch";
    case ReadBackVerdict::NotChecked:
        break;
    }
    return "not-checked";
}

std::optional<std::string> PowerSourceWord(const std::string& powerText)
{
    if (powerText == LoadString(IDS_EXTERNAL_POWER))
        return "external";
    if (powerText == LoadString(IDS_LINE_POWER))
        return "line";
    return std::nullopt;
}

std::vector<std::string> SlotTexts(const IDialogItems& items)
{
    ProgrammingJob job{};
    CopyValuesToJob(items, job);
    std::vector<std::string> texts;
    for (int row = 0; row < ParameterCount; ++row)
        texts.push_back(Windows1252ToUtf8(job.Slot(ParameterTable[row].slot)));
    return texts;
}

JobReport MakeJobReport(const JobResult& result, const IDialogItems& items, JobMode mode, bool completed)
{
    JobReport report;
    report.mode = mode;
    report.completed = completed;
    report.reason = completed ? JobOutcome::Completed : JobReason(result, items, mode);
    if (report.reason == JobOutcome::Completed && !completed)
        report.reason = JobOutcome::Failed; // completed on the line, failed afterwards
    if (!completed)
        report.error = JobFailureText(result, items, mode);
    report.firmware = NonEmpty(result.firmware);
    // Only what the unit said: the control may hold a loaded file's text.
    if (result.statusArrived)
        report.power = NonEmpty(items.GetItemText(IDC_POWER_STATUS));
    std::vector<std::string> texts = SlotTexts(items);
    for (int row = 0; row < ParameterCount; ++row)
        if (result.reported[row])
            report.values.emplace_back(ParameterTable[row].name, texts[static_cast<size_t>(row)]);
    for (int row : RowsNotTransferred(items, result.selectionMask))
        report.notTransferred.emplace_back(ParameterTable[row].name);
    for (int row : RowsNotOnFirmware(result))
        report.notOnFirmware.emplace_back(ParameterTable[row].name);
    report.verify = result.verify;
    for (const ReadBackResult& entry : result.readBack)
        report.readBack.push_back({ParameterTable[entry.row].name, texts[static_cast<size_t>(entry.row)],
                                   Windows1252ToUtf8(entry.readBack), entry.verdict});
    for (int row = 0; row < ParameterCount; ++row)
        if ((result.selectionMask & ParameterTable[row].maskBit) != 0)
            report.selected.push_back({ParameterTable[row].name, texts[static_cast<size_t>(row)],
                                       items.IsButtonChecked(ParameterTable[row].updateBoxId)});
    return report;
}

void PrintJobJson(std::ostream& out, const JobReport& report)
{
    nlohmann::ordered_json json;
    json["outcome"] = report.completed ? "completed" : "failed";
    json["reason"] = JobOutcomeWord(report.reason);
    json["error"] = OrNull(report.error);
    json["port"] = report.port;
    json["number"] = report.number;
    json["unit"] = report.unit != 0 ? nlohmann::ordered_json(report.unit) : nlohmann::ordered_json(nullptr);
    json["firmware"] = OrNull(report.firmware);
    json["power"] = OrNull(report.power);
    json["powerSource"] = OrNull(report.power ? PowerSourceWord(*report.power) : std::nullopt);
    if (report.mode == JobWrite) {
        json["written"] = nlohmann::ordered_json::array();
        for (const auto& [name, value] : report.values)
            json["written"].push_back(name);
    } else {
        json["values"] = nlohmann::ordered_json::object();
        for (const auto& [name, value] : report.values)
            json["values"][name] = value;
    }
    json["notTransferred"] = report.notTransferred;
    json["notOnFirmware"] = report.notOnFirmware;
    if (report.verify) {
        json["verify"] = nlohmann::ordered_json::object();
        for (const ReadBackLine& line : report.readBack)
            json["verify"][line.name] = {{"written", line.written},
                                         {"readBack", line.readBack},
                                         {"result", ReadBackVerdictWord(line.verdict)}};
    }
    out << json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
}

void PrintJobTable(std::ostream& out, const JobReport& report)
{
    if (report.values.empty() && !report.power && !report.firmware)
        return;
    out << std::left << std::setw(NameWidth) << "Parameter" << (report.mode == JobWrite ? "Written" : "Value")
        << '\n';
    for (const auto& [name, value] : report.values) {
        out << std::setw(NameWidth) << name << EscapeControlCharacters(value);
        for (const ReadBackLine& line : report.readBack) {
            if (line.name != name)
                continue;
            if (line.verdict == ReadBackVerdict::Mismatch)
                out << "  (read back: " << EscapeControlCharacters(line.readBack) << ")";
            else
                out << "  (" << (line.verdict == ReadBackVerdict::Verified ? "verified" : "not checked") << ")";
        }
        out << '\n';
    }
    if (report.power)
        out << std::setw(NameWidth) << "Power" << EscapeControlCharacters(*report.power) << '\n';
    if (report.firmware)
        out << std::setw(NameWidth) << "Firmware" << EscapeControlCharacters(*report.firmware) << '\n';
    out << std::right << std::flush;
}

void PrintParameterCsv(std::ostream& out, const std::vector<ParameterCsvRow>& rows)
{
    auto field = [](const std::string& text) {
        bool quote = false;
        for (char c : text)
            quote = quote || c == ',' || c == '"' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
        if (!quote)
            return text;
        std::string quoted = "\"";
        for (char c : text)
            quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
        return quoted + "\"";
    };
    out << "name,value,ticked\n";
    for (const ParameterCsvRow& row : rows)
        out << field(row.name) << ',' << field(row.value) << ',' << (row.ticked ? '1' : '0') << '\n';
    out << std::flush;
}

void PrintJobCsv(std::ostream& out, const JobReport& report)
{
    PrintParameterCsv(out, report.selected);
}
