// The plan of a batch run: one row per unit, read from a CSV file with a header row.
//
//   number,unit,code,action,file,AlarmReceiver1,TestAlarmTime
//   # the Lindenhof estate
//   5550101,1,3958,write,,0612345678,
//   5550101,2,3958,read,,all,
//
// Columns: number and code (required), unit (1-6, default 1), action (read or write; empty takes
// the run's default), file (a parameter file whose ticked values a write sends, taken from the
// plan's folder when relative; the row's number, code and unit are dialled all the same), then
// any parameter names. In a write row a non-empty cell is the value written; in a read row a
// non-empty cell selects the parameter, "all" (or no cell at all) every one. Fields are separated
// by ',', ';' or a tab, whichever the header holds; names, actions and "all" are taken in any case. Every row is checked as a single job would be before anything is dialled:
// the job check, each value's kind, length and range; a plan with any error is refused whole.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "model/ProgrammingJob.h"

struct PlanRow {
    int row = 0;            // the line of the plan file the row begins on
    std::string number;
    int unit = 1;
    std::string code;
    JobMode action = JobRead;
    std::string file;       // empty: none
    bool readAll = false;
    // Parameter rows (ParameterTable order) with the cell's text: the value for a write, the
    // selecting text for a read.
    std::vector<std::pair<int, std::string>> cells;
    // What the row asks, as a digest: number, unit, code, action, its cells and the content of its
    // file. A journal keeps it, so that a resumed run sees a row changed since it succeeded.
    std::string digest;
};

struct PlanError {
    int row = 0;
    std::string column; // the column's header text; empty for an error of the whole row or file
    std::string text;
};

struct BatchPlan {
    std::vector<PlanRow> rows;
    std::vector<PlanError> warnings; // what is allowed but seldom meant (a unit planned twice)
};

// A plan larger than this is refused before it is read whole.
constexpr size_t MaxPlanBytes = 10 * 1024 * 1024;

// A rule of the front end for one parameter value in its slot form ("digits only" for the
// edits that take digits only): false with the problem. The plan check runs it beside its own.
using PlanValueRule = std::function<bool(int parameterRow, const std::string& value, std::string* problem)>;

// Parses and checks the plan text. Every error found is added to *errors (row and column); the
// plan is usable only when the result is true and *errors is empty. A relative file cell is taken
// from baseFolder (the plan's folder) when one is given.
bool ParseBatchPlan(const std::string& text, JobMode defaultAction, const PlanValueRule& valueRule, BatchPlan* plan,
                    std::vector<PlanError>* errors, const std::string& baseFolder = std::string());
// Reads the file (at most MaxPlanBytes) and parses it, file cells taken from the plan's folder; an
// unreadable or oversized file is one error of row 0.
bool LoadBatchPlan(const std::string& path, JobMode defaultAction, const PlanValueRule& valueRule, BatchPlan* plan,
                   std::vector<PlanError>* errors);

// The digest of the row's content (16 hex digits); the file, when the row has one, is read for it.
std::string RowContentDigest(const PlanRow& row);

// "row 4, column code: text", "row 0: text" for the file as a whole.
std::string PlanErrorText(const PlanError& error);

// The check of a plan as both front ends show it: every error, then every warning, one line each
// ("row 3, column code: ...", "row 4: warning: ..."), and a last line that sums it up.
std::vector<std::string> PlanCheckLines(const BatchPlan& plan, const std::vector<PlanError>& errors);
// The same as JSON: an array of {"row", "column", "severity" ("error" | "warning"), "text"}.
std::string PlanCheckJson(const BatchPlan& plan, const std::vector<PlanError>& errors);

// A telephone number as lines are told apart: without the spacing a modem skips (space, '-',
// '(', ')', '.'), so "555 0101" and "555-0101" are one line.
std::string LineKey(const std::string& number);
