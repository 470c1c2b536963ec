// Ctrl-C while a job runs: the signal only raises a flag; the command's thread sees it, stops the
// job (the modem hangs up) and exits with status 1. A second Ctrl-C ends the program at once.
#pragma once

// Catches SIGINT and SIGTERM for the rest of the process (pravel-cli's main calls it).
void InstallInterruptHandler();
// An interrupt has arrived and has not been consumed yet.
bool InterruptRequested();
// Raises the flag as the signal would (tests).
void RequestInterrupt();
// Lowers the flag once the interrupt has been acted on.
void ClearInterrupt();
