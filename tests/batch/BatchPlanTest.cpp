#include "batch/BatchPlan.h"

#include <gtest/gtest.h>

#include "model/ParameterTable.h"

namespace {

const std::string Header = "number,unit,code,action,AlarmReceiver1,TestAlarmTime,LedSequence\n";

struct PlanCase {
    const char* name;
    std::string text;
    int row;            // the first error's row; 0 with column "-" for none expected
    std::string column; // the first error's column
    std::string contains;
};

class BatchPlanErrorTest : public ::testing::TestWithParam<PlanCase> {};

TEST_P(BatchPlanErrorTest, NamesRowAndColumn)
{
    const PlanCase& c = GetParam();
    BatchPlan plan;
    std::vector<PlanError> errors;
    EXPECT_FALSE(ParseBatchPlan(c.text, JobRead, {}, &plan, &errors));
    ASSERT_FALSE(errors.empty());
    EXPECT_EQ(errors.front().row, c.row);
    EXPECT_EQ(errors.front().column, c.column);
    EXPECT_NE(errors.front().text.find(c.contains), std::string::npos) << errors.front().text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BatchPlanErrorTest,
    ::testing::Values(
        PlanCase{"unknown_column", "number,code,Colour\n1,3958,x\n", 1, "Colour", "no such column"},
        PlanCase{"no_code_column", "number,unit\n1,1\n", 1, "code", "no column code"},
        PlanCase{"twice", "number,code,code\n", 1, "code", "twice"},
        PlanCase{"no_rows", "# only\nnumber,code\n", 0, "", "no rows"},
        PlanCase{"field_count", Header + "5550101,1,3958,read,all\n", 2, "", "fields"},
        PlanCase{"unit_range", Header + "5550101,7,3958,read,all,,\n", 2, "unit", "1 to 6"},
        PlanCase{"action_word", Header + "5550101,1,3958,erase,all,,\n", 2, "action", "read or write"},
        PlanCase{"code_letters", Header + "5550101,1,39a8,read,all,,\n", 2, "code", ""},
        PlanCase{"code_long", Header + "5550101,1,39580,read,all,,\n", 2, "code", "four digits"},
        PlanCase{"number_empty", Header + ",1,3958,read,all,,\n", 2, "number", ""},
        PlanCase{"number_command", Header + "555;ATH,1,3958,read,all,,\n", 2, "number", ""},
        PlanCase{"number_long", Header + "123456789012345678901,1,3958,read,all,,\n", 2, "number", "20"},
        PlanCase{"value_too_long", Header + "5550101,1,3958,write,123456789012345678901,,\n", 2, "AlarmReceiver1",
                 "at most 20"},
        PlanCase{"value_character", Header + "5550101,1,3958,write,0612B,,\n", 2, "AlarmReceiver1", ""},
        PlanCase{"combo_range", Header + "5550101,1,3958,write,,11,\n", 2, "TestAlarmTime", ""},
        PlanCase{"flag_value", Header + "5550101,1,3958,write,,,2\n", 2, "LedSequence", ""},
        PlanCase{"nothing_to_write", Header + "5550101,1,3958,write,,,\n", 2, "", "nothing to write"},
        PlanCase{"missing_file", "number,code,action,file\n5550101,3958,write,/nonexistent/p.oxl\n", 2, "file", ""},
        PlanCase{"later_row", Header + "5550101,1,3958,read,all,,\n\n# gap\n5550102,0,3958,read,all,,\n", 5, "unit",
                 ""},
        PlanCase{"csv_error", "number,code\n\"5550101,3958\n", 0, "", "line 2"}),
    [](const ::testing::TestParamInfo<PlanCase>& info) { return std::string(info.param.name); });

TEST(BatchPlanTest, EveryBadRowIsReportedAndTheGoodOnesAreNotKept)
{
    BatchPlan plan;
    std::vector<PlanError> errors;
    const std::string text = Header + "5550101,1,3958,read,all,,\n5550102,9,3958,read,all,,\n5550103,1,x,read,all,,\n";
    EXPECT_FALSE(ParseBatchPlan(text, JobRead, {}, &plan, &errors));
    ASSERT_EQ(errors.size(), 2u);
    EXPECT_EQ(PlanErrorText(errors[0]), "row 3, column unit: the unit is 1 to 6");
    EXPECT_EQ(errors[1].row, 4);
}

TEST(BatchPlanTest, RowsTakeTheirActionCellsAndDefaults)
{
    BatchPlan plan;
    std::vector<PlanError> errors;
    const std::string text = Header + "5550101,,3958,,0612345678,3,1\n555 0102,2,1234,read,x,,\n5550103,6,0000,read,,all,\n";
    ASSERT_TRUE(ParseBatchPlan(text, JobWrite, {}, &plan, &errors)) << PlanErrorText(errors.front());
    ASSERT_EQ(plan.rows.size(), 3u);
    const PlanRow& write = plan.rows[0];
    EXPECT_EQ(write.row, 2);
    EXPECT_EQ(write.unit, 1);
    EXPECT_EQ(write.action, JobWrite);
    ASSERT_EQ(write.cells.size(), 3u);
    EXPECT_EQ(write.cells[0], std::make_pair(static_cast<int>(RowAlarmReceiver1), std::string("0612345678")));
    EXPECT_EQ(plan.rows[1].action, JobRead);
    EXPECT_FALSE(plan.rows[1].readAll);
    ASSERT_EQ(plan.rows[1].cells.size(), 1u);
    EXPECT_EQ(LineKey(plan.rows[1].number), "5550102");
    EXPECT_TRUE(plan.rows[2].readAll);
    EXPECT_EQ(plan.rows[2].unit, 6);
}

// Plans as people write them: the separator their spreadsheet uses, names and words in any case.
struct WrittenPlan {
    const char* name;
    std::string text;
};

class BatchPlanWrittenTest : public ::testing::TestWithParam<WrittenPlan> {};

TEST_P(BatchPlanWrittenTest, ReadsAsTheCommaPlan)
{
    BatchPlan plan;
    std::vector<PlanError> errors;
    ASSERT_TRUE(ParseBatchPlan(GetParam().text, JobRead, {}, &plan, &errors)) << PlanErrorText(errors.front());
    ASSERT_EQ(plan.rows.size(), 3u);
    EXPECT_EQ(plan.rows[0].action, JobWrite);
    ASSERT_EQ(plan.rows[0].cells.size(), 1u);
    EXPECT_EQ(plan.rows[0].cells[0], std::make_pair(static_cast<int>(RowAlarmReceiver1), std::string("0612")));
    EXPECT_EQ(plan.rows[0].unit, 2);
    EXPECT_EQ(plan.rows[0].code, "3958");
    EXPECT_TRUE(plan.rows[1].readAll); // "ALL"
    EXPECT_EQ(plan.rows[1].action, JobRead);
    EXPECT_TRUE(plan.rows[2].readAll); // a read with no parameter reads everything
    // Each row's digest is its content: the same plan in another spelling gives the same.
    BatchPlan comma;
    ASSERT_TRUE(ParseBatchPlan("number,unit,code,action,AlarmReceiver1\n5550101,2,3958,write,0612\n"
                               "5550102,1,3958,read,all\n5550103,1,3958,read,\n",
                               JobRead, {}, &comma, &errors));
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(plan.rows[i].digest, comma.rows[i].digest) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Spellings, BatchPlanWrittenTest,
    ::testing::Values(
        WrittenPlan{"semicolons", "Number;Unit;Code;Action;AlarmReceiver1\n5550101;2;3958;WRITE;0612\n"
                                  "5550102;1;3958;Read;ALL\n5550103;1;3958;read;\n"},
        WrittenPlan{"tabs_and_a_bom", "\xEF\xBB\xBF# exported\nNUMBER\tunit\tCODE\taction\talarmreceiver1\n"
                                      "5550101\t2\t3958\tWrite\t0612\n5550102\t1\t3958\tread\tAll\n"
                                      "5550103\t1\t3958\tREAD\t\n"},
        WrittenPlan{"quoted_semicolons", "\"number\";\"unit\";\"code\";\"action\";\"AlarmReceiver1\"\n"
                                         "\"5550101\";2;3958;write;\"0612\"\n5550102;1;3958;read;all\n"
                                         "5550103;1;3958;read;\"\"\n"}),
    [](const ::testing::TestParamInfo<WrittenPlan>& info) { return std::string(info.param.name); });

TEST(BatchPlanTest, TheSameUnitTwiceIsAWarningNotAnError)
{
    BatchPlan plan;
    std::vector<PlanError> errors;
    ASSERT_TRUE(ParseBatchPlan("number,unit,code,action,IdBeep\n555-0101,1,3958,write,1\n5550102,1,3958,read,\n"
                               "555 0101,1,3958,read,\n",
                               JobRead, {}, &plan, &errors));
    ASSERT_EQ(plan.warnings.size(), 1u);
    EXPECT_EQ(PlanErrorText(plan.warnings[0]), "row 4: unit 1 of 555 0101 is planned again (first on row 2)");
}

TEST(BatchPlanTest, DigestFollowsWhatTheRowAsks)
{
    const auto digest = [](const std::string& row) {
        BatchPlan plan;
        std::vector<PlanError> errors;
        EXPECT_TRUE(ParseBatchPlan("number,unit,code,action,AlarmReceiver1,IdBeep\n" + row + "\n", JobRead, {}, &plan,
                                   &errors));
        return plan.rows.empty() ? std::string() : plan.rows[0].digest;
    };
    const std::string base = digest("5550101,1,3958,write,0612,1");
    EXPECT_EQ(base.size(), 16u);
    EXPECT_EQ(digest("555-0101,1,3958,write,0612,1"), base); // the same line
    for (const char* changed : {"5550101,1,3958,write,0613,1", "5550101,2,3958,write,0612,1",
                                "5550101,1,3959,write,0612,1", "5550101,1,3958,write,0612,0",
                                "5550101,1,3958,write,0612,", "5550102,1,3958,write,0612,1"})
        EXPECT_NE(digest(changed), base) << changed;
}

TEST(BatchPlanTest, TheFrontEndsValueRuleIsApplied)
{
    BatchPlan plan;
    std::vector<PlanError> errors;
    PlanValueRule digitsOnly = [](int row, const std::string& value, std::string* problem) {
        if (row == RowAlarmReceiver1 && value.find('*') != std::string::npos) {
            *problem = "digits only";
            return false;
        }
        return true;
    };
    EXPECT_TRUE(ParseBatchPlan(Header + "5550101,1,3958,write,06*1,,\n", JobRead, {}, &plan, &errors));
    errors.clear();
    EXPECT_FALSE(ParseBatchPlan(Header + "5550101,1,3958,write,06*1,,\n", JobRead, digitsOnly, &plan, &errors));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(PlanErrorText(errors[0]), "row 2, column AlarmReceiver1: digits only");
}

// A row with several faults shows each of them, once, and each check's own naming of its field is
// not said again after the column.
TEST(BatchPlanTest, EveryFaultOfARowIsListedOnceUnderItsColumn)
{
    BatchPlan plan;
    std::vector<PlanError> errors;
    PlanValueRule named = [](int row, const std::string& value, std::string* problem) {
        if (value == "99") {
            *problem = std::string(ParameterTable[row].name) + ": choose a value from 0 to 10.";
            return false;
        }
        return true;
    };
    const std::string text = Header + "5550101,1,39a8,write,,99,\n555;0101,2,3958,write,0612,,\n";
    EXPECT_FALSE(ParseBatchPlan(text, JobRead, named, &plan, &errors));
    std::vector<std::string> lines;
    for (const PlanError& error : errors)
        lines.push_back(PlanErrorText(error));
    const std::vector<std::string> expected = {
        "row 2, column TestAlarmTime: choose a value from 0 to 10.",
        "row 2, column code: enter the unit's code of exactly four digits.",
        "row 3, column number: only digits, * # + , W P T ! @ A-D and the spacing characters space - ( ) . can be "
        "dialled."};
    EXPECT_EQ(lines, expected);
}

} // namespace
