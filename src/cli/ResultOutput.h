// The result of a read or write job as pravel-cli prints it: a table of names and values, CSV, or
// one JSON object {"outcome", "reason", "error", "port", "number", "unit", "firmware", "power",
// "powerSource", "values" (read) or "written" (write), "notTransferred", "notOnFirmware", and for a
// write with --verify "verify": {NAME: {"written", "readBack", "result"}}}. The table shows texts
// with their control characters escaped
// (TerminalText.h); JSON carries them as they are.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/JobSession.h"
#include "form/DialogItems.h"

// One parameter as the CSV shows it: its name, its value (slot text, UTF-8) and whether its
// update box is ticked (for a job: not transferred).
struct ParameterCsvRow {
    std::string name;
    std::string value;
    bool ticked = false;
};

// One parameter of a write that was read back.
struct ReadBackLine {
    std::string name;
    std::string written;  // slot text, UTF-8
    std::string readBack; // what the unit gave back, UTF-8
    ReadBackVerdict verdict = ReadBackVerdict::NotChecked;
};

// "verified", "mismatch" or "not-checked".
const char* ReadBackVerdictWord(ReadBackVerdict verdict);

struct JobReport {
    JobMode mode = JobRead;
    std::string port;   // the device or port name dialled through
    std::string number; // the telephone number dialled
    int unit = 0;
    bool completed = false;
    JobOutcome reason = JobOutcome::None; // "reason" in JSON
    std::optional<std::string> error;
    std::optional<std::string> firmware;
    std::optional<std::string> power;
    // Read: what the unit reported; write: what it acknowledged. Name and slot text (UTF-8), in
    // table order.
    std::vector<std::pair<std::string, std::string>> values;
    std::vector<std::string> notTransferred;
    // Selected parameters the unit's firmware does not have.
    std::vector<std::string> notOnFirmware;
    // A write that was read back: each parameter read back, in table order. Without --verify none.
    bool verify = false;
    std::vector<ReadBackLine> readBack;
    // Every parameter the job was asked for, in table order.
    std::vector<ParameterCsvRow> selected;
};

// The report of a job that has ended, from its result and the dialog it left behind.
JobReport MakeJobReport(const JobResult& result, const IDialogItems& items, JobMode mode, bool completed);

void PrintJobJson(std::ostream& out, const JobReport& report);
void PrintJobTable(std::ostream& out, const JobReport& report);
// "name,value,ticked" and one row per selected parameter.
void PrintJobCsv(std::ostream& out, const JobReport& report);
// The CSV header and rows (RFC 4180: a field with a comma, a quote or a control character is
// quoted, its quotes doubled; ticked is 1 or 0).
void PrintParameterCsv(std::ostream& out, const std::vector<ParameterCsvRow>& rows);

// The power status text as a fixed word for scripts: "external" for "External power", "line" for
// "Line power"; nothing for any other text (none read).
std::optional<std::string> PowerSourceWord(const std::string& powerText);

// The slot text of every parameter as a Save would write it from the dialog, Windows-1252
// decoded, in table order.
std::vector<std::string> SlotTexts(const IDialogItems& items);
