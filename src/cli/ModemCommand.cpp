#include "cli/ModemCommand.h"

#include <iomanip>
#include <ostream>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "cli/Interrupt.h"
#include "modem/DialogueTraceScope.h"
#include "cli/TerminalText.h"
#include "cli/TraceScope.h"
#include "modem/ModemCheck.h"
#include "sim/Simulator.h"

namespace {

constexpr int LabelWidth = 27;

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += (text.empty() ? "" : " / ") + line;
    return text;
}

std::string OrDash(const std::string& text)
{
    return text.empty() ? std::string("(no answer)") : EscapeControlCharacters(text);
}

nlohmann::ordered_json OrNull(const std::string& text)
{
    return text.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(text);
}

} // namespace

CModemCommand::CModemCommand()
    : CCommand("modem", "Check the modem: who it is, whether it has a voice mode, which profile auto uses")
{
}

void CModemCommand::AddOptions(CLI::App& app)
{
    auto* port = app.add_option("--port", m_port, "Serial device of the modem, such as /dev/ttyUSB0")
                     ->type_name("DEVICE");
    auto* simulate = app.add_flag("--simulate", m_simulate, "Check the built-in simulated modem");
    port->excludes(simulate);
    app.add_option("--sim-modem", m_simulatedModem,
                   "With --simulate: the kind of simulated modem, hash (the default), conexant, intel or datafax "
                   "(no voice mode)")
        ->check(CLI::IsMember({"hash", "conexant", "intel", "datafax"}).description(""))
        ->type_name("KIND")
        ->needs(simulate);
    m_traceOption = app.add_option("--trace", m_traceFile,
                   "Alone: the debug trace on standard error. With a FILE: the modem dialogue into FILE, to send "
                   "us when Pravel fails with this modem")
                        ->expected(0, 1)
                        ->type_name("[FILE]");
    AddJsonOption(app);
}

int CModemCommand::Execute(CommandIo& io)
{
    if (!m_simulate && m_port.empty())
        return UsageError(io, "Give the modem's serial port with --port DEVICE, or use --simulate.");
    // "--trace" without a file: the debug trace, as for the jobs.
    CTraceScope trace(m_traceOption->count() > 0 && m_traceFile.empty());
    // Ctrl-C ends the check, which still resets the modem.
    CInterruptScope interrupts;
    ClearInterrupt();

    CSimulator simulator;
    std::string port = m_port;
    std::string problem;
    if (m_simulate) {
        SimConfig config = DefaultSimConfig();
        config.fast = true;
        ParseSimModemPersona(m_simulatedModem, &config.modem);
        if (!simulator.Start(config, &problem)) {
            io.err << "pravel-cli: The simulator could not be started: " << problem << '\n';
            return ExitFailed;
        }
        port = simulator.DevicePath();
    }

    CDialogueTraceScope dialogue;
    if (!dialogue.Start(m_traceFile, CliProgramName(), "check", port, &problem))
        return UsageError(io, problem);

    if (!JsonWanted())
        io.err << "Checking the modem on " << EscapeControlCharacters(port) << " (it is not dialled)...\n"
               << std::flush;
    CModemCheck check;
    const ModemCheckReport report = check.Run(port, [] { return InterruptRequested(); });
    simulator.Stop();
    ClearInterrupt();
    std::string traceProblem;
    const bool traceWritten = dialogue.Finish(&traceProblem);

    PrintReport(io, report);
    if (!traceWritten)
        io.err << "pravel-cli: " << traceProblem << '\n';
    return report.outcome == ModemCheckReport::Outcome::Voice ? ExitOk : ExitFailed;
}

void CModemCommand::PrintReport(CommandIo& io, const ModemCheckReport& report) const
{
    if (JsonWanted()) {
        nlohmann::ordered_json json;
        json["port"] = report.port;
        json["result"] = report.OutcomeWord();
        json["maker"] = OrNull(report.maker);
        json["model"] = OrNull(report.model);
        json["identity"] = report.identity;
        json["information"] = report.information;
        json["classes"] = OrNull(report.classes);
        json["hashVoice"] = report.hashVoice;
        json["v253Voice"] = report.v253Voice;
        json["autoProfile"] = report.autoProfile ? nlohmann::ordered_json(ModemProfileName(*report.autoProfile))
                                                 : nlohmann::ordered_json(nullptr);
        json["resetAtEnd"] = report.resetAtEnd;
        json["verdict"] = report.Verdict();
        io.out << json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n' << std::flush;
        return;
    }
    const bool answered = report.outcome == ModemCheckReport::Outcome::Voice ||
                          report.outcome == ModemCheckReport::Outcome::NoVoice;
    if (answered) {
        auto row = [&](const char* label, const std::string& value) {
            io.out << std::left << std::setw(LabelWidth) << label << value << '\n';
        };
        row("Port:", EscapeControlCharacters(report.port));
        row("Maker (AT+FMI?):", OrDash(report.maker));
        row("Model (AT+FMM?):", OrDash(report.model));
        row("Identity (ATI):", OrDash(Joined(report.identity)));
        row("Information (ATI3):", OrDash(Joined(report.information)));
        row("Service classes:", OrDash(report.classes));
        row("'#' voice (AT#CLS=8):", report.hashVoice ? "yes" : "no");
        row("V.253 voice (AT+FCLASS=8):", report.v253Voice ? "yes" : "no");
        row("Profile auto uses:", report.autoProfile ? ModemProfileName(*report.autoProfile) : "none");
        io.out << std::right;
    }
    io.out << "Verdict: " << EscapeControlCharacters(report.Verdict()) << '\n';
    if (report.outcome != ModemCheckReport::Outcome::Gone && report.outcome != ModemCheckReport::Outcome::PortFailed &&
        !report.resetAtEnd)
        io.out << "The modem did not confirm the final reset (ATZ): switch it off and on before the next call.\n";
    io.out << std::flush;
}
