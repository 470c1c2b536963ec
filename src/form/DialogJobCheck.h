// What a desktop dialog checks before it dials the job it has just filled from its controls, the
// same in the Qt and the Windows dialog: every text fits its field (a loaded file may hold longer
// ones than the fields take, and filling the job would cut them), the values keep the value rules
// pravel-cli keeps, and the job check passes. Nothing is dialled otherwise.
#pragma once

#include <string>

#include "form/DialogItems.h"
#include "model/ProgrammingJob.h"

// False with the first problem, the control named by the label the user reads beside it
// ("Alarm code 1: digits only.").
bool CheckDialogJob(const IDialogItems& items, const ProgrammingJob& job, std::string* problem);

// A problem that starts with a parameter's name ("AlarmCode1: ...") with the name replaced by the
// label of its control; any other text as it is.
std::string WithControlLabels(const std::string& problem);
