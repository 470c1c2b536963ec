// The journal of a batch run: one JSON line per row as the row ends, appended and flushed at once,
// so that what finished survives a crash, a Ctrl-C or a lost modem. A resumed run reads it back
// and skips every row that succeeded; every other row (failed, stopped, never reached) is dialled
// again. A last line cut short by a crash is ignored.
//
// Not thread-safe: the runner appends under its own lock.
#pragma once

#include <cstdio>
#include <map>
#include <string>

#include "batch/BatchResult.h"

class CBatchJournal {
public:
    CBatchJournal() = default;
    ~CBatchJournal();
    CBatchJournal(const CBatchJournal&) = delete;
    CBatchJournal& operator=(const CBatchJournal&) = delete;

    // Opens the journal at path: with resume, what it holds is read first and kept; without, it
    // starts empty. False with the problem.
    bool Open(const std::string& path, bool resume, std::string* problem);
    // The rows whose last entry says they succeeded, by plan row.
    const std::map<int, RowResult>& Done() const { return m_done; }
    // Appends the result and flushes it to the file. False with the problem.
    bool Append(const RowResult& result, std::string* problem);
    void Close();

private:
    std::FILE* m_file = nullptr;
    std::string m_path;
    std::map<int, RowResult> m_done;
};
