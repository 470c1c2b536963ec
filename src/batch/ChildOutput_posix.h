// A child's output and error pipes, read as they fill: one step of the poll loops that wait on a
// child program (the batch's calls, pravel-cli's pravel-sim).
#pragma once

#include <poll.h>

#include <string>

// Reads once from each descriptor poll found ready, appending to output (fds[0]) or errors
// (fds[1]). A descriptor at its end, or failing, is set to -1 so poll passes it over. Returns how
// many are still open.
int ReadChildOutput(pollfd (&fds)[2], std::string* output, std::string* errors);
