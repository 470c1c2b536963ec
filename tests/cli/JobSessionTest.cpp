// When a job counts as completed, and what is said when it does not: the rules on the results,
// without a modem (the end-to-end tests run the whole session).
#include "cli/JobSession.h"

#include <gtest/gtest.h>

#include "form/ParameterForm.h"
#include "model/StringTable.h"

namespace {

struct Outcome : ::testing::Test {
    CDialogItemModel items;
    JobResult result;

    void SetUp() override
    {
        SetInitialValues(items);
        result.started = result.ended = result.connected = result.codeAccepted = result.statusArrived = true;
        result.firmware = "2.0.7";
    }
    // Selects the parameters and leaves their update boxes ticked (not transferred).
    void Select(std::initializer_list<const char*> names, bool transferred)
    {
        for (const char* name : names) {
            int row = FindParameter(name);
            result.selectionMask |= ParameterTable[row].maskBit;
            items.CheckButton(ParameterTable[row].updateBoxId, !transferred);
        }
    }
};

} // namespace

TEST_F(Outcome, CompletedWhenEverySelectedParameterWasTransferred)
{
    Select({"AlarmReceiver1", "LedSequence"}, true);
    EXPECT_TRUE(JobCompleted(result, items, JobRead));
    EXPECT_TRUE(RowsNotTransferred(items, result.selectionMask).empty());
}

TEST_F(Outcome, BatteryAndLedCountOnlyForFirmwareTwo)
{
    Select({"AlarmReceiver1"}, true);
    Select({"BatteryAlarmReceiver", "BatteryAlarmCode", "LedSequence"}, false);
    EXPECT_FALSE(JobCompleted(result, items, JobWrite));
    EXPECT_EQ(JobFailureText(result, items, JobWrite), "The job ended before every selected parameter was transferred.");
    result.firmware = "1.0.7";
    EXPECT_TRUE(JobCompleted(result, items, JobWrite));
    EXPECT_EQ(RowsNotTransferred(items, result.selectionMask).size(), 3u);
    Select({"AlarmCode1"}, false);
    EXPECT_FALSE(JobCompleted(result, items, JobWrite));
}

TEST_F(Outcome, ReadNeedsTheStatus)
{
    result.statusArrived = false;
    EXPECT_FALSE(JobCompleted(result, items, JobRead));
    EXPECT_TRUE(JobCompleted(result, items, JobWrite));
    EXPECT_EQ(JobFailureText(result, items, JobRead), "The job ended before the unit's status was read.");
}

TEST_F(Outcome, FailuresSayWhy)
{
    JobResult shown = result;
    shown.message = "Too many retries when communicating. Aborting!";
    EXPECT_FALSE(JobCompleted(shown, items, JobRead));
    EXPECT_EQ(JobFailureText(shown, items, JobRead), shown.message);

    JobResult refused = result;
    refused.codeAccepted = false;
    refused.codeRefused = true;
    EXPECT_FALSE(JobCompleted(refused, items, JobRead));
    EXPECT_EQ(JobFailureText(refused, items, JobRead), LoadString(IDS_BAD_CODE));

    JobResult silent = result;
    silent.connected = silent.codeAccepted = silent.statusArrived = false;
    EXPECT_FALSE(JobCompleted(silent, items, JobRead));
    EXPECT_EQ(JobFailureText(silent, items, JobRead), "The job ended before a connection was made.");

    JobResult stopped = result;
    stopped.interrupted = true;
    EXPECT_FALSE(JobCompleted(stopped, items, JobWrite));
    EXPECT_NE(JobFailureText(stopped, items, JobWrite).find("Interrupted"), std::string::npos);

    JobResult notStarted;
    EXPECT_FALSE(JobCompleted(notStarted, items, JobWrite));
}

TEST(JobSessionPrepare, NoUnitChosenIsRefusedBeforeAnythingStarts)
{
    CDialogItemModel items;
    SetInitialValues(items);
    items.SetItemText(1020, "5550100");
    CheckRadioButton(items, 1022, 1027, 0);
    CJobSession session(items, JobRead);
    std::string problem;
    EXPECT_FALSE(session.Prepare(&problem));
    EXPECT_NE(problem.find("--unit"), std::string::npos);
}
