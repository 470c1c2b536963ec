// Parameter names as typed on a command line: in any case, and a near miss answered with the name
// that was probably meant.
#pragma once

#include <string>

// The row of the parameter with this name in any case; -1 with the problem ("Unknown parameter
// 'x'. Did you mean 'AlarmCode1'?", or the list of every name) when there is none.
int FindParameterAnyCase(const std::string& name, std::string* problem);
