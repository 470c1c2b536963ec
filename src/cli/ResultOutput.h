// The result of a read or write job as pravel-cli prints it: a table of names and values, or one
// JSON object {"outcome", "reason", "error", "firmware", "power", "powerSource", "values" (read) or "written"
// (write), "notTransferred"}. The table shows texts with their control characters escaped
// (TerminalText.h); JSON carries them as they are.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/JobSession.h"
#include "form/DialogItems.h"

struct JobReport {
    JobMode mode = JobRead;
    bool completed = false;
    JobOutcome reason = JobOutcome::None; // "reason" in JSON
    std::optional<std::string> error;
    std::optional<std::string> firmware;
    std::optional<std::string> power;
    // Read: what the unit reported; write: what it acknowledged. Name and slot text (UTF-8), in
    // table order.
    std::vector<std::pair<std::string, std::string>> values;
    std::vector<std::string> notTransferred;
};

// The report of a job that has ended, from its result and the dialog it left behind.
JobReport MakeJobReport(const JobResult& result, const IDialogItems& items, JobMode mode, bool completed);

void PrintJobJson(std::ostream& out, const JobReport& report);
void PrintJobTable(std::ostream& out, const JobReport& report);

// The power status text as a fixed word for scripts: "external" for "External power", "line" for
// "Line power"; nothing for any other text (none read).
std::optional<std::string> PowerSourceWord(const std::string& powerText);

// The slot text of every parameter as a Save would write it from the dialog, Windows-1252
// decoded, in table order.
std::vector<std::string> SlotTexts(const IDialogItems& items);
