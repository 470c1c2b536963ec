#include "cli/Command.h"

#include <algorithm>
#include <ostream>
#include <sstream>
#include <stdexcept>

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "cli/TerminalText.h"

#ifndef PRAVEL_VERSION
#define PRAVEL_VERSION ""
#endif

std::string CliProgramName()
{
    return std::string("pravel-cli ") + PRAVEL_VERSION;
}

void PrintUsageErrorJson(std::ostream& out, const std::string& text)
{
    nlohmann::ordered_json json;
    json["error"] = text;
    json["status"] = static_cast<int>(ExitUsage);
    out << json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n' << std::flush;
}

bool ArgumentsAskForJson(const std::vector<std::string>& args)
{
    return std::find(args.begin(), args.end(), "--json") != args.end();
}

CCommand::CCommand(std::string name, std::string description)
    : m_name(std::move(name)), m_description(std::move(description))
{
}

int CCommand::Run(const std::vector<std::string>& args, CommandIo& io)
{
    CLI::App app{m_description, "pravel-cli " + m_name};
    // Our options are written --name on every system. On Windows the parser would also take
    // "/name" for an option, and a file given as /path (Wine, MSYS) would vanish from the line.
    app.allow_windows_style_options(false);
    AddOptions(app);
    try {
        // CLI11 takes the arguments last first.
        std::vector<std::string> reversed(args.rbegin(), args.rend());
        app.parse(reversed);
    } catch (const CLI::CallForHelp& e) {
        app.exit(e, io.out, io.err);
        return ExitOk;
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0) {
            app.exit(e, io.out, io.err);
            return ExitOk;
        }
        io.err << "pravel-cli: " << MessageText(e.what()) << "\nRun 'pravel-cli " << m_name
               << " --help' for the options.\n"
               << std::flush;
        if (ArgumentsAskForJson(args))
            PrintUsageErrorJson(io.out, e.what());
        return ExitUsage;
    }
    return Execute(io);
}

namespace {

std::string Shown(double number)
{
    std::ostringstream text;
    text << number;
    return text.str();
}

} // namespace

void CheckNumberIn(CLI::Option* option, double lowest, double highest, bool whole)
{
    const std::string range = Shown(lowest) + " to " + Shown(highest);
    option->check(CLI::Validator(
        [=](std::string& input) -> std::string {
            const std::string wanted = std::string(whole ? "give a whole number from " : "give a number from ") +
                                       range + ", not '" + input + "'.";
            size_t used = 0;
            double value = 0;
            try {
                value = std::stod(input, &used);
            } catch (const std::exception&) {
                return wanted;
            }
            if (used != input.size() || value < lowest || value > highest ||
                (whole && value != static_cast<double>(static_cast<long long>(value))))
                return wanted;
            return {};
        },
        "", ""));
}

void CCommand::AddJsonOption(CLI::App& app)
{
    app.add_flag("--json", m_json, "Print the result as one JSON object");
}

int CCommand::UsageError(CommandIo& io, const std::string& text) const
{
    io.err << "pravel-cli: " << MessageText(text) << '\n' << std::flush;
    if (m_json)
        PrintUsageErrorJson(io.out, text);
    return ExitUsage;
}
