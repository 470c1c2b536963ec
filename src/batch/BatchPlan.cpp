#include "batch/BatchPlan.h"

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "batch/CsvTable.h"
#include "form/DialogItemModel.h"
#include "form/ParameterFileLoader.h"
#include "form/ParameterForm.h"
#include "model/JobValidation.h"
#include "model/ParameterTable.h"

namespace {

enum FixedColumn { ColumnNumber, ColumnUnit, ColumnCode, ColumnAction, ColumnFile, FixedColumnCount };
constexpr const char* FixedColumnNames[FixedColumnCount] = {"number", "unit", "code", "action", "file"};

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
        if (seen.count(name) != 0) {
            errors->push_back({record.line, name, "the column appears twice"});
            continue;
        }
        seen[name] = field;
        bool fixed = false;
        for (int c = 0; c < FixedColumnCount; ++c)
            if (name == FixedColumnNames[c]) {
                header->fixed[c] = field;
                fixed = true;
            }
        if (fixed)
            continue;
        int row = FindParameter(name);
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

    bool Check(JobMode defaultAction, const PlanValueRule& valueRule, PlanRow* row)
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
        const std::string unit = Cell(ColumnUnit);
        if (!unit.empty()) {
            if (unit.size() != 1 || unit[0] < '1' || unit[0] > '6')
                Error(FixedColumnNames[ColumnUnit], "the unit is 1 to 6");
            else
                row->unit = unit[0] - '0';
        }
        const std::string action = Cell(ColumnAction);
        if (action.empty())
            row->action = defaultAction;
        else if (action == "read")
            row->action = JobRead;
        else if (action == "write")
            row->action = JobWrite;
        else
            Error(FixedColumnNames[ColumnAction], "the action is read or write, not '" + action + "'");
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
        if (row->action == JobRead && !row->readAll && row->cells.empty())
            Error("", "nothing to read: give a parameter's cell, or all");
        if (row->action == JobWrite && job.selectionMask == 0 && !cellsRefused)
            Error("", "nothing to write: give a value or a file with ticked parameters");
        if (row->number.size() >= sizeof job.phoneNumber)
            Error(FixedColumnNames[ColumnNumber], "at most 20 characters");
        if (row->code.size() >= sizeof job.programmingCode)
            Error(FixedColumnNames[ColumnCode], "the programming code is four digits");
        if (m_errors->size() != before)
            return false;
        std::strncpy(job.phoneNumber, row->number.c_str(), sizeof job.phoneNumber - 1);
        std::strncpy(job.programmingCode, row->code.c_str(), sizeof job.programmingCode - 1);
        job.unit = row->unit;
        std::string problem;
        if (!ValidateJob(job, &problem)) {
            Error(ColumnOfProblem(problem), problem);
            return false;
        }
        return true;
    }

private:
    std::string Cell(FixedColumn column) const
    {
        int field = m_header.fixed[column];
        return field < 0 ? std::string() : m_record.fields[static_cast<size_t>(field)];
    }

    void Error(const std::string& column, const std::string& text) { m_errors->push_back({m_record.line, column, text}); }

    void CheckCells(const PlanValueRule& valueRule, PlanRow* row, ProgrammingJob* job)
    {
        for (const auto& [field, parameter] : m_header.parameters) {
            const std::string& cell = m_record.fields[static_cast<size_t>(field)];
            if (cell.empty())
                continue;
            const ParameterDescriptor& p = ParameterTable[parameter];
            if (row->action == JobRead) {
                if (cell == "all")
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
                    std::vector<PlanError>* errors)
{
    plan->rows.clear();
    std::vector<CsvRecord> records;
    std::string problem;
    if (!ParseCsv(text, &records, &problem)) {
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
        if (CRowChecker(header, records[i], errors).Check(defaultAction, valueRule, &row))
            plan->rows.push_back(std::move(row));
    }
    if (records.size() == 1)
        errors->push_back({0, "", "the plan has no rows"});
    return errors->empty();
}

bool LoadBatchPlan(const std::string& path, JobMode defaultAction, const PlanValueRule& valueRule, BatchPlan* plan,
                   std::vector<PlanError>* errors)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    if (!file) {
        errors->push_back({0, "", path + " could not be opened"});
        return false;
    }
    text << file.rdbuf(); // an empty file reads as no text, refused below
    if (file.bad()) {
        errors->push_back({0, "", path + " could not be read"});
        return false;
    }
    return ParseBatchPlan(text.str(), defaultAction, valueRule, plan, errors);
}

std::string PlanErrorText(const PlanError& error)
{
    std::string text = "row " + std::to_string(error.row);
    if (!error.column.empty())
        text += ", column " + error.column;
    return text + ": " + error.text;
}

std::string LineKey(const std::string& number)
{
    std::string key;
    for (char c : number)
        if (std::strchr(" -().", c) == nullptr)
            key += c;
    return key;
}
