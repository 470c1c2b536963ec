// The report of a batch run, one entry per plan row: row, number, unit, action, outcome, message,
// firmware, power, each value read or written, start time, duration, attempts, port and the
// archived parameter file. "FILE.json" gives a JSON array of objects (the journal's fields);
// any other name a CSV file with a header row and one column per parameter that any row has.
#pragma once

#include <string>
#include <vector>

#include "batch/BatchResult.h"

bool WriteBatchReport(const std::string& path, const std::vector<RowResult>& results, std::string* problem);
// The report's text in either form.
std::string BatchReportCsv(const std::vector<RowResult>& results);
std::string BatchReportJson(const std::vector<RowResult>& results);
