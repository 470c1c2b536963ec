#include "batch/BatchReport.h"

#include <cstdio>
#include <fstream>
#include <iomanip>
#include <sstream>

#include <nlohmann/json.hpp>

#include "model/ParameterTable.h"

namespace {

std::string CsvField(const std::string& text)
{
    const bool quote = text.find_first_of(",\"\r\n") != std::string::npos ||
                       (!text.empty() && (text.front() == ' ' || text.back() == ' ' || text.front() == '#'));
    if (!quote)
        return text;
    std::string field = "\"";
    for (char c : text)
        field += c == '"' ? std::string("\"\"") : std::string(1, c);
    return field + "\"";
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

} // namespace

std::string BatchReportCsv(const std::vector<RowResult>& results)
{
    // The parameters any row has, in table order.
    std::vector<std::string> names;
    for (int row = 0; row < ParameterCount; ++row)
        for (const RowResult& result : results) {
            bool has = false;
            for (const auto& [name, value] : result.values)
                has = has || name == ParameterTable[row].name;
            if (has) {
                names.emplace_back(ParameterTable[row].name);
                break;
            }
        }
    std::ostringstream out;
    // The verify and note columns came last to the fixed ones, so a script that reads the columns
    // before them by position reads what it always did.
    out << "row,number,unit,action,outcome,reason,message,firmware,power,start,duration,attempts,port,archive,"
           "verify,note";
    for (const std::string& name : names)
        out << ',' << name;
    out << "\r\n";
    for (const RowResult& r : results) {
        char duration[32];
        std::snprintf(duration, sizeof duration, "%.1f", r.durationSeconds);
        out << r.row << ',' << CsvField(r.number) << ',' << r.unit << ',' << (r.action == JobWrite ? "write" : "read")
            << ',' << RowOutcomeWord(r.outcome) << ',' << CsvField(r.reason) << ',' << CsvField(r.message) << ','
            << CsvField(r.firmware) << ',' << CsvField(r.power) << ',' << r.start << ',' << duration << ','
            << r.attempts << ',' << CsvField(r.port) << ',' << CsvField(r.archive) << ',' << CsvField(r.verify) << ','
            << CsvField(r.note);
        for (const std::string& name : names) {
            out << ',';
            for (const auto& [valueName, value] : r.values)
                if (valueName == name)
                    out << CsvField(value);
        }
        out << "\r\n";
    }
    return out.str();
}

std::string BatchReportJson(const std::vector<RowResult>& results)
{
    nlohmann::ordered_json json = nlohmann::ordered_json::array();
    for (const RowResult& result : results)
        json.push_back(nlohmann::ordered_json::parse(RowResultToJsonLine(result)));
    return json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

bool WriteBatchReport(const std::string& path, const std::vector<RowResult>& results, std::string* problem)
{
    const std::string text = EndsWith(path, ".json") ? BatchReportJson(results) : BatchReportCsv(results);
    const std::string temporary = path + ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out || !(out << text) || !out.flush()) {
            *problem = "The report " + path + " could not be written.";
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        *problem = "The report " + path + " could not be written.";
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}
