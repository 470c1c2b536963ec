#include "form/DialogJobCheck.h"

#include "form/MainDialogTemplate.h"
#include "form/ValueRules.h"
#include "model/DialogIds.h"
#include "model/JobValidation.h"
#include "model/ParameterTable.h"

namespace {

bool TooLong(const IDialogItems& items, int id, size_t limit, std::string* problem)
{
    const size_t length = items.GetItemText(id).size();
    if (length <= limit)
        return false;
    *problem = ControlLabel(id) + ": the text is " + std::to_string(length) + " characters long, at most " +
               std::to_string(limit) + " can be used.";
    return true;
}

bool CheckTextLengths(const IDialogItems& items, JobMode mode, std::string* problem)
{
    if (TooLong(items, IDC_PHONE_NUMBER, 20, problem) || TooLong(items, IDC_PROGRAMMING_CODE, 4, problem))
        return false;
    if (mode == JobWrite)
        for (int row = 0; row < ParameterCount; ++row) {
            const ParameterDescriptor& p = ParameterTable[row];
            if (p.kind == KindText && p.maxLength > 0 && items.IsButtonChecked(p.updateBoxId) &&
                TooLong(items, p.valueControlId, static_cast<size_t>(p.maxLength), problem))
                return false;
        }
    return true;
}

} // namespace

bool CheckDialogJob(const IDialogItems& items, const ProgrammingJob& job, std::string* problem)
{
    const JobMode mode = static_cast<JobMode>(job.mode);
    std::string found;
    if (CheckTextLengths(items, mode, &found) && CheckDialogValues(items, mode == JobWrite, &found) &&
        ValidateJob(job, &found))
        return true;
    *problem = WithControlLabels(found);
    return false;
}

std::string WithControlLabels(const std::string& problem)
{
    for (int row = 0; row < ParameterCount; ++row) {
        const std::string name = std::string(ParameterTable[row].name) + ":";
        if (problem.compare(0, name.size(), name) == 0) {
            const std::string label = ControlLabel(ParameterTable[row].valueControlId);
            if (!label.empty())
                return label + problem.substr(name.size() - 1);
        }
    }
    return problem;
}
