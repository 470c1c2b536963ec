// The simulator's configuration file, JSON:
//
//   {
//     "fast": true, "transcript": false, "modem": "conexant",
//     "timing": {"ringMs": 2000, "noAnswerMs": 8000, "replyGapMs": 300, "unitToneMs": 100, "busyToneGapMs": 500},
//     "faults": {"corruptNextAnswers": 0, "dropNextAnswers": 0, "busyToneAfterLogin": false,
//                "answerDelayMs": 0, "absentUnits": [3], "deadModem": false, "interleaveEvents": true,
//                "splitDlePairs": true, "ringLines": true},
//     "sound": {"preset": "gsm", "snrDb": 20, "codec": "gsm", "levelDbm0": -10, "echoDb": -10,
//               "echoDelayMs": 20, "seed": 1, "unitToneMs": 70, "unitGapMs": 70, "modemGapMs": 50},
//     "lines": [
//       {"number": "5550100", "answer": "voice",
//        "units": [{"unit": 1, "code": "3958", "firmware": "207", "power": "1", "status0": "0",
//                   "status12": "0", "settings": {"AlarmReceiver1": "0612345678", "LedSequence": "1"}}]},
//       {"number": "5550199", "answer": "busy"}
//     ]
//   }
//
// Every key is optional; what is left out keeps its default (DefaultSimConfig; a line without
// "units" has one default unit 1). "modem" is "hash" (the default), "conexant" or "intel". "answer" is "voice", "busy", "no-answer" or "silent"; a voice
// line with "busyFirst": N answers its first N calls "BUSY". Setting values are texts in the
// program's slot form; numbers and true/false are taken as their text.
// "sound" makes the line carry its tones as sound (sim/LineModel.h): "preset" is "clean" (the
// perfect wire, the default), "noisy" or "gsm"; any other key but "seed" puts the sound on, "snrDb"
// with noise, "echoDb" with an echo.
// Unknown keys are errors, so that a misspelt fault does not pass unseen.
#pragma once

#include <string>

#include "sim/SimConfig.h"

// False with a message (the file, and what is wrong where) when the file cannot be read or is not
// a valid configuration; *config is then unchanged.
bool LoadSimConfigFile(const std::string& path, SimConfig* config, std::string* error);
bool ParseSimConfig(const std::string& text, SimConfig* config, std::string* error);
