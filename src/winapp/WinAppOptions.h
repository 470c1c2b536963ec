// pravel.exe's command line:
//
//   pravel.exe              the desktop program
//   pravel.exe --simulate   with the built-in simulated modem and unit (number 5550100, code 3958)
//   pravel.exe --help       this usage on standard output
//   pravel.exe --version    the version on standard output
//   pravel.exe FILE.oxl     opens with the parameter file loaded, as Load would load it
#pragma once

#include <string>
#include <vector>

struct WinAppOptions {
    bool simulate = false;
    bool help = false;
    bool version = false;
    // The path of the parameter file to load: the arguments that are not options, taken together
    // (a path with spaces that reached the program unquoted comes as several). Empty: none.
    std::string file;
};

// The arguments after the program's name. False with the problem for an argument it does not know.
bool ParseWinAppOptions(const std::vector<std::string>& arguments, WinAppOptions* options, std::string* problem);

// The usage text, ending in a line feed.
std::string WinAppUsage();
