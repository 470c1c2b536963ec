#include "batch/ChildProcess.h"

#include <gtest/gtest.h>

namespace {

TEST(ChildProcessTest, AProgramThatCannotBeStartedIsAProblem)
{
    CChildProcess child;
    std::string problem;
    EXPECT_FALSE(child.Start({"/nonexistent/pravel-cli"}, &problem));
    EXPECT_NE(problem.find("/nonexistent/pravel-cli"), std::string::npos);
    EXPECT_EQ(child.Wait(), -1);
}

TEST(ChildProcessTest, TheRunningProgramIsKnown)
{
    EXPECT_NE(CurrentProgramPath().find("batch_tests"), std::string::npos);
}

} // namespace

