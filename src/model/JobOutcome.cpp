#include "model/JobOutcome.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<JobOutcome, const char*>, 23> Words{{
    {JobOutcome::None, "unknown"},
    {JobOutcome::Completed, "completed"},
    {JobOutcome::Stopped, "stopped"},
    {JobOutcome::Busy, "busy"},
    {JobOutcome::NoAnswer, "no-answer"},
    {JobOutcome::NoVoiceConnection, "no-voice-connection"},
    {JobOutcome::CodeRefused, "code-refused"},
    {JobOutcome::BadLine, "bad-line"},
    {JobOutcome::UnitHungUp, "hung-up"},
    {JobOutcome::UnitSilent, "unit-silent"},
    {JobOutcome::NoRingback, "no-ringback"},
    {JobOutcome::NoDialTone, "no-dial-tone"},
    {JobOutcome::ModemSilent, "modem-silent"},
    {JobOutcome::ModemRefused, "modem-refused"},
    {JobOutcome::ModemGone, "modem-gone"},
    {JobOutcome::NoDialResult, "no-dial-result"},
    {JobOutcome::PortError, "port-error"},
    {JobOutcome::InvalidValues, "invalid-values"},
    {JobOutcome::InvalidJob, "invalid-job"},
    {JobOutcome::NotTransferred, "not-transferred"},
    {JobOutcome::VerifyFailed, "verify-failed"},
    {JobOutcome::NoisyLine, "noisy-line"},
    {JobOutcome::Failed, "failed"},
}};

} // namespace

const char* JobOutcomeWord(JobOutcome outcome)
{
    for (const auto& [code, word] : Words)
        if (code == outcome)
            return word;
    return "failed";
}

std::optional<JobOutcome> JobOutcomeFromWord(std::string_view word)
{
    for (const auto& [code, text] : Words)
        if (word == text)
            return code;
    return std::nullopt;
}

JobOutcome JobOutcomeFromNumber(long number)
{
    if (number < 0 || number > static_cast<long>(JobOutcome::Failed))
        return JobOutcome::Failed;
    return static_cast<JobOutcome>(number);
}
