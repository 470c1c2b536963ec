#include "batch/BatchPlan.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <nlohmann/json.hpp>

#include "batch/CsvTable.h"
#include "form/DialogItemModel.h"
#include "form/ParameterFileLoader.h"
#include "form/ParameterForm.h"
#include "model/JobValidation.h"
#include "model/ParameterTable.h"

namespace {

enum FixedColumn { ColumnNumber, ColumnUnit, ColumnCode, ColumnAction, ColumnFile, FixedColumnCount };
constexpr const char* FixedColumnNames[FixedColumnCount] = {"number", "unit", "code", "action", "file"};

std::string Lower(std::string_view text)
{
    std::string lower;
    for (char c : text)
        lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return lower;
}

// A parameter by its name in any case: "alarmreceiver1" is AlarmReceiver1.
int FindParameterAnyCase(const std::string& name)
{
    for (int row = 0; row < ParameterCount; ++row)
        if (Lower(ParameterTable[row].name) == Lower(name))
            return row;
    return -1;
}

struct Header {
    int fixed[FixedColumnCount] = {-1, -1, -1, -1, -1}; // field index of each fixed column
    std::vector<std::pair<int, int>> parameters;          // field index, parameter row
    std::vector<std::string> names;
};

bool ReadHeader(const CsvRecord& record, Header* header, std::vector<PlanError>* errors)
{
    header->names = record.fields;
    std::map<std::string, int> seen;
    for (size_t i = 0; i < record.fields.size(); ++i) {
        const std::string& name = record.fields[i];
        const int field = static_cast<int>(i);
        // Names are taken in any case, so "Number" and "number" are one column.
        if (seen.count(Lower(name)) != 0) {
            errors->push_back({record.line, name, "the column appears twice"});
            continue;
        }
        seen[Lower(name)] = field;
        bool fixed = false;
        for (int c = 0; c < FixedColumnCount; ++c)
            if (Lower(name) == FixedColumnNames[c]) {
                header->fixed[c] = field;
                fixed = true;
            }
        if (fixed)
            continue;
        int row = FindParameterAnyCase(name);
        if (row < 0)
            errors->push_back({record.line, name, "no such column: number, unit, code, action, file or a parameter name"});
        else
            header->parameters.emplace_back(field, row);
    }
    for (int c : {ColumnNumber, ColumnCode})
        if (header->fixed[c] < 0)
            errors->push_back({record.line, FixedColumnNames[c], "the plan has no column " +
                                                                      std::string(FixedColumnNames[c])});
    return errors->empty();
}

// One row into a job as the front end would fill it, then the job check.
class CRowChecker {
public:
    CRowChecker(const Header& header, const CsvRecord& record, std::vector<PlanError>* errors)
        : m_header(header), m_record(record), m_errors(errors)
    {
    }

    // baseFolder: where a relative file cell is taken from (the plan's folder); empty: as it stands.
    bool Check(JobMode defaultAction, const PlanValueRule& valueRule, const std::string& baseFolder, PlanRow* row)
    {
        const size_t before = m_errors->size();
        row->row = m_record.line;
        if (m_record.fields.size() != m_header.names.size()) {
            Error("", "the row has " + std::to_string(m_record.fields.size()) + " fields, the header " +
                          std::to_string(m_header.names.size()));
            return false;
        }
        row->number = Cell(ColumnNumber);
        row->code = Cell(ColumnCode);
        row->file = Cell(ColumnFile);
        if (!row->file.empty() && !baseFolder.empty() && !std::filesystem::path(row->file).is_absolute())
            row->file = (std::filesystem::path(baseFolder) / row->file).string();
        const std::string unit = Cell(ColumnUnit);
        if (!unit.empty()) {
            if (unit.size() != 1 || unit[0] < '1' || unit[0] > '6')
                Error(FixedColumnNames[ColumnUnit], "the unit is 1 to 6");
            else
                row->unit = unit[0] - '0';
        }
        const std::string action = Lower(Cell(ColumnAction));
        if (action.empty())
            row->action = defaultAction;
        else if (action == "read")
            row->action = JobRead;
        else if (action == "write")
            row->action = JobWrite;
        else
            Error(FixedColumnNames[ColumnAction], "the action is read or write, not '" + Cell(ColumnAction) + "'");
        if (row->action == JobRead && !row->file.empty())
            Error(FixedColumnNames[ColumnFile], "a read takes no file");

        CDialogItemModel model;
        SetInitialValues(model);
        if (row->action == JobWrite && !row->file.empty()) {
            std::string problem;
            if (!LoadParameterFile(row->file, model, &problem))
                Error(FixedColumnNames[ColumnFile], problem);
        }
        ProgrammingJob job{};
        job.reset(nullptr);
        FillJob(model, job, row->action, nullptr);
        CopyValuesToJob(model, job);
        job.mode = row->action;
        if (row->action == JobRead)
            job.selectionMask = 0;
        CheckCells(valueRule, row, &job);
        // A row whose values were refused is not also said to have nothing in it.
        const bool cellsRefused = m_errors->size() != before;
        // A read that names no parameter reads them all.
        if (row->action == JobRead && row->cells.empty())
            row->readAll = true;
        if (row->action == JobWrite && job.selectionMask == 0 && !cellsRefused)
            Error("", "nothing to write: give a value or a file with ticked parameters");
        if (row->number.size() >= sizeof job.phoneNumber)
            Error(FixedColumnNames[ColumnNumber], "at most 20 characters");
        if (row->code.size() >= sizeof job.programmingCode)
            Error(FixedColumnNames[ColumnCode], "the programming code is four digits");
        std::strncpy(job.phoneNumber, row->number.c_str(), sizeof job.phoneNumber - 1);
        std::strncpy(job.programmingCode, row->code.c_str(), sizeof job.programmingCode - 1);
        job.unit = row->unit;
        std::string problem;
        // The number and the code are checked whatever else the row has wrong, so one look at
        // the list shows every fault of the row (the values' check below does not repeat them).
        if (row->number.size() < sizeof job.phoneNumber && row->code.size() < sizeof job.programmingCode) {
            ProgrammingJob line = job;
            line.mode = JobRead;
            line.selectionMask = 0;
            if (!ValidateJob(line, &problem))
                Error(ColumnOfProblem(problem), problem);
        }
        if (m_errors->size() != before)
            return false;
        if (!ValidateJob(job, &problem)) {
            Error(ColumnOfProblem(problem), problem);
            return false;
        }
        row->digest = RowContentDigest(*row);
        return true;
    }

private:
    std::string Cell(FixedColumn column) const
    {
        int field = m_header.fixed[column];
        return field < 0 ? std::string() : m_record.fields[static_cast<size_t>(field)];
    }

    // The checks name their field ("IdBeep: ...", "Telephone number: ..."); under its column the
    // name is said once, by the column.
    void Error(const std::string& column, const std::string& text)
    {
        std::string label = column;
        if (column == FixedColumnNames[ColumnNumber])
            label = "Telephone number";
        else if (column == FixedColumnNames[ColumnCode])
            label = "Programming code";
        const std::string prefix = label + ": ";
        const bool named = !column.empty() && text.size() > prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
        m_errors->push_back({m_record.line, column, named ? text.substr(prefix.size()) : text});
    }

    void CheckCells(const PlanValueRule& valueRule, PlanRow* row, ProgrammingJob* job)
    {
        for (const auto& [field, parameter] : m_header.parameters) {
            const std::string& cell = m_record.fields[static_cast<size_t>(field)];
            if (cell.empty())
                continue;
            const ParameterDescriptor& p = ParameterTable[parameter];
            if (row->action == JobRead) {
                if (Lower(cell) == "all")
                    row->readAll = true;
                else
                    row->cells.emplace_back(parameter, cell);
                continue;
            }
            // Nothing is cut short to fit: a value longer than its slot is refused.
            std::string problem;
            if (cell.size() >= static_cast<size_t>(SlotWidths[p.slot]))
                Error(p.name, "at most " + std::to_string(SlotWidths[p.slot] - 1) + " characters");
            else if (valueRule && !valueRule(parameter, cell, &problem))
                Error(p.name, problem);
            else {
                job->SetSlot(p.slot, cell.c_str());
                job->selectionMask |= p.maskBit;
                row->cells.emplace_back(parameter, cell);
            }
        }
    }

    // The job check names the field or parameter at fault in its text.
    std::string ColumnOfProblem(const std::string& problem) const
    {
        for (const auto& [field, parameter] : m_header.parameters)
            if (problem.find(ParameterTable[parameter].name) != std::string::npos)
                return ParameterTable[parameter].name;
        std::string lower;
        for (char c : problem)
            lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        if (lower.find("number") != std::string::npos)
            return FixedColumnNames[ColumnNumber];
        if (lower.find("code") != std::string::npos)
            return FixedColumnNames[ColumnCode];
        if (lower.find("unit") != std::string::npos)
            return FixedColumnNames[ColumnUnit];
        return "";
    }

    const Header& m_header;
    const CsvRecord& m_record;
    std::vector<PlanError>* m_errors;
};

} // namespace

bool ParseBatchPlan(const std::string& text, JobMode defaultAction, const PlanValueRule& valueRule, BatchPlan* plan,
                    std::vector<PlanError>* errors, const std::string& baseFolder)
{
    plan->rows.clear();
    plan->warnings.clear();
    std::vector<CsvRecord> records;
    std::string problem;
    if (!ParseCsv(text, &records, &problem, DetectCsvSeparator(text))) {
        errors->push_back({0, "", problem});
        return false;
    }
    if (records.empty()) {
        errors->push_back({0, "", "the plan has no header row"});
        return false;
    }
    Header header;
    if (!ReadHeader(records.front(), &header, errors))
        return false;
    for (size_t i = 1; i < records.size(); ++i) {
        PlanRow row;
        if (CRowChecker(header, records[i], errors).Check(defaultAction, valueRule, baseFolder, &row))
            plan->rows.push_back(std::move(row));
    }
    // The same unit twice is allowed (a write, then a read to see it), but seldom meant.
    std::map<std::pair<std::string, int>, int> firstRow;
    for (const PlanRow& row : plan->rows) {
        auto [it, fresh] = firstRow.emplace(std::make_pair(LineKey(row.number), row.unit), row.row);
        if (!fresh)
            plan->warnings.push_back({row.row, "", "unit " + std::to_string(row.unit) + " of " + row.number +
                                                       " is planned again (first on row " + std::to_string(it->second) +
                                                       ")"});
    }
    if (records.size() == 1)
        errors->push_back({0, "", "the plan has no rows"});
    return errors->empty();
}

bool LoadBatchPlan(const std::string& path, JobMode defaultAction, const PlanValueRule& valueRule, BatchPlan* plan,
                   std::vector<PlanError>* errors)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        errors->push_back({0, "", path + " could not be opened"});
        return false;
    }
    // Read in pieces up to the bound, so that a device that never ends (/dev/zero) or a huge file
    // is refused without being held whole.
    std::string text;
    char buffer[65536];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
        text.append(buffer, static_cast<size_t>(file.gcount()));
        if (text.size() > MaxPlanBytes) {
            errors->push_back({0, "", path + " is larger than " + std::to_string(MaxPlanBytes / (1024 * 1024)) +
                                          " MB: not a plan"});
            return false;
        }
    }
    if (file.bad()) {
        errors->push_back({0, "", path + " could not be read"});
        return false;
    }
    // File cells are taken from the plan's folder.
    const std::string folder = std::filesystem::path(path).parent_path().string();
    return ParseBatchPlan(text, defaultAction, valueRule, plan, errors, folder.empty() ? "." : folder);
}

namespace {

// FNV-1a, 64 bits: a change of any byte changes it; nothing here needs more than that.
class CDigest {
public:
    void Add(const std::string& text)
    {
        for (unsigned char c : text) {
            m_hash ^= c;
            m_hash *= 0x100000001b3ULL;
        }
        // A separator no text holds, so that "12"+"3" and "1"+"23" differ.
        m_hash ^= 0x1F;
        m_hash *= 0x100000001b3ULL;
    }
    std::string Hex() const
    {
        char text[17];
        std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(m_hash));
        return text;
    }

private:
    uint64_t m_hash = 0xcbf29ce484222325ULL;
};

} // namespace

std::string RowContentDigest(const PlanRow& row)
{
    CDigest digest;
    digest.Add(LineKey(row.number));
    digest.Add(std::to_string(row.unit));
    digest.Add(row.code);
    digest.Add(row.action == JobWrite ? "write" : "read");
    digest.Add(row.readAll ? "all" : "");
    for (const auto& [parameter, cell] : row.cells) {
        digest.Add(ParameterTable[parameter].name);
        digest.Add(row.action == JobWrite ? cell : "");
    }
    if (!row.file.empty()) {
        std::ifstream file(row.file, std::ios::binary);
        std::ostringstream content;
        content << file.rdbuf();
        digest.Add(file ? content.str() : std::string("\0unreadable"));
    }
    return digest.Hex();
}

std::string PlanErrorText(const PlanError& error)
{
    std::string text = "row " + std::to_string(error.row);
    if (!error.column.empty())
        text += ", column " + error.column;
    return text + ": " + error.text;
}

std::vector<std::string> PlanCheckLines(const BatchPlan& plan, const std::vector<PlanError>& errors)
{
    std::vector<std::string> lines;
    for (const PlanError& error : errors)
        lines.push_back(PlanErrorText(error));
    for (const PlanError& warning : plan.warnings)
        lines.push_back(PlanErrorText({warning.row, warning.column, "warning: " + warning.text}));
    const auto count = [](size_t n, const char* word) {
        return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
    };
    if (!errors.empty())
        lines.push_back("The plan has " + count(errors.size(), "error") + " and " + count(plan.warnings.size(), "warning") +
                        "; nothing would be dialled.");
    else
        lines.push_back("The plan is ready: " + count(plan.rows.size(), "row") + ", " +
                        count(plan.warnings.size(), "warning") + ".");
    return lines;
}

std::string PlanCheckJson(const BatchPlan& plan, const std::vector<PlanError>& errors)
{
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    const auto add = [&](const PlanError& item, const char* severity) {
        nlohmann::ordered_json entry;
        entry["row"] = item.row;
        entry["column"] = item.column;
        entry["severity"] = severity;
        entry["text"] = item.text;
        list.push_back(entry);
    };
    for (const PlanError& error : errors)
        add(error, "error");
    for (const PlanError& warning : plan.warnings)
        add(warning, "warning");
    return list.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

std::string LineKey(const std::string& number)
{
    std::string key;
    for (char c : number)
        if (std::strchr(" -().", c) == nullptr)
            key += c;
    return key;
}
