#include <string>

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
