// Checks a filled job before anything is dialled: the dial string and every value sent as DTMF
// come from edit fields and parameter files that may hold any bytes, and a CR or ';' in them
// would become a modem command.
#pragma once

#include <string>

#include "model/ProgrammingJob.h"

// True when the job may be dialled. Otherwise false with a message for the user that names the
// field or parameter at fault.
bool ValidateJob(const ProgrammingJob& job, std::string* problem);
