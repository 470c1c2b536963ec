#include "model/ParameterTable.h"

#include <cstring>
#include <gtest/gtest.h>
#include <set>

#include "model/ComPortName.h"
#include "model/StringTable.h"

TEST(ProgrammingJob, SlotsLieWhereTheFileAndTheDialogueExpectThem)
{
    EXPECT_EQ(sizeof(ProgrammingJob::values), 237u);
    EXPECT_EQ(SlotOffset(SlotAlarmCode1), 63);
    EXPECT_EQ(SlotOffset(SlotNewProgrammingCode), 180);
    EXPECT_EQ(SlotOffset(SlotBatteryAlarmReceiver), 214);
    EXPECT_EQ(SlotOffset(SlotLedSequence), 235);
    EXPECT_EQ(sizeof(ProgrammingJob::phoneNumber), 21u);
    EXPECT_EQ(sizeof(ProgrammingJob::programmingCode), 5u);
}

TEST(ProgrammingJob, ResetKeepsTheValues)
{
    ProgrammingJob job{};
    job.mode = JobWrite;
    std::strcpy(job.phoneNumber, "0701234567");
    std::strcpy(job.programmingCode, "1234");
    job.unit = 4;
    job.selectionMask = 0xFF;
    job.SetSlot(SlotAlarmCode1, "555");
    job.reset(nullptr);
    EXPECT_EQ(job.mode, JobIdle);
    EXPECT_STREQ(job.phoneNumber, "");
    EXPECT_STREQ(job.programmingCode, "");
    EXPECT_EQ(job.unit, 1);
    EXPECT_EQ(job.selectionMask, 0u);
    EXPECT_STREQ(job.Slot(SlotAlarmCode1), "555");
}

TEST(ProgrammingJob, SetSlotCutsToTheSlotWidth)
{
    ProgrammingJob job{};
    job.SetSlot(SlotNewProgrammingCode, "123456789");
    EXPECT_STREQ(job.Slot(SlotNewProgrammingCode), "1234");
    EXPECT_STREQ(job.Slot(SlotDialToneDetection), ""); // the neighbour is untouched
    job.SetSlot(SlotLedSequence, FlagOn);
    EXPECT_STREQ(job.Slot(SlotLedSequence), "1");
}

TEST(ParameterTable, RowsAreInDialogueOrderWithUniqueBitsAndEndInTheStatusRow)
{
    std::set<uint32_t> bits;
    std::set<int> slots;
    for (int row = 0; row < ParameterCount; ++row) {
        const ParameterDescriptor& p = ParameterTable[row];
        EXPECT_NE(p.maskBit, 0u) << p.name;
        EXPECT_NE(p.maskBit, 0x400u) << p.name;
        EXPECT_TRUE(bits.insert(p.maskBit).second) << p.name;
        EXPECT_TRUE(slots.insert(p.slot).second) << p.name;
        EXPECT_EQ(FindParameter(p.name), row) << p.name;
        if (p.kind == KindText) {
            EXPECT_EQ(p.maxLength + 1, SlotWidths[p.slot]) << p.name;
        }
    }
    uint32_t all = 0;
    for (uint32_t b : bits)
        all |= b;
    EXPECT_EQ(all, AllParametersMask);
    EXPECT_EQ(ParameterTable[0].updateBoxId, 1010);
    EXPECT_EQ(ParameterTable[3].updateBoxId, 1039); // the battery receiver comes fourth
    EXPECT_EQ(ParameterTable[ParameterCount].updateBoxId, 1043);
    EXPECT_EQ(ParameterTable[ParameterCount].maskBit, 0u);
    EXPECT_EQ(ParameterTable[ParameterCount + 1].updateBoxId, 0);
}

TEST(ParameterTable, LookupByNameAndUpdateBox)
{
    EXPECT_EQ(FindParameter("LedSequence"), 13);
    EXPECT_EQ(FindParameter("Status"), -1);
    EXPECT_EQ(FindParameter("nonsense"), -1);
    EXPECT_EQ(FindParameterByUpdateBox(1041), 20);
    EXPECT_EQ(FindParameterByUpdateBox(1043), -1);
    EXPECT_EQ(ParameterSlot(FindParameter("IdBeep")), SlotIdBeep);
}

TEST(ComPortName, StartsEmptyAndHoldsWhatWasSet)
{
    SetComPortName("com3");
    EXPECT_EQ(GetComPortName(), "com3");
    SetComPortName("/dev/ttyUSB0");
    EXPECT_EQ(GetComPortName(), "/dev/ttyUSB0");
}

TEST(StringTable, HoldsTheProgramsTextsById)
{
    EXPECT_STREQ(LoadString(102), "Can't open serial port %1");
    EXPECT_STREQ(LoadString(108), "Too many retries when communicating. Aborting!");
    EXPECT_STREQ(LoadString(131), "Invalid password entered.");
    EXPECT_STREQ(LoadString(61703), "Failed to launch help.");
    EXPECT_STREQ(LoadString(107), "");
}
