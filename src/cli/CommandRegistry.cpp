#include "cli/CommandRegistry.h"

#include <iomanip>
#include <ostream>

#include "cli/BatchCommand.h"
#include "cli/ModemCommand.h"
#include "cli/PortsCommand.h"
#include "cli/ReadCommand.h"
#include "cli/ShowCommand.h"
#include "cli/WriteCommand.h"

#ifndef PRAVEL_VERSION
#define PRAVEL_VERSION ""
#endif

std::vector<std::unique_ptr<CCommand>> MakeCommands()
{
    std::vector<std::unique_ptr<CCommand>> commands;
    commands.push_back(std::make_unique<CReadCommand>());
    commands.push_back(std::make_unique<CWriteCommand>());
    commands.push_back(std::make_unique<CBatchCommand>());
    commands.push_back(std::make_unique<CShowCommand>());
    commands.push_back(std::make_unique<CPortsCommand>());
    commands.push_back(std::make_unique<CModemCommand>());
    return commands;
}

std::unique_ptr<CCommand> MakeCommand(const std::string& name)
{
    for (auto& command : MakeCommands())
        if (command->Name() == name)
            return std::move(command);
    return nullptr;
}

namespace {

void PrintUsage(std::ostream& stream)
{
    stream << "Usage: pravel-cli COMMAND [OPTIONS]\n"
              "Reads and programs lift emergency telephones through a voice modem.\n\n"
              "Commands:\n";
    for (const auto& command : MakeCommands())
        stream << "  " << std::left << std::setw(8) << command->Name() << command->Description() << '\n';
    stream << "\nRun 'pravel-cli COMMAND --help' for the options of a command.\n"
              "--port and --modem default to the environment's PRAVEL_PORT and PRAVEL_MODEM, then to the same\n"
              "keys (KEY=VALUE lines) in ~/.config/pravel/pravel-cli.conf.\n";
}

} // namespace

int RunCommandLine(const std::vector<std::string>& args, CommandIo& io)
{
    if (args.empty()) {
        PrintUsage(io.err);
        return ExitUsage;
    }
    const std::string& name = args.front();
    if (name == "--help" || name == "-h" || name == "help") {
        PrintUsage(io.out);
        return ExitOk;
    }
    if (name == "--version") {
        io.out << "pravel-cli " << PRAVEL_VERSION << '\n';
        return ExitOk;
    }
    std::unique_ptr<CCommand> command = MakeCommand(name);
    if (!command) {
        io.err << "pravel-cli: unknown command '" << name << "'\n";
        PrintUsage(io.err);
        if (ArgumentsAskForJson(args))
            PrintUsageErrorJson(io.out, "unknown command '" + name + "'");
        return ExitUsage;
    }
    return command->Run(std::vector<std::string>(args.begin() + 1, args.end()), io);
}
