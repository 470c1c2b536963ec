// pravel-cli: dispatches the command line to its command.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli/CommandRegistry.h"
#include "cli/Interrupt.h"

int main(int argc, char** argv)
{
    InstallInterruptHandler();
    CommandIo io{std::cin, std::cout, std::cerr, isatty(STDERR_FILENO) == 1};
    return RunCommandLine(std::vector<std::string>(argv + 1, argv + argc), io);
}
