#include "cli/WriteCommand.h"

#include <CLI/CLI.hpp>

#include "cli/ParameterFileLoad.h"
#include "cli/ParameterNames.h"
#include "cli/TraceScope.h"
#include "form/ParameterForm.h"
#include "model/ParameterTable.h"

CWriteCommand::CWriteCommand() : CJobCommand("write", "Dial a unit and write parameters to it", JobWrite)
{
}

void CWriteCommand::AddOptions(CLI::App& app)
{
    AddJobOptions(app);
    app.add_option("--file", m_filePath, "Take number, code, unit, values and selection from this .oxl file")
        ->type_name("FILE");
    app.add_option("--set", m_settings, "Set a parameter to a value and write it (repeatable)")
        ->type_name("NAME=VALUE");
    app.add_flag("--all", m_all, "With --file: write every parameter the file holds");
    app.add_flag("--verify", m_verify,
                 "Read back what was written, in the same call, and fail (verify-failed) where the unit\n"
                 "holds something else");
}

bool CWriteCommand::CheckEveryParamHasAValue(std::string* problem) const
{
    // Without a file the only values are those of --set: a bare --param would write the empty
    // control and erase what the unit holds.
    if (!m_filePath.empty())
        return true;
    for (const std::string& name : m_params) {
        const int row = FindParameterAnyCase(name, problem);
        bool set = false;
        for (const std::string& assignment : m_settings) {
            std::string ignored;
            set = set || FindParameterAnyCase(assignment.substr(0, assignment.find('=')), &ignored) == row;
        }
        if (!set) {
            const std::string canonical = ParameterTable[row].name;
            *problem = "--param " + canonical + " has no value to write: give it with --set " + canonical +
                       "=VALUE (--set " + canonical + "= writes it empty) or take it from --file FILE.";
            return false;
        }
    }
    return true;
}

int CWriteCommand::Execute(CommandIo& io)
{
    CTraceScope trace(m_trace);
    std::string problem;
    if (!ApplyDefaults(&problem))
        return UsageError(io, problem);
    if (m_all && m_filePath.empty())
        return UsageError(io, "--all writes what a file holds: give the file with --file FILE.");
    if (!m_filePath.empty() && !LoadParameterFileForCli(m_filePath, m_model, &problem))
        return UsageError(io, problem);
    if (m_all)
        TickAllUpdateBoxes(m_model);
    else
        NameTickedParameters();
    bool applied = ApplyJobOptions(&problem) && CheckEveryParamHasAValue(&problem);
    for (size_t i = 0; applied && i < m_settings.size(); ++i)
        applied = ApplySetting(m_settings[i], &problem);
    if (applied && !AnyUpdateBoxTicked(m_model)) {
        if (!m_filePath.empty())
            problem = "Nothing to write: " + m_filePath +
                      " has no ticked parameter; choose parameters with --set NAME=VALUE or --param NAME.";
        else
            problem = "Nothing to write: choose parameters with --set NAME=VALUE, --param NAME or --file.";
        applied = false;
    }
    // What the file put into the dialog keeps the same rules as --set (RunJob checks it).
    if (!applied)
        return UsageError(io, problem);
    int status = RunJob(io);
    if (status == ExitUsage)
        return status;
    PrintResult(io, m_completed);
    return status;
}
