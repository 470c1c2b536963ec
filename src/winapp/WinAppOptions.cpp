#include "winapp/WinAppOptions.h"

bool ParseWinAppOptions(const std::vector<std::string>& arguments, WinAppOptions* options, std::string* problem)
{
    *options = WinAppOptions();
    for (const std::string& argument : arguments) {
        if (argument == "--simulate") {
            options->simulate = true;
        } else if (argument == "--help" || argument == "-h" || argument == "/?") {
            options->help = true;
        } else if (argument == "--version" || argument == "-v") {
            options->version = true;
        } else if (!argument.empty() && argument[0] != '-') {
            options->file += (options->file.empty() ? "" : " ") + argument;
        } else {
            *problem = "Unknown argument '" + argument + "'. Run pravel.exe --help for the options.";
            return false;
        }
    }
    return true;
}

std::string WinAppUsage()
{
    return "Remote programming of lift emergency telephones\n"
           "\n"
           "Usage: pravel.exe [--simulate] [--help] [--version] [file]\n"
           "\n"
           "  --simulate     Use the built-in simulated modem and unit (number 5550100, code 3958).\n"
           "  -h, --help     Show this text and end.\n"
           "  -v, --version  Show the version and end.\n"
           "  file           A parameter file (.oxl) to load.\n";
}
