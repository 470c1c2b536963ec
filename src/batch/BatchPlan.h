// The plan of a batch run: one row per unit, read from a CSV file with a header row.
//
//   number,unit,code,action,file,AlarmReceiver1,TestAlarmTime
//   # the Lindenhof estate
//   5550101,1,3958,write,,0612345678,
//   5550101,2,3958,read,,all,
//
// Columns: number and code (required), unit (1-6, default 1), action (read or write; empty takes
// the run's default), file (a parameter file whose ticked values a write sends; the row's number,
// code and unit are dialled all the same), then any parameter names. In a write row a non-empty
// cell is the value written; in a read row a non-empty cell selects the parameter, and "all"
// selects every one. Every row is checked as a single job would be before anything is dialled:
// the job check, each value's kind, length and range; a plan with any error is refused whole.
#pragma once

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
};

struct PlanError {
    int row = 0;
    std::string column; // the column's header text; empty for an error of the whole row or file
    std::string text;
};

struct BatchPlan {
    std::vector<PlanRow> rows;
};

// A rule of the front end for one parameter value in its slot form ("digits only" for the
// edits that take digits only): false with the problem. The plan check runs it beside its own.
using PlanValueRule = std::function<bool(int parameterRow, const std::string& value, std::string* problem)>;

// Parses and checks the plan text. Every error found is added to *errors (row and column); the
// plan is usable only when the result is true and *errors is empty.
bool ParseBatchPlan(const std::string& text, JobMode defaultAction, const PlanValueRule& valueRule, BatchPlan* plan,
                    std::vector<PlanError>* errors);
// Reads the file and parses it; an unreadable file is one error of row 0.
bool LoadBatchPlan(const std::string& path, JobMode defaultAction, const PlanValueRule& valueRule, BatchPlan* plan,
                   std::vector<PlanError>* errors);

// "row 4, column code: text", "row 0: text" for the file as a whole.
std::string PlanErrorText(const PlanError& error);

// A telephone number as lines are told apart: without the spacing a modem skips (space, '-',
// '(', ')', '.'), so "555 0101" and "555-0101" are one line.
std::string LineKey(const std::string& number);
