#include "cli/BatchCommand.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <ostream>

#include <CLI/CLI.hpp>

#include "batch/BatchPlan.h"
#include "batch/BatchReport.h"
#include "batch/BatchRunner.h"
#include "batch/ChildProcess.h"
#include "batch/RowCall.h"
#include "cli/Interrupt.h"
#include "cli/TerminalText.h"
#include "cli/TerminalWidth.h"
#include "form/ValueRules.h"
#include "files/ParameterFileIo.h"
#include "sim/SimConfigFile.h"
#include "sim/Simulator.h"

namespace {

std::string g_programForTests;

std::string BaseName(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Clock(double seconds)
{
    const long whole = static_cast<long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

// "Rows 5/12 done, about 0:20 left | ttyUSB0: 5550101 unit 2 write | pts/4: idle"
std::string ProgressText(const BatchProgress& progress)
{
    std::string text = "Rows " + std::to_string(progress.ended) + "/" + std::to_string(progress.total) + " done";
    if (progress.secondsLeft >= 0)
        text += ", about " + Clock(progress.secondsLeft) + " left";
    for (const ModemActivity& modem : progress.modems) {
        text += " | " + BaseName(modem.port) + ": ";
        if (modem.row == 0)
            text += "idle";
        else
            text += modem.number + " unit " + std::to_string(modem.unit) + (modem.action == JobWrite ? " write" : " read") +
                    (modem.attempt > 1 ? " (call " + std::to_string(modem.attempt) + ")" : "");
    }
    return EscapeControlCharacters(text);
}

// Without --sim-config the simulated modems reach every line of the plan, each unit with the
// plan's code: a dry run of the plan.
SimConfig FleetOfPlan(const BatchPlan& plan)
{
    SimConfig config;
    std::map<std::string, size_t> lines;
    for (const PlanRow& row : plan.rows) {
        const std::string key = LineKey(row.number);
        if (lines.count(key) == 0) {
            lines[key] = config.lines.size();
            SimLine line;
            line.number = key;
            line.units.clear();
            config.lines.push_back(line);
        }
        SimLine& line = config.lines[lines[key]];
        bool known = false;
        for (const SimUnit& unit : line.units)
            known = known || unit.unit == row.unit;
        if (!known) {
            SimUnit unit;
            unit.unit = row.unit;
            unit.programmingCode = row.code;
            line.units.push_back(unit);
        }
    }
    return config;
}

void PrintSummary(std::ostream& out, const std::vector<RowResult>& results)
{
    int succeeded = 0;
    for (const RowResult& r : results) {
        succeeded += r.outcome == RowOutcome::Succeeded ? 1 : 0;
        char line[96];
        std::snprintf(line, sizeof line, "%5d  %-20s %d  %-5s  %-12s ", r.row, r.number.c_str(), r.unit,
                      r.action == JobWrite ? "write" : "read", RowStateText(r).c_str());
        // A message of several lines goes on under the message column.
        std::string message = MessageText(r.message);
        for (size_t at = message.find('\n'); at != std::string::npos; at = message.find('\n', at + 1))
            message.insert(at + 1, std::string(std::strlen(line), ' '));
        out << EscapeControlCharacters(line) << message << '\n';
    }
    out << succeeded << " of " << results.size() << " rows succeeded.\n" << std::flush;
}

} // namespace

void SetBatchProgramForTests(const std::string& path)
{
    g_programForTests = path;
}

CBatchCommand::CBatchCommand()
    : CCommand("batch", "Read or program many units from a plan (CSV), over one or several modems")
{
}

void CBatchCommand::AddOptions(CLI::App& app)
{
    app.add_option("plan", m_planPath, "The plan: a CSV file with a header row, one row per unit")
        ->required()
        ->type_name("PLAN.csv");
    auto* port = app.add_option("--port", m_ports, "Serial device of a voice modem (repeatable: one call on each)")
                     ->type_name("DEVICE");
    auto* simulate = app.add_option("--simulate", m_simulate, "Run over N simulated modems")
                         ->type_name("N");
    CheckNumberIn(simulate, 1, 16, true);
    port->excludes(simulate);
    app.add_option("--sim-config", m_simConfigPath, "The simulated lines and units (a pravel-sim configuration)")
        ->needs(simulate)
        ->type_name("FILE");
    app.add_option("--action", m_action, "What rows without an action do: read (default) or write")
        ->check(CLI::IsMember({"read", "write"}))
        ->type_name("read|write");
    CheckNumberIn(app.add_option("--retries", m_retries, "Calls again to a busy, unanswered or noisy line (default 2)")
                      ->type_name("N"),
                  0, 100, true);
    CheckNumberIn(app.add_option("--retry-delay", m_retryDelay,
                                 "Seconds before a busy, unanswered or noisy line is called again (default 60)")
                      ->type_name("S"),
                  0, 86400, false);
    m_reportOption = app.add_option("--report", m_reportPath,
                                    "Write the report to FILE.csv or FILE.json; the journal goes beside it")
                         ->type_name("FILE");
    m_archiveOption = app.add_option("--archive", m_archiveDirectory, "Save each unit read as a parameter file in this folder")
                          ->type_name("DIR");
    app.add_flag("--verify", m_verify,
                 "Writes read back what they wrote, in the same call; a row whose unit holds\n"
                 "something else fails (failed: verify)");
    app.add_flag("--resume", m_resume, "Skip the rows the journal of an earlier run says succeeded");
    app.add_flag("--quiet", m_quiet, "No progress: only the summary and errors");
    app.add_flag("--check", m_check,
                 "Check the plan and its files, list every error and warning, and dial nothing (exit 0 or 2)");
    AddJsonOption(app);
}

std::string CBatchCommand::JournalPath() const
{
    return (m_reportPath.empty() ? m_planPath : m_reportPath) + ".journal";
}

bool CBatchCommand::CheckPaths(bool forRun, std::string* problem) const
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status plan = fs::status(m_planPath, error);
    if (!fs::exists(plan)) {
        *problem = "The plan " + m_planPath + " does not exist.";
        return false;
    }
    if (fs::is_directory(plan)) {
        *problem = "The plan " + m_planPath + " is a folder, not a plan.";
        return false;
    }
    // A pipe or a device has no place beside it for the journal, nor can it be read again.
    if (!forRun)
        return true;
    if (!fs::is_regular_file(plan) && m_reportPath.empty()) {
        *problem = "The plan " + m_planPath + " is not a file: give --report FILE, so that the journal has a place "
                   "beside the report.";
        return false;
    }
    const auto folderOf = [](const std::string& path) {
        const fs::path parent = fs::path(path).parent_path();
        return parent.empty() ? fs::path(".") : parent;
    };
    if (!m_reportPath.empty()) {
        if (fs::is_directory(m_reportPath, error) || (!m_reportPath.empty() && m_reportPath.back() == '/')) {
            *problem = "The report " + m_reportPath + " is a folder: give a file, FILE.csv or FILE.json.";
            return false;
        }
        if (!fs::is_directory(folderOf(m_reportPath), error)) {
            *problem = "The report " + m_reportPath + " cannot be written: its folder does not exist.";
            return false;
        }
    }
    if (fs::is_directory(JournalPath(), error)) {
        *problem = "The journal " + JournalPath() + " is a folder.";
        return false;
    }
    return true;
}

int CBatchCommand::Check(CommandIo& io)
{
    BatchPlan plan;
    std::vector<PlanError> errors;
    std::string problem;
    if (!CheckPaths(false, &problem))
        errors.push_back({0, "", problem});
    else
        LoadBatchPlan(m_planPath, m_action == "write" ? JobWrite : JobRead, CheckParameterValue, &plan, &errors);
    if (JsonWanted()) {
        io.out << PlanCheckJson(plan, errors) << std::flush;
    } else {
        const std::vector<std::string> lines = PlanCheckLines(plan, errors);
        for (size_t i = 0; i < lines.size(); ++i)
            io.out << MessageText(i + 1 < lines.size() ? m_planPath + ": " + lines[i] : lines[i]) << '\n';
        io.out << std::flush;
    }
    return errors.empty() ? ExitOk : ExitUsage;
}

int CBatchCommand::Execute(CommandIo& io)
{
    if (m_check)
        return Check(io);
    if (m_ports.empty() && m_simulate == 0)
        return UsageError(io, "Give the modems' serial ports with --port DEVICE, or use --simulate N.");
    // Each call is a pravel-cli of its own. Where the built-in simulator is a memory line inside
    // this program (Windows), those programs cannot reach it: every row would fail.
    if (m_simulate > 0 && DefaultSimLink() == SimLink::Memory)
        return UsageError(io, "batch --simulate is not available on this system: each call runs in a pravel-cli of its "
                              "own, which cannot reach this program's built-in simulator. Give the modems' serial "
                              "ports with --port DEVICE.");
    // Every path is checked before anything is dialled; an empty one would be silently no report.
    std::string problem;
    if (m_reportOption->count() > 0 && m_reportPath.empty())
        return UsageError(io, "--report needs a file name: FILE.csv or FILE.json.");
    if (m_archiveOption->count() > 0 && m_archiveDirectory.empty())
        return UsageError(io, "--archive needs a folder name.");
    if (!CheckPaths(true, &problem))
        return UsageError(io, problem);
    BatchPlan plan;
    std::vector<PlanError> errors;
    if (!LoadBatchPlan(m_planPath, m_action == "write" ? JobWrite : JobRead, CheckParameterValue, &plan, &errors)) {
        std::string all;
        for (const PlanError& error : errors) {
            io.err << "pravel-cli: " << MessageText(m_planPath + ": " + PlanErrorText(error)) << '\n';
            all += (all.empty() ? "" : "\n") + m_planPath + ": " + PlanErrorText(error);
        }
        io.err << "pravel-cli: the plan has " << errors.size() << (errors.size() == 1 ? " error" : " errors")
               << "; nothing was dialled.\n"
               << std::flush;
        if (JsonWanted())
            PrintUsageErrorJson(io.out, all);
        return ExitUsage;
    }
    for (const PlanError& warning : plan.warnings)
        io.err << "pravel-cli: " << MessageText(m_planPath + ": " + PlanErrorText(warning)) << '\n';
    if (!m_archiveDirectory.empty()) {
        std::error_code error;
        std::filesystem::create_directories(m_archiveDirectory, error);
        if (!std::filesystem::is_directory(m_archiveDirectory))
            return UsageError(io, "The archive folder " + m_archiveDirectory + " could not be made" +
                                      (error ? ": " + error.message() : std::string()) + ".");
        for (const PlanRow& row : plan.rows)
            if (row.action == JobRead) {
                if (!CheckParameterFileSavePath(ArchivePath(m_archiveDirectory, row), &problem))
                    return UsageError(io, problem);
                break;
            }
    }
    BatchOptions options;
    options.program = g_programForTests.empty() ? CurrentProgramPath() : g_programForTests;
    options.retries = m_retries;
    options.retryDelaySeconds = m_retryDelay;
    options.archiveDirectory = m_archiveDirectory;
    options.verify = m_verify;
    options.journalPath = JournalPath();
    options.resume = m_resume;
    options.ports = m_ports;

    std::vector<std::unique_ptr<CSimulator>> simulators;
    if (m_simulate > 0) {
        SimConfig config = FleetOfPlan(plan);
        if (!m_simConfigPath.empty() && !LoadSimConfigFile(m_simConfigPath, &config, &problem))
            return UsageError(io, problem);
        // The batch's simulated modems are built in, on a perfect wire; the line as sound is
        // pravel-sim's alone.
        if (config.sound.on)
            return UsageError(io, m_simConfigPath +
                                      ": the line as sound (\"sound\") is played by pravel-sim only; "
                                      "batch --simulate has a clean line. Run pravel-sim --config " +
                                      m_simConfigPath +
                                      " and give its port to batch with --port, or try one unit with read or write "
                                      "--simulate --line.");
        config.fast = true;
        for (int i = 0; i < m_simulate; ++i) {
            simulators.push_back(std::make_unique<CSimulator>());
            if (!simulators.back()->Start(config, &problem)) {
                io.err << "pravel-cli: The simulator could not be started: " << problem << '\n';
                return ExitFailed;
            }
            options.ports.push_back(simulators.back()->DevicePath());
        }
    }

    // From here on Ctrl-C, SIGTERM and SIGHUP stop the run rather than the program.
    CInterruptScope interrupts;
    CBatchRunner runner;
    const bool drawing = io.errIsTerminal && !m_quiet;
    // A line redrawn in place must never wrap; where the width is unknown, a line per row ended.
    const int columns = drawing ? TerminalColumns() : 0;
    int linesForRows = 0;
    std::string drawn;
    int stops = 0;
    bool toldChanged = false;
    auto tick = [&] {
        if (!toldChanged) {
            toldChanged = true;
            for (int row : runner.ChangedRows())
                io.err << "pravel-cli: row " << row << " changed since it succeeded: it is called again.\n";
            io.err << std::flush;
        }
        if (InterruptRequested() && stops == 0) {
            stops = 1;
            io.err << (drawn.empty() ? "" : "\r\033[K") << "pravel-cli: stopping: each running call logs off and hangs up.\n"
                   << std::flush;
            drawn.clear();
            runner.Stop();
        }
        if (AbortRequested() && stops == 1) {
            stops = 2;
            runner.Stop();
        }
        if (!drawing)
            return;
        const BatchProgress progress = runner.Progress();
        if (columns == 0) {
            if (progress.ended != linesForRows) {
                linesForRows = progress.ended;
                io.err << ProgressText(progress) << '\n' << std::flush;
            }
            return;
        }
        const std::string text = FitToWidth(ProgressText(progress), columns);
        if (text != drawn) {
            io.err << "\r\033[K" << text << std::flush;
            drawn = text;
        }
    };
    std::vector<RowResult> results;
    const bool ran = runner.Run(plan, options, tick, &results, &problem);
    if (!drawn.empty())
        io.err << "\r\033[K" << std::flush;
    for (auto& simulator : simulators)
        simulator->Stop();
    ClearInterrupt();
    if (!ran)
        return UsageError(io, problem);
    if (!runner.JournalProblem().empty())
        io.err << "pravel-cli: " << MessageText(runner.JournalProblem()) << '\n';

    int status = ExitOk;
    for (const RowResult& result : results)
        if (result.outcome != RowOutcome::Succeeded)
            status = ExitFailed;
    if (!m_reportPath.empty() && !WriteBatchReport(m_reportPath, results, &problem)) {
        io.err << "pravel-cli: " << MessageText(problem) << '\n';
        status = ExitFailed;
    }
    const std::vector<PortTakenOut> portsOut = runner.PortsTakenOut();
    if (JsonWanted())
        io.out << BatchReportJson(results) << std::flush;
    else
        PrintSummary(io.out, results);
    // Named in the summary, or beside the JSON where that is the output.
    std::ostream& notes = JsonWanted() ? io.err : io.out;
    for (const PortTakenOut& out : portsOut)
        notes << "The modem on " << EscapeControlCharacters(out.port)
              << " was taken out of the run after two failed calls in a row: " << MessageText(out.message) << '\n';
    if (!portsOut.empty() && portsOut.size() == options.ports.size())
        notes << "No modem was left to call with.\n";
    notes << std::flush;
    return status;
}
