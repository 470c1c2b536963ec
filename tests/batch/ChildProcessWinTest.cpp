// Windows: a call never outlives the batch. The children are this test program itself, running
// its disabled helper tests.
#include "batch/ChildProcess.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "support/WaitUntil.h"

namespace {

std::string HelperFile()
{
    return ::testing::TempDir() + "child_process_win_sleeper.pid";
}

std::vector<std::string> Helper(const char* test)
{
    return {CurrentProgramPath(), std::string("--gtest_filter=ChildProcessWinHelper.") + test,
            "--gtest_also_run_disabled_tests"};
}

// Sleeps half a minute: a call that goes on.
TEST(ChildProcessWinHelper, DISABLED_Sleep)
{
    std::this_thread::sleep_for(std::chrono::seconds(30));
}

// Starts a sleeper as the batch starts a call, writes its process id and waits for it.
TEST(ChildProcessWinHelper, DISABLED_StartASleeper)
{
    CChildProcess sleeper;
    std::string problem;
    ASSERT_TRUE(sleeper.Start(Helper("DISABLED_Sleep"), &problem)) << problem;
    std::ofstream(HelperFile()) << sleeper.ProcessId() << "\n";
    sleeper.Wait();
}

bool Ended(DWORD pid, DWORD timeoutMs)
{
    HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (process == nullptr)
        return true; // gone already
    const bool ended = ::WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
    ::CloseHandle(process);
    return ended;
}

TEST(ChildProcessWinTest, TheCallsOfAKilledStarterEndWithIt)
{
    std::remove(HelperFile().c_str());
    CChildProcess starter;
    std::string problem;
    ASSERT_TRUE(starter.Start(Helper("DISABLED_StartASleeper"), &problem)) << problem;
    DWORD sleeper = 0;
    ASSERT_TRUE(WaitUntil([&] { return (std::ifstream(HelperFile()) >> sleeper) && sleeper != 0; }));
    ASSERT_FALSE(Ended(sleeper, 0));
    HANDLE kill = ::OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(starter.ProcessId()));
    ASSERT_NE(kill, nullptr);
    ::TerminateProcess(kill, 9); // as a kill -9 would
    ::CloseHandle(kill);
    starter.Wait();
    EXPECT_TRUE(Ended(sleeper, 10000));
    std::remove(HelperFile().c_str());
}

} // namespace
