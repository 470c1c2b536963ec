#include "cli/ReadCommand.h"

#include <CLI/CLI.hpp>

#include "cli/TraceScope.h"
#include "files/FileProblem.h"
#include "files/ParameterFileIo.h"
#include "model/DialogIds.h"
#include "form/ParameterForm.h"

CReadCommand::CReadCommand()
    : CJobCommand("read", "Dial a unit and read its parameters and status", JobRead)
{
}

void CReadCommand::AddOptions(CLI::App& app)
{
    AddJobOptions(app);
    app.add_flag("--csv", m_csv, "Print the parameters as CSV: name,value,ticked (ticked: not read)")
        ->excludes(app.get_option("--json"));
    auto* all = app.add_flag("--all", m_all, "Read every parameter");
    all->excludes(app.get_option("--param"));
    auto* save = m_saveOption = app.add_option("--save", m_savePath,
                                "After a complete read, save the parameters to this .oxl file (an existing file is "
                                "replaced only then)")
                     ->type_name("FILE");
    app.add_flag("--save-partial", m_savePartial,
                 "Save with --save even when the read did not complete (what was read, the rest as it was)")
        ->needs(save);
}

int CReadCommand::Execute(CommandIo& io)
{
    CTraceScope trace(m_trace);
    std::string problem;
    if (!ApplyDefaults(&problem))
        return UsageError(io, problem);
    if (!m_simulate && !m_port.empty() && m_number.empty())
        problem = "Give the unit's telephone number with --number NUMBER.";
    else if (!m_simulate && !m_port.empty() && m_code.empty())
        problem = "Give the unit's programming code with --code CODE.";
    else if (!m_all && m_params.empty())
        problem = "Choose what to read: --all, or --param NAME for each parameter.";
    if (problem.empty())
        ApplyJobOptions(&problem); // sets problem when it fails
    // A file that could not be saved is found out before the call, not after it.
    if (problem.empty() && m_saveOption->count() > 0) {
        problem = FileProblemText(m_savePath, FileUse::Save);
        if (problem.empty())
            CheckParameterFileSavePath(m_savePath, &problem);
    }
    if (!problem.empty())
        return UsageError(io, problem);
    if (m_all)
        TickAllUpdateBoxes(m_model);

    int status = RunJob(io);
    if (status == ExitUsage)
        return status;

    std::string saveProblem;
    if (!m_savePath.empty()) {
        // An existing file is not replaced by what an incomplete read left in the dialog,
        // unless that is asked for.
        if (!m_result.codeAccepted)
            PrintError(io, m_savePath + " was not written: nothing was read.");
        else if (!m_completed && !m_savePartial)
            PrintError(io, m_savePath + " was not written: the read did not complete (--save-partial saves what was "
                                        "read).");
        else if (!Save(&saveProblem))
            status = ExitFailed;
    }
    PrintResult(io, m_completed, saveProblem);
    return status;
}

bool CReadCommand::Save(std::string* message)
{
    // What the dialog's Save does: the job filled as for a read, every value copied into its
    // slot, and the two status texts as they stand.
    ProgrammingJob job{};
    if (!FillJob(m_model, job, JobRead, nullptr)) {
        *message = "No unit is chosen.";
        return false;
    }
    CopyValuesToJob(m_model, job);
    return SaveParameterFile(m_savePath, job, m_model.GetItemText(IDC_POWER_STATUS), m_model.GetItemText(IDC_FIRMWARE),
                             message);
}
