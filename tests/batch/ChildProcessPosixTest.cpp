// The child's outputs, exit status and stop, with POSIX programs (/bin/sh, /bin/sleep) as children.
#include "batch/ChildProcess.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <thread>

#include "support/WaitUntil.h"

namespace {

TEST(ChildProcessTest, CollectsBothOutputsAndTheExitStatus)
{
    CChildProcess child;
    std::string problem;
    ASSERT_TRUE(child.Start({"/bin/sh", "-c", "read x; echo out-$x; echo err >&2; exit 3"}, &problem)) << problem;
    EXPECT_EQ(child.Wait(), 3);
    EXPECT_EQ(child.Output(), "out-\n"); // standard input is empty
    EXPECT_EQ(child.ErrorOutput(), "err\n");
}

TEST(ChildProcessTest, AskToStopInterruptsTheChild)
{
    CChildProcess child;
    std::string problem;
    // sleep keeps the interrupt's default action: it dies of the signal.
    ASSERT_TRUE(child.Start({"/bin/sleep", "30"}, &problem)) << problem;
    std::atomic<int> status{-2};
    std::thread waiter([&] { status = child.Wait(); });
    const auto began = std::chrono::steady_clock::now();
    ASSERT_TRUE(WaitUntil([&] {
        child.AskToStop();
        return status.load() != -2;
    }));
    waiter.join();
    EXPECT_EQ(status.load(), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(10));
    child.AskToStop(); // after the reap: nothing happens
}

// A port one of our threads holds locked while another starts a call: the lock goes with our own
// close, not with the end of the call started meanwhile (which would find its modem's port "in use").
TEST(ChildProcessTest, ALockWeHoldAtTheStartIsNotKeptByTheChild)
{
    const std::string path = ::testing::TempDir() + "child_process_lock";
    const int ours = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(ours, 0);
    ASSERT_EQ(::flock(ours, LOCK_EX | LOCK_NB), 0);
    CChildProcess child;
    std::string problem;
    ASSERT_TRUE(child.Start({"/bin/sleep", "30"}, &problem)) << problem;
    ::close(ours);
    const int again = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(again, 0);
    EXPECT_EQ(::flock(again, LOCK_EX | LOCK_NB), 0) << "the child still holds the lock";
    ::close(again);
    std::remove(path.c_str());
    // The destructor stops the sleeper.
}

TEST(ChildProcessTest, AProgramWhoseStarterIsKilledGetsTheInterruptOnce)
{
    const std::string marks = ::testing::TempDir() + "child_process_interrupts";
    std::remove(marks.c_str());
    int pidPipe[2];
    ASSERT_EQ(::pipe(pidPipe), 0);
    // The starter: a process of its own with several threads, the program started from one of them.
    const pid_t starter = ::fork();
    if (starter == 0) {
        CChildProcess child;
        std::string problem;
        std::thread other([] { std::this_thread::sleep_for(std::chrono::seconds(30)); });
        std::thread caller([&] {
            // The program notes each interrupt and goes on; it ends by itself after two seconds.
            if (child.Start({"/bin/sh", "-c",
                             "trap 'echo int >> " + marks + "' INT; echo ready >> " + marks +
                                 "; i=0; while [ $i -lt 40 ]; do sleep 0.05; i=$((i+1)); done"},
                            &problem)) {
                const long pid = child.ProcessId();
                (void)!::write(pidPipe[1], &pid, sizeof pid);
                child.Wait();
            }
        });
        caller.join();
        ::_exit(0);
    }
    ::close(pidPipe[1]);
    long program = -1;
    ASSERT_EQ(::read(pidPipe[0], &program, sizeof program), static_cast<ssize_t>(sizeof program));
    ::close(pidPipe[0]);
    ASSERT_TRUE(WaitUntil([&] { return std::ifstream(marks).peek() != EOF; }));
    ::kill(starter, SIGKILL);
    ::waitpid(starter, nullptr, 0);
    // The program runs on to its end (an orderly stop takes its time), told once.
    EXPECT_TRUE(WaitUntil([&] { return ::kill(static_cast<pid_t>(program), 0) != 0; }, std::chrono::seconds(10)));
    std::ifstream in(marks);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "ready\nint\n");
    std::remove(marks.c_str());
}

} // namespace
