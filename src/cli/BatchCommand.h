// pravel-cli batch PLAN.csv: programs or reads a fleet from a plan, one row per unit, over one or
// several modems (--port, repeatable) or N simulated ones (--simulate N). The plan is checked
// whole first; a plan with errors is refused with each error's row and column and nothing is
// dialled. Each call runs as a child pravel-cli read or write; busy lines, unanswered calls and
// calls a noisy line spoilt are tried again later (--retries, --retry-delay). The journal beside
// the report keeps each row's result as it ends; --resume skips the rows that succeeded. Ctrl-C
// lets each running call log off and hang up, then ends the run. --check checks the plan and its
// files and lists every error and warning without opening a port. Exit status 0 when every row
// succeeded, 1 when some did not, 2 for a bad plan or usage.
#pragma once

#include <string>
#include <vector>

#include "cli/Command.h"

class CBatchCommand : public CCommand {
public:
    CBatchCommand();

protected:
    void AddOptions(CLI::App& app) override;
    int Execute(CommandIo& io) override;

private:
    // The journal goes beside the report, or beside the plan when there is no report.
    std::string JournalPath() const;
    // The plan, report and journal paths, before anything is read or dialled (forRun false: the
    // plan's alone). False with the problem.
    bool CheckPaths(bool forRun, std::string* problem) const;
    // --check: the plan's errors and warnings listed, nothing dialled.
    int Check(CommandIo& io);

    std::string m_planPath;
    std::vector<std::string> m_ports;
    int m_simulate = 0;
    std::string m_simConfigPath;
    std::string m_action = "read";
    int m_retries = 2;
    double m_retryDelay = 60;
    std::string m_reportPath;
    CLI::Option* m_reportOption = nullptr;
    CLI::Option* m_archiveOption = nullptr;
    std::string m_archiveDirectory;
    bool m_resume = false;
    bool m_verify = false;
    bool m_quiet = false;
    bool m_check = false;
};

// Tests run the command in-process: the calls then start this pravel-cli instead of the
// running program. Empty: the running program.
void SetBatchProgramForTests(const std::string& path);
