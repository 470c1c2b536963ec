#include "form/ModemCallFields.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

#include "files/FileErrorText.h"
#include "files/FileProblem.h"

namespace {

std::string Trimmed(const std::string& text)
{
    const char* blanks = " \t\r\n";
    const std::string::size_type first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// Why the trace file cannot be written; empty when it can.
std::string TraceFileProblem(const std::string& path)
{
    std::string problem = FileProblemText(path, FileUse::Save);
    if (!problem.empty())
        return problem;
    std::error_code error;
    const bool existed = std::filesystem::exists(path, error);
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), existed ? "ab" : "wb");
    if (file == nullptr)
        return FileErrorText(errno, path);
    std::fclose(file);
    if (!existed)
        std::filesystem::remove(path, error);
    return {};
}

void Refuse(ModemCallFieldsCheck* check, ModemCallField field, std::string problem)
{
    check->problemField = field;
    check->problem = std::move(problem);
}

} // namespace

ModemCallFields ModemCallFieldsOf(const ModemCallSettings& settings, const std::string& traceFile)
{
    return {std::to_string(settings.ringbackGapTenths), std::to_string(settings.ringbackWaitSeconds), settings.country,
            traceFile};
}

ModemCallFieldsCheck CheckModemCallFields(const ModemCallFields& fields)
{
    ModemCallFieldsCheck check;
    const std::string range = "a whole number from 0 to " + std::to_string(MaxRingbackTimer);
    const std::string gap = Trimmed(fields.ringbackGap);
    const std::string wait = Trimmed(fields.ringbackWait);
    const std::optional<int> gapValue = ParseRingbackTimer(gap);
    const std::optional<int> waitValue = ParseRingbackTimer(wait);
    const std::optional<std::string> country = ParseCountryCode(Trimmed(fields.country));
    check.traceFile = Trimmed(fields.traceFile);
    if (!gapValue) {
        Refuse(&check, ModemCallField::RingbackGap,
               "Ringback gap: \"" + gap + "\" is not " + range + " (tenths of a second of silence after a ring).");
    } else if (!waitValue) {
        Refuse(&check, ModemCallField::RingbackWait,
               "Ringback wait: \"" + wait + "\" is not " + range + " (seconds to wait for a ring).");
    } else if (!country) {
        Refuse(&check, ModemCallField::Country,
               "Country code: \"" + Trimmed(fields.country) +
                   "\" is not two hexadecimal digits (such as A5); leave it empty to keep the modem's own.");
    } else if (!check.traceFile.empty()) {
        const std::string problem = TraceFileProblem(check.traceFile);
        if (!problem.empty())
            Refuse(&check, ModemCallField::TraceFile, "Trace file: " + problem);
    }
    if (check.Good()) {
        check.settings.ringbackGapTenths = *gapValue;
        check.settings.ringbackWaitSeconds = *waitValue;
        check.settings.country = *country;
    }
    return check;
}
