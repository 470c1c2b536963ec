#include <string>

#include <gtest/gtest.h>

#include "batch/BatchReport.h"

// The CSV report carries the outcome code, the read-back and the firmware note of each row.
TEST(BatchReport, CsvHasTheReasonVerifyAndNoteColumns)
{
    RowResult row;
    row.row = 2;
    row.number = "5550100";
    row.action = JobWrite;
    row.outcome = RowOutcome::Failed;
    row.reason = "verify-failed";
    row.verify = "mismatch: AlarmCode1 wrote 4711 read 4712; IdBeep wrote 0 read 1";
    row.note = "not on firmware 1.0.5: LedSequence, BatteryAlarmCode";
    const std::string csv = BatchReportCsv({row});
    const std::string header = csv.substr(0, csv.find("\r\n"));
    EXPECT_EQ(header.rfind("row,number,unit,action,outcome,reason,message,verify,note,firmware,", 0), 0u) << header;
    EXPECT_NE(csv.find(",failed,verify-failed,,mismatch: AlarmCode1 wrote 4711 read 4712; IdBeep wrote 0 read 1,"
                       "\"not on firmware 1.0.5: LedSequence, BatteryAlarmCode\","),
              std::string::npos)
        << csv;
    const std::string json = BatchReportJson({row});
    EXPECT_NE(json.find("\"verify\": \"mismatch: AlarmCode1 wrote 4711 read 4712; IdBeep wrote 0 read 1\""),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"note\": \"not on firmware 1.0.5: LedSequence, BatteryAlarmCode\""), std::string::npos);
}
