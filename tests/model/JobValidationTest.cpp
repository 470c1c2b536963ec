#include "model/JobValidation.h"

#include <cstring>
#include <gtest/gtest.h>

#include "model/ParameterTable.h"

namespace {

ProgrammingJob GoodJob(JobMode mode)
{
    ProgrammingJob job{};
    job.reset(nullptr);
    job.mode = mode;
    std::strcpy(job.phoneNumber, "0046 (8) 555-0100");
    std::strcpy(job.programmingCode, "3958");
    job.unit = 6;
    return job;
}

std::string Problem(const ProgrammingJob& job)
{
    std::string problem;
    EXPECT_FALSE(ValidateJob(job, &problem));
    return problem;
}

TEST(ValidateJob, AcceptsWhatAModemDialsAndWhatTheUnitTakes)
{
    ProgrammingJob job = GoodJob(JobWrite);
    std::strcpy(job.phoneNumber, "0,W*#+PT!@ABCD.9");
    job.selectionMask = AllParametersMask;
    job.SetSlot(SlotAlarmReceiver1, "12345678901234567890");
    job.SetSlot(SlotAlarmReceiver2, "*#A1");
    job.SetSlot(SlotAlarmCode1, ""); // an empty code is written as the bare code
    job.SetSlot(SlotNewProgrammingCode, "1234");
    job.SetSlot(SlotTestAlarmTime, "10");
    job.SetSlot(SlotPhoneAcknowledge, "2");
    job.SetSlot(SlotAlarmButtonDelay, "30");
    job.SetSlot(SlotAlarmType, "99");
    for (int slot : {SlotDialToneDetection, SlotIdBeep, SlotInfoAlarm, SlotLedSequence})
        job.SetSlot(slot, "1");
    std::string problem;
    EXPECT_TRUE(ValidateJob(job, &problem)) << problem;
}

TEST(ValidateJob, RefusesADialStringThatCouldCarryAModemCommand)
{
    for (const char* number : {"555;H", "555\rATH", "555\n", "", "555e", "555w", "555\x10"}) {
        ProgrammingJob job = GoodJob(JobRead);
        std::strcpy(job.phoneNumber, number);
        EXPECT_EQ(Problem(job).rfind("Telephone number: ", 0), 0u) << number;
    }
    ProgrammingJob unterminated = GoodJob(JobRead);
    std::memset(unterminated.phoneNumber, '5', sizeof unterminated.phoneNumber);
    EXPECT_EQ(Problem(unterminated).rfind("Telephone number: ", 0), 0u);
}

TEST(ValidateJob, RefusesANumberWithNoDigitToDial)
{
    for (const char* number : {" ", "---", "WWW", "!", "T", "#*A", "(,)"}) {
        ProgrammingJob job = GoodJob(JobRead);
        std::strcpy(job.phoneNumber, number);
        EXPECT_EQ(Problem(job), "Telephone number: it has no digit to dial.") << number;
    }
}

TEST(ValidateJob, RefusesACodeThatIsNotFourDigitsAUnitOutOfRangeAndNoMode)
{
    for (const char* code : {"", "123", "12a4", "12;4"}) {
        ProgrammingJob job = GoodJob(JobRead);
        std::strcpy(job.programmingCode, code);
        EXPECT_EQ(Problem(job).rfind("Programming code: ", 0), 0u) << code;
    }
    ProgrammingJob job = GoodJob(JobRead);
    job.unit = 7;
    EXPECT_EQ(Problem(job).rfind("Unit: ", 0), 0u);
    job.unit = 0;
    EXPECT_FALSE(ValidateJob(job, nullptr));
    EXPECT_FALSE(ValidateJob(GoodJob(JobIdle), nullptr));
}

TEST(ValidateJob, RefusesSelectedValuesTheFrameCannotCarry)
{
    struct Case {
        int slot;
        uint32_t mask;
        const char* value;
        const char* message;
    } cases[] = {
        {SlotAlarmReceiver1, 0x1, "555B", "AlarmReceiver1: only digits, '*', '#' and 'A' can be sent to the unit."},
        {SlotAlarmCode2, 0x10, "1;2", "AlarmCode2: only digits, '*', '#' and 'A' can be sent to the unit."},
        {SlotAlarmType, 0x8000, "D", "AlarmType: choose a value from 0 to 99."},
        {SlotAlarmType, 0x8000, "", "AlarmType: choose a value from 0 to 99."},
        {SlotTestAlarmTime, 0x2000, "11", "TestAlarmTime: choose a value from 0 to 10."},
        {SlotPhoneAcknowledge, 0x10000, "-1", "PhoneAcknowledge: choose a value from 0 to 2."},
        {SlotPhoneAcknowledge, 0x10000, "3", "PhoneAcknowledge: choose a value from 0 to 2."},
        {SlotDialToneDetection, 0x800, "2", "DialToneDetection: the value must be 0 or 1."},
        {SlotNewProgrammingCode, 0x1000, "12", "NewProgrammingCode: the new programming code must be exactly four digits."},
        {SlotAlarmButtonDelay, 0x4000, "*", "AlarmButtonDelay: give the delay in seconds, 2 to 30."},
        {SlotAlarmButtonDelay, 0x4000, "0", "AlarmButtonDelay: give the delay in seconds, 2 to 30."},
        {SlotAlarmButtonDelay, 0x4000, "1", "AlarmButtonDelay: give the delay in seconds, 2 to 30."},
        {SlotAlarmButtonDelay, 0x4000, "31", "AlarmButtonDelay: give the delay in seconds, 2 to 30."},
        {SlotAlarmButtonDelay, 0x4000, "99", "AlarmButtonDelay: give the delay in seconds, 2 to 30."},
    };
    for (const Case& c : cases) {
        ProgrammingJob job = GoodJob(JobWrite);
        job.selectionMask = c.mask;
        job.SetSlot(c.slot, c.value);
        EXPECT_EQ(Problem(job), c.message);
        // Not selected, or a read: the value is not sent and not looked at.
        job.selectionMask = 0;
        EXPECT_TRUE(ValidateJob(job, nullptr));
        job.selectionMask = c.mask;
        job.mode = JobRead;
        EXPECT_TRUE(ValidateJob(job, nullptr));
    }
}

} // namespace
