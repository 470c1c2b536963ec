#include "FuzzTargets.h"

#include <vector>

#include "files/ParameterFile.h"
#include "form/ParameterFileLoader.h"
#include "files/ParameterFileCodec.h"
#include "form/DialogItemModel.h"
#include "form/ParameterForm.h"

namespace {

// What a Save from these controls would write, or empty when no unit is chosen (Save does nothing).
std::vector<uint8_t> SaveImage(const CDialogItemModel& items)
{
    ProgrammingJob job{};
    if (!FillJob(items, job, JobRead, nullptr))
        return {};
    CopyValuesToJob(items, job);
    return BuildParameterImage(job, items.GetItemText(1045), items.GetItemText(1054));
}

} // namespace

bool FuzzParameterFile(const uint8_t* data, size_t size)
{
    CDialogItemModel items;
    SetInitialValues(items);
    int version = -2;
    LoadOutcome outcome = LoadParameterImage(data, size, items, &version);
    if (size < ParameterFileMinimumSize && outcome != LoadOutcome::NotPravelFile)
        return false;
    if (outcome == LoadOutcome::NotPravelFile && version != -1)
        return false;
    if (outcome == LoadOutcome::Loaded && (version < 0 || version > ParameterFileVersion))
        return false;
    if (outcome != LoadOutcome::Loaded)
        return true;

    std::vector<uint8_t> first = SaveImage(items);
    if (first.empty())
        return true;
    if (first.size() > ParameterFileImageSize)
        return false;
    CDialogItemModel again;
    SetInitialValues(again);
    if (LoadParameterImage(first.data(), first.size(), again, &version) != LoadOutcome::Loaded ||
        version != ParameterFileVersion)
        return false;
    return SaveImage(again) == first;
}
