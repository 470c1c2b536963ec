// The base of every pravel-cli command: a name, a one-line description, its options, and one
// entry that runs it and returns the exit status. The streams are handed in, so tests run a
// command in-process and read what it printed.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace CLI {
class App;
class Option;
}

// Exit statuses shared by all commands.
enum ExitStatus : int {
    ExitOk = 0,     // the job ran to its normal end / the command did what it was asked
    ExitFailed = 1, // the job failed or ended early
    ExitUsage = 2,  // bad usage or bad input; nothing was dialled
};

struct CommandIo {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    bool errIsTerminal = false; // standard error is a terminal: progress may redraw its line
};

// "pravel-cli <version>", as the program names itself in a trace file.
std::string CliProgramName();

// A usage error as JSON, for scripts that read standard output: {"error": text, "status": 2}.
void PrintUsageErrorJson(std::ostream& out, const std::string& text);
// The arguments ask for JSON output (parse errors come before the options are known).
bool ArgumentsAskForJson(const std::vector<std::string>& args);

// Lets the option take only a number from lowest to highest (whole when asked), with a message
// that names what was given: "--unit: give a whole number from 1 to 6, not 'abc'."
void CheckNumberIn(CLI::Option* option, double lowest, double highest, bool whole);

class CCommand {
public:
    CCommand(std::string name, std::string description);
    virtual ~CCommand() = default;
    CCommand(const CCommand&) = delete;
    CCommand& operator=(const CCommand&) = delete;

    const std::string& Name() const { return m_name; }
    const std::string& Description() const { return m_description; }

    // Parses the arguments that follow the command's name, then runs the command. Parse errors
    // are reported on io.err with exit status 2; --help prints to io.out with status 0.
    int Run(const std::vector<std::string>& args, CommandIo& io);

protected:
    virtual void AddOptions(CLI::App& app) = 0;
    // Runs the command once its options are parsed. Returns the exit status.
    virtual int Execute(CommandIo& io) = 0;

    // The one declaration of --json, for the commands that offer it.
    void AddJsonOption(CLI::App& app);
    bool JsonWanted() const { return m_json; }
    // Bad usage or input found before anything was dialled: "pravel-cli: <text>" on standard
    // error and, under --json, the JSON usage error on standard output. Returns ExitUsage.
    int UsageError(CommandIo& io, const std::string& text) const;

private:
    std::string m_name;
    std::string m_description;
    bool m_json = false;
};
