#include <gtest/gtest.h>

#include "unit/ReadBack.h"

namespace {

struct SameCase {
    ParameterRow row;
    const char* written;
    const char* readBack;
    bool same;
};

const SameCase SameCases[] = {
    {RowAlarmButtonDelay, "5", "5", true},
    {RowAlarmButtonDelay, "05", "5", true},
    {RowAlarmButtonDelay, "5", "5.0", true},
    {RowAlarmButtonDelay, "5", "6", false},
    {RowAlarmButtonDelay, "5", "5.5", false},
    {RowAlarmType, "1", "01", true},
    {RowAlarmType, "1", "10", false},
    {RowTestAlarmTime, "10", "10", true},
    {RowTestAlarmTime, "10", "9", false},
    {RowPhoneAcknowledge, "2", "2", true},
    {RowIdBeep, "1", "1", true},
    {RowIdBeep, "0", "1", false},
    {RowLedSequence, "0", "0", true},
    {RowAlarmCode1, "4711", "4711", true},
    {RowAlarmCode1, "4711", "4712", false},
    {RowAlarmCode1, "0471", "471", false}, // a code is text: a leading zero counts
    {RowAlarmReceiver1, "0612345678", "0612345678", true},
    {RowAlarmReceiver1, "0612345678", "612345678", false},
    {RowSequenceReceiver3, "", "", true},
};

} // namespace

TEST(ReadBack, ComparesAsTheUnitKeepsTheValue)
{
    for (const SameCase& c : SameCases)
        EXPECT_EQ(SameUnitValue(c.row, c.written, c.readBack), c.same)
            << ParameterTable[c.row].name << " wrote \"" << c.written << "\" read \"" << c.readBack << "\"";
    EXPECT_FALSE(SameUnitValue(RowStatus, "1", "1"));
}

TEST(ReadBack, EveryParameterButTheNewCodeCanBeReadBack)
{
    for (int row = 0; row < ParameterCount; ++row)
        EXPECT_EQ(CanReadBack(row), row != RowNewProgrammingCode) << ParameterTable[row].name;
    EXPECT_FALSE(CanReadBack(RowStatus));
    EXPECT_FALSE(CanReadBack(-1));
}
