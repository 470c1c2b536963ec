#include "cli/Command.h"

#include <algorithm>
#include <ostream>

#include <CLI/CLI.hpp>

CCommand::CCommand(std::string name, std::string description)
    : m_name(std::move(name)), m_description(std::move(description))
{
}

int CCommand::Run(const std::vector<std::string>& args, CommandIo& io)
{
    CLI::App app{m_description, "pravel-cli " + m_name};
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
        return ExitUsage;
    }
    return Execute(io);
}

void CCommand::AddJsonOption(CLI::App& app)
{
    app.add_flag("--json", m_json, "Print the result as one JSON object");
}
