#include "cli/ReadCommand.h"

#include <CLI/CLI.hpp>

#include "cli/TraceScope.h"
#include "files/ParameterFileIo.h"
#include "job/DialogIds.h"
#include "job/ParameterForm.h"

CReadCommand::CReadCommand()
    : CJobCommand("read", "Dial a unit and read its parameters and status", JobRead)
{
}

void CReadCommand::AddOptions(CLI::App& app)
{
    AddJobOptions(app);
    auto* all = app.add_flag("--all", m_all, "Read every parameter");
    all->excludes(app.get_option("--param"));
    app.add_option("--save", m_savePath, "After the read, save the parameters to this .oxl file")->type_name("FILE");
}

int CReadCommand::Execute(CommandIo& io)
{
    CTraceScope trace(m_trace);
    std::string problem;
    if (!m_simulate && !m_port.empty() && m_number.empty())
        problem = "Give the unit's telephone number with --number NUMBER.";
    else if (!m_simulate && !m_port.empty() && m_code.empty())
        problem = "Give the unit's programming code with --code CODE.";
    else if (!m_all && m_params.empty())
        problem = "Choose what to read: --all, or --param NAME for each parameter.";
    if (problem.empty())
        ApplyJobOptions(&problem); // sets problem when it fails
    if (!problem.empty()) {
        PrintError(io, problem);
        return ExitUsage;
    }
    if (m_all)
        TickAllUpdateBoxes(m_model);

    int status = RunJob(io);
    if (status == ExitUsage)
        return status;

    std::string saveProblem;
    if (!m_savePath.empty()) {
        if (!m_result.codeAccepted)
            PrintError(io, m_savePath + " was not written: nothing was read.");
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
