// Reading back what a write put into the unit: which parameters can be read back, with which
// code or from the status record, and whether what came back is what was written.
#pragma once

#include <string>
#include <string_view>

#include "model/ParameterTable.h"

// A new programming code takes effect at the next login, and until then the status record shows
// the code in force: it cannot be read back in the call that wrote it.
bool CanReadBack(int row);

// Whether the unit holds the value written, compared as the unit keeps it, not as text: numbers
// by their value ("5", "05" and "5.0" are one), check boxes and the LED pair by on or off, texts
// character for character. written is the slot text; readBack the text that came back.
bool SameUnitValue(int row, std::string_view written, std::string_view readBack);
