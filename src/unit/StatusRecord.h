// The unit's two structured answers: the status record (answer to "22227") and the login answer.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/NotifyWindow.h"

struct StatusValue {
    int id;              // the dialog id the value is reported to
    CMessageValue value; // text or number, as the dialog expects it for that id
    // Whether the characters fit what the unit may report there: a flag '0' or '1', digits where a
    // number is kept (within the parameter's range), a DTMF character for position 0. A value that
    // does not fit is not to be shown as a value; name and raw say what it was.
    bool valid = true;
    const char* name = "";
    std::string raw;
};

// The status values in the order they are reported: 1042, 1043, 1037, 1038, 1041, 1040, 1044,
// then 1048, 1062, 1060, 1064 (when position 13 is present), then 1036 (firmware major '2' only).
// Only positions present in the answer are reported; nothing is read past its end. Each value is
// checked (StatusValue::valid); the decoded value of one that fails is meaningless.
std::vector<StatusValue> DecodeStatusRecord(std::string_view answer, char firmwareMajor);

struct LoginAnswer {
    bool refused = false;     // the unit answered "011": wrong programming code
    std::string firmwareText; // "1.0.7": the three characters with full stops between
    char firmwareMajor = '\0';
};

LoginAnswer ParseLoginAnswer(std::string_view answer);
