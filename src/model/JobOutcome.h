// How a job ended, as a code beside the message the user is shown. The message is for people and
// may be reworded; the code is what programs decide on (the batch's retry rule, pravel-cli's
// "reason" in JSON, the batch report). The job worker carries it as the count of
// WM_SHOW_PROGRESS ProgressEnded.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

enum class JobOutcome : uint32_t {
    None = 0,          // not known (yet)
    Completed,         // the dialogue ran to its end
    Stopped,           // stopped by the user (or by a signal)
    Busy,              // the number was busy
    NoAnswer,          // nobody picked up
    NoVoiceConnection, // the modem made no voice call: no voice mode, or an unknown dial result
    CodeRefused,       // the unit refused the programming code
    BadLine,           // too many answers missing or garbled
    UnitHungUp,        // the far end hung up during the call
    UnitSilent,        // nothing at all answered the unit selection and login
    NoRingback,        // the modem heard no ringback after dialling
    NoDialTone,        // the modem heard no dial tone
    ModemSilent,       // the modem did not answer at all
    ModemRefused,      // the modem refused a command
    ModemGone,         // the modem stopped taking or answering commands
    NoDialResult,      // the dial gave no result in time
    PortError,         // the serial port could not be opened or configured
    InvalidValues,     // the unit reported values that are not valid
    InvalidJob,        // the job was refused before dialling
    NotTransferred,    // parameters asked for were not transferred
    VerifyFailed,      // a value read back differs from the one written
    NoisyLine,         // the line spoils too many answers for DTMF
    Failed,            // ended otherwise
};

// The stable lower-case word of an outcome: "completed", "busy", "no-answer", "code-refused", ...
// Programs and reports rely on these words: never change one.
const char* JobOutcomeWord(JobOutcome outcome);
// The outcome of a word as JobOutcomeWord gives it; none for any other text.
std::optional<JobOutcome> JobOutcomeFromWord(std::string_view word);
// The outcome carried as a message count; Failed for a number that is no outcome.
JobOutcome JobOutcomeFromNumber(long number);
