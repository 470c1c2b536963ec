// What read and write have in common: the port or the built-in simulator, the number, code and
// unit, the parameters chosen by name, the trace switch; putting all that into the in-memory
// dialog as a user would type it; running the job and printing its result.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cli/Command.h"
#include "cli/JobSession.h"
#include "form/DialogItemModel.h"
#include "model/ModemProfile.h"
#include "model/ParameterTable.h"
#include "model/ProgrammingJob.h"

class CSimulator;
class CSimulatorProcess;

class CJobCommand : public CCommand {
protected:
    CJobCommand(std::string name, std::string description, JobMode mode);
    ~CJobCommand() override;

    // --port, --simulate, --modem, --sim-modem, the line (--line, --snr, --codec, --echo, --seed), --number, --code,
    // --unit, --param, --trace, --quiet and --json.
    void AddJobOptions(CLI::App& app);

    // Fills --port and --modem, where not given, from the environment and the configuration
    // file (CliDefaults.h). False with the problem. Call first.
    bool ApplyDefaults(std::string* problem);
    // Checks the connection options and puts number, code, unit and the --param selection into
    // the dialog (the command has loaded and set its own values before). False with the problem.
    bool ApplyJobOptions(std::string* problem);
    // --set NAME=VALUE: the value into the parameter's control, its update box ticked.
    bool ApplySetting(const std::string& assignment, std::string* problem);
    // Ticks the update box of the named parameter.
    bool SelectParameter(const std::string& name, std::string* problem);
    // Counts every ticked parameter as named by the user (a file's own selection).
    void NameTickedParameters();

    // The number, code and (for a write) the ticked values in the dialog keep their rules,
    // wherever they came from. False with the problem.
    bool CheckBeforeDialling(std::string* problem) const;
    // Checks, prepares and runs the job on m_model; returns the exit status (2 when it may not be
    // dialled, 1 when it failed, 0 when it completed) with the result in m_result.
    int RunJob(CommandIo& io);
    // Prints the result to io.out (table or JSON) and the error to io.err. A problem of the
    // command's own after the job (a file not saved) fails the result with its text.
    void PrintResult(CommandIo& io, bool completed, const std::string& ownProblem = {});

    // Prints "pravel-cli: <text>" on standard error.
    static void PrintError(CommandIo& io, const std::string& text);

    CDialogItemModel m_model;
    JobMode m_mode;
    JobResult m_result;
    bool m_completed = false;
    std::string m_ownFailure; // why a job that ran to its end still failed

    std::string m_port;
    bool m_simulate = false;
    std::string m_number;
    std::string m_code;
    int m_unit = 0; // 0: not given
    // The parameters the user named (--param, --set, a file's selection), not chosen by --all: one
    // of them left untransferred fails the job.
    std::vector<bool> m_named = std::vector<bool>(ParameterCount, false);
    std::vector<std::string> m_params;
    bool m_trace = false;
    std::string m_traceFile; // --trace FILE: the modem dialogue goes there
    bool m_quiet = false;
    bool m_csv = false; // the commands that offer --csv set it
    bool m_verify = false; // write --verify: read back what was written, in the same call
    std::string m_modemProfile = "auto";
    ModemCallSettings m_callSettings; // --ringback-gap, --ringback-wait, --country
    std::string m_simulatedModem; // empty: the simulator's default
    CLI::Option* m_modemOption = nullptr;

private:
    // Any of the line options given: the job runs against a pravel-sim started for it.
    bool LineAsSound() const;
    // The built-in simulator, or pravel-sim when the line is sound; false with the problem.
    bool StartSimulator(std::string* problem);
    bool StartSimulatorProcess(std::string* problem);
    void StopSimulator();

    std::unique_ptr<CSimulator> m_simulator;
    std::unique_ptr<CSimulatorProcess> m_simulatorProcess;
    // The line options, in the order pravel-sim is given them (--line, --snr, --codec, --echo,
    // --seed), and the values they are checked into; each goes on to pravel-sim as given.
    std::vector<CLI::Option*> m_lineOptions;
    std::string m_linePreset;
    double m_snrDb = 0;
    std::string m_codec;
    int m_echoDb = 0;
    unsigned m_seed = 1;
};

// The number and unit pravel-cli defaults to with --simulate: the simulated line's and unit's.
extern const char* const SimulatedNumber;
// A port as the user may write it: "COM01", as the port dialog labels it, is "com1".
std::string NormalizedPortName(const std::string& name);
