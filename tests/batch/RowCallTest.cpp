#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "batch/RowCall.h"

// The row's outcome follows the call's "reason" code, whatever its message says, and so does
// whether the row is tried again later in the run.
TEST(RowCall, OutcomeAndRetryComeFromTheReasonCodeNotTheMessage)
{
    struct Case {
        int exitStatus;
        const char* json;
        RowOutcome expected;
        bool retried;
    };
    const Case cases[] = {
        {0, R"({"outcome":"completed","reason":"completed","error":null})", RowOutcome::Succeeded, false},
        {1, R"({"outcome":"failed","reason":"busy","error":"Line engaged, reworded"})", RowOutcome::Busy, true},
        {1, R"({"outcome":"failed","reason":"no-answer","error":"nobody"})", RowOutcome::NoAnswer, true},
        {1, R"({"outcome":"failed","reason":"code-refused","error":"x"})", RowOutcome::CodeRefused, false},
        {1, R"({"outcome":"failed","reason":"stopped","error":"x"})", RowOutcome::Stopped, false},
        // A line that spoilt the unit's answers: the row fails as before (the word scripts
        // count) and is called again later, when the line may be better.
        {1,
         R"({"outcome":"failed","reason":"noisy-line","error":"The line is too noisy for DTMF: 3 of 3 answers failed their check."})",
         RowOutcome::Failed, true},
        // Missing or garbled answers on the old count, a silent unit, a read-back that differs,
        // a modem's own fault: not tried again by this rule.
        {1, R"({"outcome":"failed","reason":"bad-line","error":"Too many retries when communicating. Aborting!"})",
         RowOutcome::Failed, false},
        {1, R"({"outcome":"failed","reason":"unit-silent","error":"x"})", RowOutcome::Failed, false},
        {1, R"({"outcome":"failed","reason":"verify-failed","error":"x"})", RowOutcome::Failed, false},
        {1, R"({"outcome":"failed","reason":"modem-silent","error":"x"})", RowOutcome::Failed, false},
        // The old wording alone no longer decides.
        {1, R"({"outcome":"failed","reason":"bad-line","error":"The specified telephone number is busy!"})",
         RowOutcome::Failed, false},
        {1, R"({"outcome":"failed","error":"No answer!"})", RowOutcome::Failed, false},
        {1, R"({"outcome":"failed","error":"The line is too noisy for DTMF: 3 of 3 answers failed their check."})",
         RowOutcome::Failed, false},
        {1, R"({"outcome":"failed","reason":"no-such-word","error":"x"})", RowOutcome::Failed, false},
    };
    for (JobMode action : {JobRead, JobWrite}) {
        PlanRow row;
        row.action = action;
        for (const Case& c : cases) {
            SCOPED_TRACE(c.json);
            RowResult result;
            ReadRowCallResult(row, c.exitStatus, c.json, &result);
            EXPECT_EQ(result.outcome, c.expected);
            EXPECT_EQ(IsRetried(result), c.retried);
        }
    }
}

// Only a failed row is retried for its noisy line: one the run stopped is resumed, not retried.
TEST(RowCall, ANoisyLineReasonRetriesOnlyAFailedRow)
{
    const struct {
        RowOutcome outcome;
        bool retried;
    } cases[] = {
        {RowOutcome::Failed, true},       {RowOutcome::Stopped, false}, {RowOutcome::Succeeded, false},
        {RowOutcome::CodeRefused, false}, {RowOutcome::Busy, true},     {RowOutcome::NoAnswer, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(RowOutcomeWord(c.outcome));
        RowResult result;
        result.outcome = c.outcome;
        result.reason = "noisy-line";
        EXPECT_EQ(IsRetried(result), c.retried);
    }
}

// A write read back: its verify text and the firmware note, from the call's JSON.
TEST(RowCall, VerifyAndFirmwareNoteComeFromTheCallsResult)
{
    struct Case {
        JobMode action;
        bool verify;
        const char* json;
        const char* expectedVerify;
        const char* expectedNote;
        const char* state;
    };
    const Case cases[] = {
        {JobWrite, true,
         R"({"outcome":"completed","reason":"completed","verify":{"AlarmCode1":{"written":"4711","readBack":"4711","result":"verified"}}})",
         "verified", "", "succeeded"},
        {JobWrite, true,
         R"({"outcome":"failed","reason":"verify-failed","error":"x","verify":{"AlarmCode1":{"written":"4711","readBack":"4712","result":"mismatch"},"IdBeep":{"written":"0","readBack":"1","result":"mismatch"}}})",
         "mismatch: AlarmCode1 wrote 4711 read 4712; IdBeep wrote 0 read 1", "", "failed: verify"},
        {JobWrite, true,
         R"({"outcome":"completed","reason":"completed","verify":{"AlarmCode1":{"result":"verified"},"NewProgrammingCode":{"result":"not-checked"}}})",
         "verified; not checked: NewProgrammingCode", "", "succeeded"},
        // The call ended before anything was read back.
        {JobWrite, true, R"({"outcome":"failed","reason":"busy","error":"x"})", "not checked", "", "busy"},
        {JobWrite, true, "", "not checked", "", "failed"},
        {JobWrite, false,
         R"({"outcome":"failed","reason":"not-transferred","error":"x","firmware":"1.0.5","notOnFirmware":["LedSequence","BatteryAlarmCode"]})",
         "", "not on firmware 1.0.5: LedSequence, BatteryAlarmCode", "failed"},
        {JobRead, true, R"({"outcome":"completed","reason":"completed","values":{}})", "", "", "succeeded"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json);
        PlanRow row;
        row.action = c.action;
        RowResult result;
        const int status = std::string(c.json).find("\"completed\"") != std::string::npos ? 0 : 1;
        ReadRowCallResult(row, status, c.json, &result, c.verify);
        EXPECT_EQ(result.verify, c.expectedVerify);
        EXPECT_EQ(result.note, c.expectedNote);
        EXPECT_EQ(RowStateText(result), c.state);
        // The journal keeps both.
        RowResult back;
        ASSERT_TRUE(RowResultFromJsonLine(RowResultToJsonLine(result), &back));
        EXPECT_EQ(back.verify, result.verify);
        EXPECT_EQ(back.note, result.note);
    }
}

TEST(RowCall, VerifyIsAskedOfWritesOnly)
{
    PlanRow row;
    row.number = "5550100";
    row.code = "3958";
    row.action = JobWrite;
    auto has = [](const std::vector<std::string>& args) {
        return std::find(args.begin(), args.end(), "--verify") != args.end();
    };
    EXPECT_TRUE(has(RowCallArguments("pravel-cli", row, "/dev/x", "", true)));
    EXPECT_FALSE(has(RowCallArguments("pravel-cli", row, "/dev/x", "", false)));
    row.action = JobRead;
    row.readAll = true;
    EXPECT_FALSE(has(RowCallArguments("pravel-cli", row, "/dev/x", "", true)));
}
