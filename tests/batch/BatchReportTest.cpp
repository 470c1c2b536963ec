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
    // The columns before verify and note stand where they stood before the two came.
    EXPECT_EQ(header, "row,number,unit,action,outcome,reason,message,firmware,power,start,duration,attempts,port,"
                      "archive,verify,note");
    EXPECT_NE(csv.find(",failed,verify-failed,,"), std::string::npos) << csv;
    EXPECT_NE(csv.find(",mismatch: AlarmCode1 wrote 4711 read 4712; IdBeep wrote 0 read 1,"
                       "\"not on firmware 1.0.5: LedSequence, BatteryAlarmCode\"\r\n"),
              std::string::npos)
        << csv;
    const std::string json = BatchReportJson({row});
    EXPECT_NE(json.find("\"verify\": \"mismatch: AlarmCode1 wrote 4711 read 4712; IdBeep wrote 0 read 1\""),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"note\": \"not on firmware 1.0.5: LedSequence, BatteryAlarmCode\""), std::string::npos);
}
