#include "cli/JobCommand.h"

#include <ostream>

#include <CLI/CLI.hpp>

#include "cli/CliDefaults.h"
#include "cli/Interrupt.h"
#include "cli/ParameterNames.h"
#include "modem/DialogueTraceScope.h"
#include "cli/ResultOutput.h"
#include "cli/SimulatorProcess.h"
#include "cli/TerminalText.h"
#include "files/TextEncoding.h"
#include "form/ValueRules.h"
#include "model/ComPortName.h"
#include "model/ModemProfile.h"
#include "model/DialogIds.h"
#include "form/ParameterForm.h"
#include "model/ParameterTable.h"
#include "serial/PortUsers.h"
#include "sim/SimConfig.h"
#include "sim/Simulator.h"

const char* const SimulatedNumber = "5550100";

namespace {

// How long pravel-sim may take to name its port.
constexpr int SimulatorStartWaitMs = 10000;

} // namespace

std::string NormalizedPortName(const std::string& name)
{
    // "COM01" as the port dialog lists it is com1; the device layer takes no leading zero.
    if (name.size() < 4 || (name[0] != 'c' && name[0] != 'C') || (name[1] != 'o' && name[1] != 'O') ||
        (name[2] != 'm' && name[2] != 'M') || name.find_first_not_of("0123456789", 3) != std::string::npos)
        return name;
    const size_t first = name.find_first_not_of('0', 3);
    if (first == std::string::npos)
        return name; // "COM0": no such port, said by the open
    return "com" + name.substr(first);
}


CJobCommand::CJobCommand(std::string name, std::string description, JobMode mode)
    : CCommand(std::move(name), std::move(description)), m_mode(mode)
{
    SetInitialValues(m_model);
}

CJobCommand::~CJobCommand() = default;

void CJobCommand::AddJobOptions(CLI::App& app)
{
    auto* port = app.add_option("--port", m_port,
                                "Serial device of the voice modem, such as /dev/ttyUSB0 or COM3 (default: "
                                "PRAVEL_PORT, then the configuration file)")
                     ->type_name("DEVICE");
    auto* simulate = app.add_flag("--simulate", m_simulate,
                                  std::string("Run against the built-in simulated modem with one unit (number ") +
                                      SimulatedNumber + ", code 3958 and unit 1 by default)");
    port->excludes(simulate);
    m_modemOption = app.add_option("--modem", m_modemProfile,
                   "The modem's voice commands: auto (the default: the '#' commands, V.253 when the modem "
                   "refuses them), hash or v253 (default: PRAVEL_MODEM, then the configuration file)")
        ->check(CLI::IsMember({"auto", "hash", "v253"}).description(""))
        ->type_name("PROFILE");
    app.add_option("--ringback-gap", m_callSettings.ringbackGapTenths,
                   "V.253: tenths of a second of silence after a ring before the unit counts as answered "
                   "(+VRA; default 70, longer than the pause between two rings)")
        ->check(CLI::Range(0, MaxRingbackTimer).description(""))
        ->type_name("TENTHS");
    app.add_option("--ringback-wait", m_callSettings.ringbackWaitSeconds,
                   "V.253: seconds to wait for a ring at all after dialling (+VRN; default 10)")
        ->check(CLI::Range(0, MaxRingbackTimer).description(""))
        ->type_name("SECONDS");
    app.add_option("--country", m_callSettings.country,
                   "The modem's country for its dial tone, busy and ring detection, sent as AT+GCI=CODE "
                   "(two hexadecimal digits, such as B5 for the USA or A5 for Sweden)")
        ->check(CLI::Validator(
            [](std::string& text) {
                std::optional<std::string> code = ParseCountryCode(text);
                if (!code || code->empty())
                    return std::string("a country code is two hexadecimal digits, such as A5");
                text = *code;
                return std::string();
            },
            ""))
        ->type_name("CODE");
    app.add_option("--sim-modem", m_simulatedModem,
                   "With --simulate: the kind of simulated modem, hash (the default), conexant or intel")
        ->check(CLI::IsMember({"hash", "conexant", "intel"}).description(""))
        ->type_name("KIND")
        ->needs(simulate);
    // The line as sound: pravel-sim's line options, passed on to a pravel-sim started for the job.
    m_lineOptions = {
        app.add_option("--line", m_linePreset,
                       "With --simulate: the line the tones cross as sound (run by pravel-sim): clean, noisy "
                       "(15 dB of noise) or gsm (a GSM 06.10 gateway, noise 30 dB down)")
            ->check(CLI::Validator(
                [](std::string& name) {
                    SimSound sound;
                    return ApplySimLinePreset(name, &sound) ? std::string()
                                                            : "the line is clean, noisy or gsm, not '" + name + "'.";
                },
                "", ""))
            ->type_name("PRESET")
            ->needs(simulate),
        app.add_option("--snr", m_snrDb, "With --simulate: white noise this many dB below the tones (-20 to 100)")
            ->type_name("DB")
            ->needs(simulate),
        app.add_option("--codec", m_codec, "With --simulate: the line's speech codec, none, alaw, ulaw or gsm")
            ->check(CLI::Validator(
                [](std::string& name) {
                    SimCodec codec = SimCodec::None;
                    return ParseSimCodec(name, &codec) ? std::string()
                                                       : "the codec is none, alaw, ulaw or gsm, not '" + name + "'.";
                },
                "", ""))
            ->type_name("NAME")
            ->needs(simulate),
        app.add_option("--echo", m_echoDb,
                       "With --simulate: an echo of the sender's own tones this many dB down (-60 to 0, such as -10)")
            ->type_name("DB")
            ->needs(simulate),
        app.add_option("--seed", m_seed, "With --simulate: the line noise's seed (the same seed, the same noise)")
            ->type_name("N")
            ->needs(simulate),
    };
    CheckNumberIn(m_lineOptions[1], SimMinSnrDb, SimMaxSnrDb, false);
    CheckNumberIn(m_lineOptions[3], SimMinEchoDb, SimMaxEchoDb, true);
    CheckNumberIn(m_lineOptions[4], 0, 4294967295.0, true);
    app.add_option("--number", m_number, "Telephone number of the unit's line (at most 20 characters)")
        ->type_name("NUMBER");
    app.add_option("--code", m_code, "The unit's programming code, four digits")->type_name("CODE");
    CheckNumberIn(app.add_option("--unit", m_unit, "Which unit on the line, 1 (master) to 6")->type_name("1-6"), 1, 6,
                  true);
    app.add_option("--param", m_params, "Transfer this parameter (repeatable); see the manual for the names")
        ->type_name("NAME");
    // --trace alone: the debug trace on standard error; --trace FILE: the modem dialogue into FILE.
    app.add_option_function<std::string>(
           "--trace",
           [this](const std::string& file) {
               if (file.empty())
                   m_trace = true;
               else
                   m_traceFile = file;
           },
           "Alone: send the debug trace (the modem dialogue among it) to standard error. With a FILE: write the "
           "modem dialogue into FILE, to send us when Pravel fails with your modem")
        ->expected(0, 1)
        ->type_name("[FILE]");
    app.add_flag("--quiet", m_quiet, "No progress: only the result and errors");
    AddJsonOption(app);
}

bool CJobCommand::ApplyDefaults(std::string* problem)
{
    CliDefaults defaults;
    if (!ReadCliDefaults(&defaults, problem))
        return false;
    if (!m_simulate && m_port.empty())
        m_port = defaults.port;
    if (m_modemOption->count() == 0 && !defaults.modem.empty())
        m_modemProfile = defaults.modem;
    m_port = NormalizedPortName(m_port);
    return true;
}

bool CJobCommand::ApplyJobOptions(std::string* problem)
{
    if (!m_simulate && m_port.empty()) {
        *problem = "Give the modem's serial port with --port DEVICE (or set PRAVEL_PORT), or use --simulate.";
        return false;
    }
    if (LineAsSound() && !CSimulatorProcess::Available()) {
        *problem = "The line as sound (--line, --snr, --codec, --echo, --seed) is played by pravel-sim, which runs "
                   "on Linux only; here --simulate has a clean line.";
        return false;
    }
    if (!m_number.empty()) {
        if (!CheckPhoneNumber(m_number, problem))
            return false;
        m_model.SetItemText(IDC_PHONE_NUMBER, m_number);
    }
    if (!m_code.empty()) {
        if (!CheckProgrammingCode(m_code, problem))
            return false;
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
    int row = FindParameterAnyCase(name, problem);
    if (row < 0)
        return false;
    m_model.CheckButton(ParameterTable[row].updateBoxId, true);
    m_named[static_cast<size_t>(row)] = true;
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
    int row = FindParameterAnyCase(name, problem);
    if (row < 0)
        return false;
    const ParameterDescriptor& p = ParameterTable[row];
    if (!CheckParameterValue(row, value, problem))
        return false;
    switch (p.kind) {
    case KindText:
        m_model.SetItemText(p.valueControlId, value);
        break;
    case KindRadioPair:
        CheckRadioButton(m_model, p.valueControlId, p.secondControlId,
                         value == "1" ? p.valueControlId : p.secondControlId);
        break;
    case KindCheckBox:
        m_model.CheckButton(p.valueControlId, value == "1");
        break;
    case KindCombo:
        m_model.SetComboSelection(p.valueControlId, std::stoi(value));
        break;
    default:
        break;
    }
    m_model.CheckButton(p.updateBoxId, true);
    m_named[static_cast<size_t>(row)] = true;
    return true;
}

void CJobCommand::NameTickedParameters()
{
    for (int row = 0; row < ParameterCount; ++row)
        if (m_model.IsButtonChecked(ParameterTable[row].updateBoxId))
            m_named[static_cast<size_t>(row)] = true;
}

bool CJobCommand::LineAsSound() const
{
    for (const CLI::Option* option : m_lineOptions)
        if (option->count() > 0)
            return true;
    return false;
}

bool CJobCommand::StartSimulator(std::string* problem)
{
    if (LineAsSound())
        return StartSimulatorProcess(problem);
    SimConfig config = DefaultSimConfig();
    config.fast = true;
    if (!m_simulatedModem.empty())
        ParseSimModemPersona(m_simulatedModem, &config.modem);
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

bool CJobCommand::StartSimulatorProcess(std::string* problem)
{
    const std::string program = CSimulatorProcess::FindProgram(problem);
    if (program.empty())
        return false;
    // What the built-in simulator gets, and the line.
    std::vector<std::string> arguments = {program, "--fast", std::string("--number=") + theJob.phoneNumber,
                                          "--unit=" + std::to_string(theJob.unit)};
    if (!m_simulatedModem.empty())
        arguments.push_back("--modem=" + m_simulatedModem);
    // pravel-sim's options have the same names and ranges: each goes on as it was given.
    for (const CLI::Option* option : m_lineOptions)
        if (option->count() > 0)
            arguments.push_back(option->get_name() + "=" + option->results().back());
    m_simulatorProcess = std::make_unique<CSimulatorProcess>();
    if (!m_simulatorProcess->Start(arguments, SimulatorStartWaitMs, problem))
        return false;
    SetComPortName(m_simulatorProcess->DevicePath());
    return true;
}

void CJobCommand::StopSimulator()
{
    if (m_simulator)
        m_simulator->Stop();
    if (m_simulatorProcess)
        m_simulatorProcess->Stop();
}

bool CJobCommand::CheckBeforeDialling(std::string* problem) const
{
    return CheckDialogValues(m_model, m_mode == JobWrite, problem);
}

int CJobCommand::RunJob(CommandIo& io)
{
    // From here on Ctrl-C, SIGTERM and SIGHUP stop the job rather than the program.
    CInterruptScope interrupts;
    CJobSession session(m_model, m_mode);
    session.SetVerify(m_verify);
    std::string problem;
    if (!CheckBeforeDialling(&problem) || !session.Prepare(&problem))
        return UsageError(io, problem);
    SetModemProfile(ParseModemProfile(m_modemProfile).value_or(ModemProfile::Auto));
    SetModemCallSettings(m_callSettings);
    if (m_simulate) {
        if (!StartSimulator(&problem)) {
            PrintError(io, "The simulator could not be started: " + problem);
            return ExitFailed;
        }
    } else {
        SetComPortName(m_port);
        std::vector<PortUser> users = FindOtherPortUsers(m_port);
        if (!users.empty())
            PrintError(io, "warning: " + PortUsersWarning(m_port, users));
    }
    CDialogueTraceScope dialogue;
    if (!dialogue.Start(m_traceFile, CliProgramName(), m_modemProfile, GetComPortName(), &problem)) {
        StopSimulator();
        return UsageError(io, problem);
    }
    // --quiet: the progress goes nowhere.
    std::ostream nowhere(nullptr);
    CommandIo jobIo{io.in, io.out, m_quiet ? nowhere : io.err, io.errIsTerminal && !m_quiet};
    m_result = session.Run(jobIo);
    StopSimulator();
    if (!dialogue.Finish(&problem))
        PrintError(io, problem);
    m_completed = JobCompleted(m_result, m_model, m_mode);
    if (m_completed) {
        // The job ran to its end, so what is left is what this firmware lacks; a parameter the
        // user asked for by name must not pass as done.
        std::string lacking;
        int count = 0;
        for (int row : RowsNotTransferred(m_model, m_result.selectionMask)) {
            if (!m_named[static_cast<size_t>(row)])
                continue;
            lacking += (lacking.empty() ? "" : ", ") + std::string(ParameterTable[row].name);
            ++count;
        }
        if (count > 0) {
            m_completed = false;
            m_ownFailure = "The unit's firmware " + m_result.firmware + " has no " + lacking + ": " +
                           (count == 1 ? "it was not " : "they were not ") +
                           (m_mode == JobWrite ? "written." : "read.");
        }
    }
    return m_completed ? ExitOk : ExitFailed;
}

void CJobCommand::PrintResult(CommandIo& io, bool completed, const std::string& ownProblem)
{
    JobReport report = MakeJobReport(m_result, m_model, m_mode, completed && ownProblem.empty());
    report.port = GetComPortName();
    report.number = Windows1252ToUtf8(m_model.GetItemText(IDC_PHONE_NUMBER));
    for (int id = IDC_UNIT_FIRST; id <= IDC_UNIT_LAST; ++id)
        if (m_model.IsButtonChecked(id))
            report.unit = id - (IDC_UNIT_FIRST - 1);
    if (!ownProblem.empty() && completed)
        report.error = ownProblem;
    else if (!m_ownFailure.empty()) {
        report.error = m_ownFailure;
        report.reason = JobOutcome::NotTransferred;
    }
    if (JsonWanted())
        PrintJobJson(io.out, report);
    else if (m_csv)
        PrintJobCsv(io.out, report);
    else
        PrintJobTable(io.out, report);
    // Before the login nothing could be transferred; the error says why.
    if (m_result.codeAccepted && !report.notTransferred.empty() && m_ownFailure.empty()) {
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
    io.err << "pravel-cli: " << MessageText(text) << '\n' << std::flush;
}
