#include "form/ParameterForm.h"

#include <gtest/gtest.h>

#include "model/DialogIds.h"
#include "form/DialogItemModel.h"
#include "model/JobMessages.h"
#include "model/ParameterTable.h"

namespace {

struct Form : ::testing::Test {
    CDialogItemModel items;
    ProgrammingJob job{};
    void SetUp() override { SetInitialValues(items); }
};

} // namespace

TEST_F(Form, InitialValuesTickNothing)
{
    EXPECT_FALSE(AnyUpdateBoxTicked(items));
    EXPECT_EQ(items.GetItemText(IDC_PROGRAMMING_CODE), "3958");
    EXPECT_EQ(items.GetItemText(IDC_ALARM_TYPE), "10");
    EXPECT_EQ(items.GetItemText(IDC_ALARM_BUTTON_DELAY), "4");
    EXPECT_EQ(items.GetComboSelection(IDC_TEST_ALARM_TIME), 10);
    EXPECT_EQ(items.GetComboSelection(IDC_PHONE_ACKNOWLEDGE), 0);
    EXPECT_TRUE(items.IsButtonChecked(IDC_UNIT_FIRST));
    EXPECT_TRUE(items.IsButtonChecked(IDC_TWO_COLOURS));
    EXPECT_FALSE(items.IsButtonChecked(IDC_ONE_COLOUR));
}

TEST_F(Form, ReadinessNeedsANumberAndAFourCharacterCode)
{
    EXPECT_FALSE(HasNumberAndCode(items));
    items.SetItemText(IDC_PHONE_NUMBER, "5550100");
    EXPECT_TRUE(HasNumberAndCode(items));
    items.SetItemText(IDC_PROGRAMMING_CODE, "395");
    EXPECT_FALSE(HasNumberAndCode(items));
}

TEST_F(Form, FillJobTakesNumberCodeSelectionAndUnit)
{
    items.SetItemText(IDC_PHONE_NUMBER, "0123456789012345678901234");
    items.CheckButton(1010, true);
    items.CheckButton(1041, true);
    CheckRadioButton(items, IDC_UNIT_FIRST, IDC_UNIT_LAST, 1025);
    ASSERT_TRUE(FillJob(items, job, JobRead, nullptr));
    EXPECT_EQ(job.mode, JobRead);
    EXPECT_STREQ(job.phoneNumber, "01234567890123456789");
    EXPECT_STREQ(job.programmingCode, "3958");
    EXPECT_EQ(job.selectionMask, 0x1u | 0x4000u);
    EXPECT_EQ(job.unit, 4);
}

TEST_F(Form, FillJobWithNoUnitChosenFails)
{
    CheckRadioButton(items, IDC_UNIT_FIRST, IDC_UNIT_LAST, 0);
    EXPECT_FALSE(FillJob(items, job, JobWrite, nullptr));
}

TEST_F(Form, ReadAllTicksEveryParameterButNotTheStatusRow)
{
    TickAllUpdateBoxes(items);
    ASSERT_TRUE(FillJob(items, job, JobRead, nullptr));
    EXPECT_EQ(job.selectionMask, AllParametersMask);
}

TEST_F(Form, CopyValuesToJobByKind)
{
    items.SetItemText(1000, "12345678901234567890XYZ");
    items.SetItemText(1031, "1234");
    items.SetComboSelection(IDC_PHONE_ACKNOWLEDGE, -1);
    items.CheckButton(IDC_ID_BEEP, true);
    CheckRadioButton(items, IDC_TWO_COLOURS, IDC_ONE_COLOUR, IDC_ONE_COLOUR);
    CopyValuesToJob(items, job);
    EXPECT_STREQ(job.Slot(SlotAlarmReceiver1), "12345678901234567890");
    EXPECT_STREQ(job.Slot(SlotNewProgrammingCode), "1234");
    EXPECT_STREQ(job.Slot(SlotTestAlarmTime), "10");
    EXPECT_STREQ(job.Slot(SlotPhoneAcknowledge), "-1");
    EXPECT_STREQ(job.Slot(SlotAlarmButtonDelay), "4");
    EXPECT_STREQ(job.Slot(SlotAlarmType), "10");
    EXPECT_STREQ(job.Slot(SlotIdBeep), "1");
    EXPECT_STREQ(job.Slot(SlotInfoAlarm), "0");
    EXPECT_STREQ(job.Slot(SlotDialToneDetection), "0");
    EXPECT_STREQ(job.Slot(SlotLedSequence), "0");
}

TEST_F(Form, ReadValuesGoIntoTheirControlsAndClearTheirBoxes)
{
    TickAllUpdateBoxes(items);
    ApplySetText(items, JobRead, 1013, CMessageValue::Text("777"));
    ApplySetText(items, JobRead, 1039, CMessageValue::Text("0701"));
    ApplySetText(items, JobRead, 1070, CMessageValue::Text("42"));
    ApplySetText(items, JobRead, 1040, CMessageValue::Number(3));
    ApplySetText(items, JobRead, 1036, CMessageValue::Number(0));
    ApplySetText(items, JobRead, 1037, CMessageValue::Number(1));
    ApplySetText(items, JobRead, 1043, CMessageValue::Number(1));
    ApplySetText(items, JobRead, 1065, CMessageValue::Text("2.0.7"));
    EXPECT_EQ(items.GetItemText(1003), "777");
    EXPECT_EQ(items.GetItemText(1033), "0701");
    EXPECT_EQ(items.GetItemText(1042), "42");
    EXPECT_EQ(items.GetComboSelection(IDC_TEST_ALARM_TIME), 3);
    EXPECT_TRUE(items.IsButtonChecked(IDC_ONE_COLOUR));
    EXPECT_FALSE(items.IsButtonChecked(IDC_TWO_COLOURS));
    EXPECT_TRUE(items.IsButtonChecked(IDC_DIAL_TONE));
    EXPECT_EQ(items.GetItemText(IDC_POWER_STATUS), "External power");
    EXPECT_EQ(items.GetItemText(IDC_FIRMWARE), "2.0.7");
    for (int box : {1013, 1039, 1070, 1040, 1036, 1037})
        EXPECT_FALSE(items.IsButtonChecked(box)) << box;
    EXPECT_TRUE(items.IsButtonChecked(1010));
    ApplySetText(items, JobRead, 1043, CMessageValue::Number(0));
    EXPECT_EQ(items.GetItemText(IDC_POWER_STATUS), "Line power");
}

TEST_F(Form, StatusPositionZeroDoesNotOverwriteTheBatteryAlarmCode)
{
    items.SetItemText(1042, "1234");
    items.CheckButton(1039, true);
    ApplySetText(items, JobRead, 1042, CMessageValue::Text("7"));
    ApplySetText(items, JobRead, 1044, CMessageValue::Text("3"));
    EXPECT_EQ(items.GetItemText(1042), "1234");
    EXPECT_TRUE(items.IsButtonChecked(1039));
}

TEST_F(Form, WriteAcknowledgementsOnlyClearTheBox)
{
    items.SetItemText(1000, "5551234");
    items.CheckButton(1010, true);
    ApplySetText(items, JobWrite, 1010, CMessageValue::Text("21000555123"));
    EXPECT_EQ(items.GetItemText(1000), "5551234");
    EXPECT_FALSE(items.IsButtonChecked(1010));
}

TEST(DialogItemModel, ComboIndexOutsideTheListSelectsNothing)
{
    CDialogItemModel items;
    items.SetComboSelection(IDC_PHONE_ACKNOWLEDGE, 3);
    EXPECT_EQ(items.GetComboSelection(IDC_PHONE_ACKNOWLEDGE), -1);
    items.SetComboSelection(IDC_TEST_ALARM_TIME, 10);
    EXPECT_EQ(items.GetComboSelection(IDC_TEST_ALARM_TIME), 10);
    items.SetItemText(4242, "ignored");
    EXPECT_EQ(items.GetItemText(4242), "");
}
