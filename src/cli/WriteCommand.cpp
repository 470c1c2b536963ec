#include "cli/WriteCommand.h"

#include <CLI/CLI.hpp>

#include "cli/ParameterFileLoad.h"
#include "cli/TraceScope.h"
#include "form/ParameterForm.h"

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
}

int CWriteCommand::Execute(CommandIo& io)
{
    CTraceScope trace(m_trace);
    std::string problem;
    if (!m_filePath.empty() && !LoadParameterFileForCli(m_filePath, m_model, &problem))
        return UsageError(io, problem);
    bool applied = ApplyJobOptions(&problem);
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
