// The port dialogs' advanced fields, the same in the Qt and the Windows dialog: the V.253 ringback
// timers, the modem's country code and the modem trace file, as texts in fields. OK stores them
// only when every field holds a value the call can use; otherwise the dialog names the first field
// that does not, stays open and stores nothing.
#pragma once

#include <optional>
#include <string>

#include "model/ModemProfile.h"

enum class ModemCallField { None, RingbackGap, RingbackWait, Country, TraceFile };

struct ModemCallFields {
    std::string ringbackGap;  // tenths of a second (+VRA)
    std::string ringbackWait; // seconds (+VRN)
    std::string country;      // two hexadecimal digits, or empty for the modem's own
    std::string traceFile;    // empty for no trace
};

// The fields as the dialog opens on them.
ModemCallFields ModemCallFieldsOf(const ModemCallSettings& settings, const std::string& traceFile);

struct ModemCallFieldsCheck {
    ModemCallField problemField = ModemCallField::None; // None when every field is good
    std::string problem;                                // the message for the user, naming the field
    ModemCallSettings settings;                         // the values to store, when good
    std::string traceFile;                              // as typed, without surrounding blanks
    bool Good() const { return problemField == ModemCallField::None; }
};

// Reads the fields (blanks around a text do not count). A trace file must be one that can be
// written: a file in a folder that exists, not a folder or a device, and one this user may write
// (an existing file is opened for appending, which leaves it as it is; a new one is created and
// removed again).
ModemCallFieldsCheck CheckModemCallFields(const ModemCallFields& fields);
