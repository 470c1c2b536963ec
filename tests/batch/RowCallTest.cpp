#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "batch/RowCall.h"

// The row's outcome follows the call's "reason" code, whatever its message says.
TEST(RowCall, OutcomeComesFromTheReasonCodeNotTheMessage)
{
    struct Case {
        int exitStatus;
        const char* json;
        RowOutcome expected;
    };
    const Case cases[] = {
        {0, R"({"outcome":"completed","reason":"completed","error":null})", RowOutcome::Succeeded},
        {1, R"({"outcome":"failed","reason":"busy","error":"Line engaged, reworded"})", RowOutcome::Busy},
        {1, R"({"outcome":"failed","reason":"no-answer","error":"nobody"})", RowOutcome::NoAnswer},
        {1, R"({"outcome":"failed","reason":"code-refused","error":"x"})", RowOutcome::CodeRefused},
        {1, R"({"outcome":"failed","reason":"stopped","error":"x"})", RowOutcome::Stopped},
        // The old wording alone no longer decides.
        {1, R"({"outcome":"failed","reason":"bad-line","error":"The specified telephone number is busy!"})",
         RowOutcome::Failed},
        {1, R"({"outcome":"failed","error":"No answer!"})", RowOutcome::Failed},
        {1, R"({"outcome":"failed","reason":"no-such-word","error":"x"})", RowOutcome::Failed},
    };
    PlanRow row;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json);
        RowResult result;
        ReadRowCallResult(row, c.exitStatus, c.json, &result);
        EXPECT_EQ(result.outcome, c.expected);
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
