// The width of the terminal that progress lines are redrawn on, so that a line never wraps: a
// wrapped line is not taken back by a carriage return and the terminal fills with copies of it.
#pragma once

#include <string>

// Columns of the terminal on standard error; 0 when it is no terminal or its width is unknown.
int TerminalColumns();
// The line cut to fit in columns - 1 characters (the last column left free, so that no terminal
// wraps early), the cut marked with "..."; as it is when columns is 0 (unknown). Counts UTF-8
// characters, not bytes.
std::string FitToWidth(const std::string& line, int columns);
