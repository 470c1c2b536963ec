// One row as one call of pravel-cli in a child process: the command line of the read or write,
// and what its JSON result and exit status say became of the row.
#pragma once

#include <string>
#include <vector>

#include "batch/BatchPlan.h"
#include "batch/BatchResult.h"

// program read|write --port PORT --number N --code C --unit U (--all | --param NAME... |
// --file F --set NAME=VALUE...) [--save ARCHIVE] [--verify] --json --quiet. verify applies to
// writes only.
std::vector<std::string> RowCallArguments(const std::string& program, const PlanRow& row, const std::string& port,
                                          const std::string& archivePath, bool verify = false);
// The archive file of a read: DIR/<number>_unit<U>.oxl, the number's characters other than
// digits, '+', '*' and '#' as '_'.
std::string ArchivePath(const std::string& directory, const PlanRow& row);
// Fills outcome, message, firmware, power and values from the child's exit status (-1: it died
// of a signal) and standard output. Values a write sent come from the row where it gives them.
// verify: the write was to be read back (the result's verify and note say what came of it).
void ReadRowCallResult(const PlanRow& row, int exitStatus, const std::string& output, RowResult* result,
                       bool verify = false);
