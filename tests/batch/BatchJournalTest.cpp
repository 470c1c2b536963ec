#include "batch/BatchJournal.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "batch/BatchReport.h"
#include "batch/CsvTable.h"

namespace {

RowResult Result(int row, RowOutcome outcome)
{
    RowResult result;
    result.row = row;
    result.number = "5550101";
    result.unit = 2;
    result.action = JobWrite;
    result.outcome = outcome;
    result.message = outcome == RowOutcome::Succeeded ? "" : "No answer, \"really\"";
    result.reason = outcome == RowOutcome::Succeeded ? "completed" : "no-answer";
    result.digest = "00112233445566" + std::to_string(10 + row);
    result.values = {{"AlarmReceiver1", "0612,34"}};
    result.attempts = 2;
    return result;
}

TEST(BatchJournalTest, AResumeKeepsOnlyRowsWhoseLastEntrySucceeded)
{
    const std::string path = ::testing::TempDir() + "journal_test.journal";
    std::string problem;
    {
        CBatchJournal journal;
        ASSERT_TRUE(journal.Open(path, false, &problem)) << problem;
        ASSERT_TRUE(journal.Append(Result(2, RowOutcome::Succeeded), &problem));
        ASSERT_TRUE(journal.Append(Result(3, RowOutcome::Stopped), &problem));
        ASSERT_TRUE(journal.Append(Result(4, RowOutcome::Succeeded), &problem));
        ASSERT_TRUE(journal.Append(Result(4, RowOutcome::Failed), &problem));
        ASSERT_TRUE(journal.Append(Result(5, RowOutcome::CodeRefused), &problem));
    }
    // A crash in the middle of a line leaves it cut short.
    std::ofstream(path, std::ios::app) << "{\"row\": 6, \"outc";
    CBatchJournal resumed;
    ASSERT_TRUE(resumed.Open(path, true, &problem)) << problem;
    ASSERT_EQ(resumed.Done().size(), 1u);
    const RowResult& kept = resumed.Done().at(2);
    EXPECT_EQ(kept.values, Result(2, RowOutcome::Succeeded).values);
    EXPECT_EQ(kept.attempts, 2);
    EXPECT_EQ(kept.action, JobWrite);
    EXPECT_EQ(kept.digest, Result(2, RowOutcome::Succeeded).digest);
    EXPECT_EQ(kept.reason, "completed");

    CBatchJournal fresh;
    ASSERT_TRUE(fresh.Open(path, false, &problem));
    EXPECT_TRUE(fresh.Done().empty());
    std::remove(path.c_str());
}

TEST(BatchReportTest, CsvReportReadsBackWithOneColumnPerParameter)
{
    std::vector<RowResult> results = {Result(2, RowOutcome::Succeeded), Result(3, RowOutcome::NoAnswer)};
    results[1].values = {{"TestAlarmTime", "3"}};
    std::vector<CsvRecord> records;
    std::string error;
    ASSERT_TRUE(ParseCsv(BatchReportCsv(results), &records, &error)) << error;
    ASSERT_EQ(records.size(), 3u);
    const std::vector<std::string>& header = records[0].fields;
    ASSERT_EQ(header.size(), 18u);
    EXPECT_EQ(header[5], "reason");
    EXPECT_EQ(header[7], "firmware");
    EXPECT_EQ(header[14], "verify");
    EXPECT_EQ(header[15], "note");
    EXPECT_EQ(header[16], "AlarmReceiver1");
    EXPECT_EQ(header[17], "TestAlarmTime");
    EXPECT_EQ(records[1].fields[4], "succeeded");
    EXPECT_EQ(records[1].fields[5], "completed");
    EXPECT_EQ(records[1].fields[16], "0612,34");
    EXPECT_EQ(records[2].fields[4], "no-answer");
    EXPECT_EQ(records[2].fields[5], "no-answer");
    EXPECT_EQ(records[2].fields[6], "No answer, \"really\"");
    EXPECT_EQ(records[2].fields[16], "");
    EXPECT_EQ(records[2].fields[17], "3");
}

} // namespace
