// What became of one row of a batch run, as the journal keeps it and the report shows it.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "model/ProgrammingJob.h"

enum class RowOutcome {
    Succeeded,   // the job ran to its normal end
    Busy,        // the line was busy (tried again while retries are left)
    NoAnswer,    // nobody answered (tried again while retries are left)
    CodeRefused, // the unit refused the programming code; never tried again
    Failed,      // any other end; not tried again, unless the line was too noisy (IsRetried)
    Stopped,     // the run was stopped while the row's call ran; a resumed run dials it again
};

// "succeeded", "busy", "no-answer", "code-refused", "failed", "stopped".
const char* RowOutcomeWord(RowOutcome outcome);
// False for a word that is none of them.
bool RowOutcomeFromWord(const std::string& word, RowOutcome* outcome);

struct RowResult {
    int row = 0;
    std::string number;
    int unit = 1;
    JobMode action = JobRead;
    RowOutcome outcome = RowOutcome::Failed;
    std::string reason;  // pravel-cli's outcome code ("completed", "busy", "modem-silent", ...); empty when unknown
    std::string message; // the job's error, empty when it succeeded
    std::string firmware;
    std::string power;
    // Read: each value read; write: each value written (the cell's text, or the file's).
    std::vector<std::pair<std::string, std::string>> values;
    std::string start;   // when the last call began, UTC, "2026-12-08T19:04:05Z"
    double durationSeconds = 0;
    int attempts = 0;
    std::string port;    // the modem that made the last call
    std::string archive; // the parameter file a read saved, empty when none
    std::string digest;  // the plan row's content digest when it was called
    // A write read back (batch --verify): "verified", "mismatch: NAME wrote X read Y; ...", or
    // "not checked" where nothing could be read back; empty for reads and writes not read back.
    std::string verify;
    // What the row asked for that the unit cannot hold: "not on firmware 1.0.5: LedSequence".
    std::string note;
};

// True when the row is tried again later in the run, while retries are left: the line was busy,
// nobody answered, or the line spoilt the unit's answers (outcome failed, reason "noisy-line":
// a GSM line's quality changes over minutes, and a later call often gets through).
bool IsRetried(const RowResult& result);

// The row's state as the summary shows it: the outcome word, and for a write whose read-back
// differs "failed: verify".
std::string RowStateText(const RowResult& result);

// True when the call failed for a reason of the modem or its port (the port could not be opened,
// the modem vanished, says nothing, refuses its set-up, hears no dial tone or gives no dial
// result), not of the line or the unit it called.
bool IsPortFault(const RowResult& result);

// One result as a line of JSON, and back. FromJsonLine is false for a line that is not one.
std::string RowResultToJsonLine(const RowResult& result);
bool RowResultFromJsonLine(const std::string& line, RowResult* result);
