#include <cctype>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "model/JobOutcome.h"

// Scripts and batch reports keep these words: each outcome has its own, lower-case, and reads back.
TEST(JobOutcome, EveryOutcomeHasItsOwnWordThatReadsBack)
{
    std::set<std::string> seen;
    for (uint32_t n = 0; n <= static_cast<uint32_t>(JobOutcome::Failed); ++n) {
        const auto outcome = static_cast<JobOutcome>(n);
        const std::string word = JobOutcomeWord(outcome);
        SCOPED_TRACE(word);
        EXPECT_TRUE(seen.insert(word).second) << "word used twice";
        for (char c : word)
            EXPECT_TRUE(std::islower(static_cast<unsigned char>(c)) || c == '-');
        EXPECT_EQ(JobOutcomeFromWord(word), outcome);
        EXPECT_EQ(JobOutcomeFromNumber(static_cast<long>(n)), outcome);
    }
}

TEST(JobOutcome, StableWordsAndUnknownInput)
{
    EXPECT_STREQ(JobOutcomeWord(JobOutcome::Completed), "completed");
    EXPECT_STREQ(JobOutcomeWord(JobOutcome::Busy), "busy");
    EXPECT_STREQ(JobOutcomeWord(JobOutcome::NoAnswer), "no-answer");
    EXPECT_STREQ(JobOutcomeWord(JobOutcome::CodeRefused), "code-refused");
    EXPECT_STREQ(JobOutcomeWord(JobOutcome::BadLine), "bad-line");
    EXPECT_STREQ(JobOutcomeWord(JobOutcome::Stopped), "stopped");
    EXPECT_EQ(JobOutcomeFromWord("Busy"), std::nullopt);
    EXPECT_EQ(JobOutcomeFromWord(""), std::nullopt);
    EXPECT_EQ(JobOutcomeFromNumber(-1), JobOutcome::Failed);
    EXPECT_EQ(JobOutcomeFromNumber(10000), JobOutcome::Failed);
}
