#include "cli/TerminalWidth.h"

#include <sys/ioctl.h>
#include <unistd.h>

int TerminalColumns()
{
    winsize size{};
    if (::isatty(STDERR_FILENO) != 1 || ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0)
        return 0;
    return size.ws_col;
}
