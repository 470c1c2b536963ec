// Runs a checked plan over one or several modems. Each call is a child process of pravel-cli
// itself (the job core runs one job per process), at most one per modem at a time.
//
// The schedule: a modem that has just called a number takes the next row of that number, so
// the rows of one line go one after another on one modem and a line never carries two calls;
// otherwise it takes the line with the most rows still to do, in plan order between equals. A
// busy line, a call nobody answered or a call the line spoilt (too noisy for DTMF) goes back into
// the run, to be tried again after the retry delay, as long as retries are left (IsRetried); a
// refused code or any other failure is not tried again.
// A call that fails for a reason of the modem or its port (IsPortFault) says nothing about its
// row: the row goes back into the run at once, and a modem whose calls fail so twice in a row is
// taken out of the run. Rows are failed for that only when no modem is left. Before its first
// call each modem waits a few seconds for its port while another program still holds it (the
// calls of a batch that was just killed let go of their ports as they log off).
// Each row's result goes to the journal as the row ends.
//
// Thread contract: Run is called on one thread and blocks until the run has ended; it starts one
// thread per modem and joins them all before it returns, calling tick on its own thread about
// five times a second meanwhile. Stop and Progress may be called from any thread (tick
// included). A first Stop lets each running call log off and hang up and starts no new call; a
// second asks the calls to stop at once. Not copyable; one Run per runner.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "batch/BatchJournal.h"
#include "batch/BatchPlan.h"
#include "batch/BatchResult.h"

class CChildProcess;

struct BatchOptions {
    std::vector<std::string> ports; // one modem each
    std::string program;            // the pravel-cli to run for each call
    int retries = 2;                // further calls to a busy, unanswered or noisy line
    double retryDelaySeconds = 60;
    std::string archiveDirectory;   // reads save their parameter file here; empty: none
    std::string journalPath;
    bool resume = false;            // skip the rows the journal says succeeded, unless changed since
    double portReleaseSeconds = 10; // how long a modem waits for its port held by another program
    bool verify = false;            // writes read back what they wrote, in the same call
};

// A modem taken out of the run, and the failure that took it out.
struct PortTakenOut {
    std::string port;
    std::string message;
};

struct ModemActivity {
    std::string port;
    int row = 0; // the plan row being called, 0 when idle
    std::string number;
    int unit = 0;
    JobMode action = JobRead;
    int attempt = 0;
};

struct BatchProgress {
    int total = 0;
    int ended = 0; // rows with their result, those a resumed run skipped included
    int succeeded = 0;
    int failed = 0;
    double secondsLeft = -1; // estimate; negative while unknown
    std::vector<ModemActivity> modems;
};

class CBatchRunner {
public:
    CBatchRunner();
    ~CBatchRunner();
    CBatchRunner(const CBatchRunner&) = delete;
    CBatchRunner& operator=(const CBatchRunner&) = delete;

    // Runs the plan. *results gets one entry per plan row, in plan order: a row skipped by a
    // resume keeps its journalled result, a row never called says so ("stopped"). False with the
    // problem when the run could not begin (no modem, no program, the journal not opened).
    bool Run(const BatchPlan& plan, const BatchOptions& options, const std::function<void()>& tick,
             std::vector<RowResult>* results, std::string* problem);
    void Stop();
    bool StopRequested() const;
    // The first failure to write the journal, empty when every row was journalled.
    std::string JournalProblem() const;
    BatchProgress Progress() const;
    // The rows a resumed run calls again because they changed since the journal says they
    // succeeded (plan lines). Known once Run has begun calling.
    std::vector<int> ChangedRows() const;
    // The modems taken out of the run, in the order they went.
    std::vector<PortTakenOut> PortsTakenOut() const;
    // Each plan row's result so far, in plan order (a row not yet ended holds its last call's
    // result, or "stopped" when none was made), with whether it has ended. Empty before Run.
    std::vector<RowResult> Results(std::vector<bool>* ended) const;

private:
    struct Pending {
        size_t index; // into the plan's rows
        int attempts = 0;
        int portFaults = 0; // calls that failed for their modem's sake, not counted as attempts
        std::chrono::steady_clock::time_point readyAt;
    };

    void ServeModem(size_t modem);
    // Waits, at most options.portReleaseSeconds, while another program holds the port.
    void WaitForPortRelease(size_t modem);
    size_t ModemsLeft() const; // under m_lock
    // The next row for the modem, under m_lock; false when none may be called now.
    bool Pick(size_t modem, std::chrono::steady_clock::time_point now, Pending* pending);
    RowResult Call(size_t modem, const Pending& pending);
    void Finish(size_t modem, const Pending& pending, const RowResult& result);

    const BatchPlan* m_plan = nullptr;
    BatchOptions m_options;

    mutable std::mutex m_lock; // guards everything below
    std::condition_variable m_changed;
    bool m_stopping = false;
    int m_stops = 0;
    std::vector<Pending> m_pending;
    std::map<std::string, size_t> m_lineHolder; // line key -> modem calling it
    std::vector<std::string> m_lastLine;        // per modem
    std::vector<int> m_portFaultsInARow;        // per modem
    std::vector<bool> m_out;                    // per modem: taken out of the run
    std::vector<PortTakenOut> m_portsOut;
    std::vector<int> m_changedRows;
    std::vector<ModemActivity> m_activity;
    std::vector<std::shared_ptr<CChildProcess>> m_children; // per modem, the running call
    std::vector<RowResult> m_results;
    std::vector<bool> m_ended;
    int m_running = 0;
    int m_endedCount = 0;
    int m_succeeded = 0;
    int m_failed = 0;
    double m_callSeconds = 0; // the calls of this run that ended, for the estimate
    int m_calls = 0;
    CBatchJournal m_journal;
    std::string m_journalProblem;
};
