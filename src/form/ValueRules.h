// The rules a value must keep before pravel-cli dials with it, the same whether it was typed
// (--set, --number, --code) or loaded from a parameter file into the in-memory dialog: the dialog's
// edits would never hold more than their limit, nor anything but digits where they take digits
// only, and its spin boxes and combos only their range. Nothing is ever cut short and dialled.
#pragma once

#include <string>

#include "form/DialogItems.h"

// The telephone number to dial: at most 20 characters.
bool CheckPhoneNumber(const std::string& number, std::string* problem);
// The unit's programming code: exactly four digits.
bool CheckProgrammingCode(const std::string& code, std::string* problem);
// One parameter's value as its slot text ("0"/"1" for the LED pair and check boxes, the index for
// a combo). Kind first (digits only), then length, then range. The problem names the parameter.
bool CheckParameterValue(int row, const std::string& value, std::string* problem);
// The number and code in the dialog and, with values, the value of every parameter whose update
// box is ticked (what a write would send). False with the first problem found.
bool CheckDialogValues(const IDialogItems& items, bool values, std::string* problem);
