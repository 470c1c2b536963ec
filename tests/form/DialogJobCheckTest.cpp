// The check both desktop dialogs make before dialling: lengths first (with the length in the
// text), then the value rules for what a write would send, then the job check; problems named by
// the labels beside the controls.
#include "form/DialogJobCheck.h"

#include <gtest/gtest.h>

#include <functional>

#include "form/DialogItemModel.h"
#include "form/ParameterForm.h"
#include "model/DialogIds.h"

namespace {

struct Case {
    const char* name;
    JobMode mode;
    std::function<void(CDialogItemModel&)> change;
    const char* problem; // nullptr: the job may be dialled
};

const Case Cases[] = {
    {"a plain read", JobRead, [](CDialogItemModel&) {}, nullptr},
    {"a number longer than its field", JobRead,
     [](CDialogItemModel& items) { items.SetItemText(IDC_PHONE_NUMBER, "0123456789012345678901234"); },
     "Telephone number: the text is 25 characters long, at most 20 can be used."},
    {"letters in a digits-only field, written", JobWrite,
     [](CDialogItemModel& items) {
         items.SetItemText(1003, "12a4");
         items.CheckButton(1013, true);
     },
     "Alarm code 1: digits only."},
    {"letters in a digits-only field, only read", JobRead,
     [](CDialogItemModel& items) {
         items.SetItemText(1003, "12a4");
         items.CheckButton(1013, true);
     },
     nullptr},
    {"a value past its field, written", JobWrite,
     [](CDialogItemModel& items) {
         items.SetItemText(1000, "012345678901234567890123");
         items.CheckButton(1010, true);
     },
     "Alarm receiver 1: the text is 24 characters long, at most 20 can be used."},
};

} // namespace

TEST(DialogJobCheck, RefusesWhatWouldBeCutOrBreakTheRulesNamingTheControl)
{
    for (const Case& c : Cases) {
        SCOPED_TRACE(c.name);
        CDialogItemModel items;
        SetInitialValues(items);
        items.SetItemText(IDC_PHONE_NUMBER, "5550100");
        c.change(items);
        ProgrammingJob job{};
        ASSERT_TRUE(FillJob(items, job, c.mode, nullptr));
        if (c.mode == JobWrite)
            CopyValuesToJob(items, job);
        std::string problem;
        const bool allowed = CheckDialogJob(items, job, &problem);
        if (c.problem == nullptr) {
            EXPECT_TRUE(allowed) << problem;
        } else {
            EXPECT_FALSE(allowed);
            EXPECT_EQ(problem, c.problem);
        }
    }
}

TEST(DialogJobCheck, OnlyAParametersNameIsReplacedByItsLabel)
{
    EXPECT_EQ(WithControlLabels("AlarmCode1: digits only."), "Alarm code 1: digits only.");
    EXPECT_EQ(WithControlLabels("Programming code: four digits."), "Programming code: four digits.");
    EXPECT_EQ(WithControlLabels("AlarmCode1"), "AlarmCode1");
}
