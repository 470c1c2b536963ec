// Loading a parameter file into the dialog's controls: the rules that put each field of the image
// into its control and update box, over the dialog items by id.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "files/ParameterFile.h"
#include "form/DialogItems.h"

// Puts an image (the bytes one read of the file returned) into the dialog's controls, field by
// field as it reads: edit and status texts as they stand, combo boxes the decimal value of their
// text, the LED pair and check boxes by the flag rule, the unit radio buttons, and at the end
// every update box from the selection mask. Older versions give AlarmType "10", IdBeep and
// InfoAlarm unchecked (before 2), no unit and empty status texts (before 3).
// NotPravelFile and UnknownVersion change nothing. Corrupt keeps the controls set by the fields
// before the bad one and leaves the update boxes alone. Only the first ParameterFileImageSize
// bytes are looked at; bytes after the last field are ignored.
// version (optional) receives the file's version once the magic matched, else -1.
LoadOutcome LoadParameterImage(const uint8_t* data, size_t byteCount, IDialogItems& items, int* version = nullptr);

// ReadParameterFile and LoadParameterImage. False with the message of the file error or of the
// outcome (115, 116, 117); outcome (optional) tells which, Loaded when true. A read failure
// leaves outcome untouched.
bool LoadParameterFile(const std::string& path, IDialogItems& items, std::string* message, int* version = nullptr,
                       LoadOutcome* outcome = nullptr);
