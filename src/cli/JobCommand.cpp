#include "cli/JobCommand.h"

#include <ostream>

#include <CLI/CLI.hpp>

#include "cli/ResultOutput.h"
#include "job/ComPortName.h"
#include "job/DialogIds.h"
#include "job/ParameterForm.h"
#include "job/ParameterTable.h"
#include "sim/Simulator.h"

const char* const SimulatedNumber = "5550100";

namespace {

// The edits that take digits only in the dialog.
bool IsDigitsOnlyControl(int controlId)
{
    switch (controlId) {
    case 1003:
    case 1004:
    case 1005:
    case 1042:
    case 1031:
    case IDC_ALARM_BUTTON_DELAY:
    case IDC_ALARM_TYPE:
        return true;
    default:
        return false;
    }
}

bool AllDigits(const std::string& text)
{
    return text.find_first_not_of("0123456789") == std::string::npos;
}

std::string ParameterNames()
{
    std::string names;
    for (int row = 0; row < ParameterCount; ++row) {
        if (row > 0)
            names += ", ";
        names += ParameterTable[row].name;
    }
    return names;
}

bool UnknownParameter(const std::string& name, std::string* problem)
{
    *problem = "Unknown parameter '" + name + "'. The parameters are: " + ParameterNames() + ".";
    return false;
}

} // namespace

CJobCommand::CJobCommand(std::string name, std::string description, JobMode mode)
    : CCommand(std::move(name), std::move(description)), m_mode(mode)
{
    SetInitialValues(m_model);
}

CJobCommand::~CJobCommand() = default;

void CJobCommand::AddJobOptions(CLI::App& app)
{
    auto* port = app.add_option("--port", m_port, "Serial device of the voice modem, such as /dev/ttyUSB0")
                     ->type_name("DEVICE");
    auto* simulate = app.add_flag("--simulate", m_simulate,
                                  "Run against the built-in simulated modem with one unit (number, code 3958 and "
                                  "unit 1 by default)");
    port->excludes(simulate);
    app.add_option("--number", m_number, "Telephone number of the unit's line (at most 20 characters)")
        ->type_name("NUMBER");
    app.add_option("--code", m_code, "The unit's programming code, four digits")->type_name("CODE");
    app.add_option("--unit", m_unit, "Which unit on the line, 1 (master) to 6")->check(CLI::Range(1, 6).description(""))->type_name("1-6");
    app.add_option("--param", m_params, "Transfer this parameter (repeatable); see the manual for the names")
        ->type_name("NAME");
    app.add_flag("--trace", m_trace, "Send the debug trace to standard error");
    AddJsonOption(app);
}

bool CJobCommand::ApplyJobOptions(std::string* problem)
{
    if (!m_simulate && m_port.empty()) {
        *problem = "Give the modem's serial port with --port DEVICE, or use --simulate.";
        return false;
    }
    if (!m_number.empty()) {
        if (m_number.size() > 20) {
            *problem = "Telephone number: at most 20 characters.";
            return false;
        }
        m_model.SetItemText(IDC_PHONE_NUMBER, m_number);
    }
    if (!m_code.empty()) {
        if (m_code.size() != 4 || !AllDigits(m_code)) {
            *problem = "Programming code: enter the unit's code of exactly four digits.";
            return false;
        }
        m_model.SetItemText(IDC_PROGRAMMING_CODE, m_code);
    }
    if (m_unit != 0)
        CheckRadioButton(m_model, IDC_UNIT_FIRST, IDC_UNIT_LAST, IDC_UNIT_FIRST - 1 + m_unit);
    for (const std::string& name : m_params)
        if (!SelectParameter(name, problem))
            return false;
    if (m_simulate) {
        if (m_model.GetItemText(IDC_PHONE_NUMBER).empty())
            m_model.SetItemText(IDC_PHONE_NUMBER, SimulatedNumber);
        bool anyUnit = false;
        for (int id = IDC_UNIT_FIRST; id <= IDC_UNIT_LAST; ++id)
            anyUnit = anyUnit || m_model.IsButtonChecked(id);
        if (!anyUnit)
            CheckRadioButton(m_model, IDC_UNIT_FIRST, IDC_UNIT_LAST, IDC_UNIT_FIRST);
    }
    return true;
}

bool CJobCommand::SelectParameter(const std::string& name, std::string* problem)
{
    int row = FindParameter(name);
    if (row < 0)
        return UnknownParameter(name, problem);
    m_model.CheckButton(ParameterTable[row].updateBoxId, true);
    return true;
}

bool CJobCommand::ApplySetting(const std::string& assignment, std::string* problem)
{
    size_t equals = assignment.find('=');
    if (equals == std::string::npos) {
        *problem = "--set takes NAME=VALUE, not '" + assignment + "'.";
        return false;
    }
    std::string name = assignment.substr(0, equals);
    std::string value = assignment.substr(equals + 1);
    int row = FindParameter(name);
    if (row < 0)
        return UnknownParameter(name, problem);
    const ParameterDescriptor& p = ParameterTable[row];
    switch (p.kind) {
    case KindText:
        if (value.size() > static_cast<size_t>(p.maxLength)) {
            *problem = name + ": at most " + std::to_string(p.maxLength) + " characters.";
            return false;
        }
        if (IsDigitsOnlyControl(p.valueControlId) && !AllDigits(value)) {
            *problem = name + ": digits only.";
            return false;
        }
        m_model.SetItemText(p.valueControlId, value);
        break;
    case KindRadioPair:
    case KindCheckBox:
        if (value != "0" && value != "1") {
            *problem = name + ": the value must be 0 or 1.";
            return false;
        }
        if (p.kind == KindRadioPair)
            CheckRadioButton(m_model, p.valueControlId, p.secondControlId,
                             value == "1" ? p.valueControlId : p.secondControlId);
        else
            m_model.CheckButton(p.valueControlId, value == "1");
        break;
    case KindCombo: {
        int highest = (p.valueControlId == IDC_TEST_ALARM_TIME ? TestAlarmTimeItems : PhoneAcknowledgeItems) - 1;
        if (value.empty() || value.size() > 2 || !AllDigits(value) || std::stoi(value) > highest) {
            *problem = name + ": choose a value from 0 to " + std::to_string(highest) + ".";
            return false;
        }
        m_model.SetComboSelection(p.valueControlId, std::stoi(value));
        break;
    }
    default:
        break;
    }
    m_model.CheckButton(p.updateBoxId, true);
    return true;
}

bool CJobCommand::StartSimulator(std::string* problem)
{
    SimConfig config = DefaultSimConfig();
    config.fast = true;
    // The simulated line answers the number dialled, with the unit chosen; the unit keeps its
    // own programming code, so a wrong --code is refused as a real unit would refuse it.
    config.lines.front().number = theJob.phoneNumber;
    config.lines.front().units.front().unit = theJob.unit;
    m_simulator = std::make_unique<CSimulator>();
    if (!m_simulator->Start(config, problem))
        return false;
    SetComPortName(m_simulator->DevicePath());
    return true;
}

int CJobCommand::RunJob(CommandIo& io)
{
    CJobSession session(m_model, m_mode);
    std::string problem;
    if (!session.Prepare(&problem)) {
        PrintError(io, problem);
        return ExitUsage;
    }
    if (m_simulate) {
        if (!StartSimulator(&problem)) {
            PrintError(io, "The simulator could not be started: " + problem);
            return ExitFailed;
        }
    } else {
        SetComPortName(m_port);
    }
    m_result = session.Run(io);
    if (m_simulator)
        m_simulator->Stop();
    m_completed = JobCompleted(m_result, m_model, m_mode);
    return m_completed ? ExitOk : ExitFailed;
}

void CJobCommand::PrintResult(CommandIo& io, bool completed, const std::string& ownProblem)
{
    JobReport report = MakeJobReport(m_result, m_model, m_mode, completed && ownProblem.empty());
    if (!ownProblem.empty() && completed)
        report.error = ownProblem;
    if (JsonWanted())
        PrintJobJson(io.out, report);
    else
        PrintJobTable(io.out, report);
    // Before the login nothing could be transferred; the error says why.
    if (m_result.codeAccepted && !report.notTransferred.empty()) {
        std::string names;
        for (const std::string& name : report.notTransferred)
            names += (names.empty() ? "" : ", ") + name;
        PrintError(io, "not transferred: " + names);
    }
    if (report.error)
        PrintError(io, *report.error);
}

void CJobCommand::PrintError(CommandIo& io, const std::string& text)
{
    io.err << "pravel-cli: " << text << '\n' << std::flush;
}
