#include "cli/Command.h"

#include <algorithm>
#include <ostream>

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
        app.exit(e, io.out, io.err);
        if (ArgumentsAskForJson(args))
            PrintUsageErrorJson(io.out, e.what());
        return ExitUsage;
    }
    return Execute(io);
}

void CCommand::AddJsonOption(CLI::App& app)
{
    app.add_flag("--json", m_json, "Print the result as one JSON object");
}

int CCommand::UsageError(CommandIo& io, const std::string& text) const
{
    io.err << "pravel-cli: " << EscapeControlCharacters(text) << '\n' << std::flush;
    if (m_json)
        PrintUsageErrorJson(io.out, text);
    return ExitUsage;
}
