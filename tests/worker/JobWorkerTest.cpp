// The job worker over a real pseudo-terminal whose far side says nothing (a silent modem), and
// over a port that cannot be opened.
#include "worker/JobWorker.h"

#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <mutex>
#include <pty.h>
#include <unistd.h>
#include <vector>

#include "model/ComPortName.h"
#include "model/JobMessages.h"
#include "model/ProgrammingJob.h"
#include "modem/DialogueTiming.h"
#include "platform/MessagePresenter.h"
#include "platform/NotifyWindow.h"
#include "support/TraceCapture.h"
#include "support/WaitUntil.h"

namespace {

class CFrontEnd : public INotifyWindow, public IMessagePresenter {
public:
    CFrontEnd() { SetMessagePresenter(this); }
    ~CFrontEnd() override { SetMessagePresenter(nullptr); }
    void PostMessage(uint32_t message, uint32_t wParam, CMessageValue lParam) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (message == WM_SHOW_PROGRESS)
            m_stages.push_back({wParam, lParam.NumberValue()});
        m_changed.notify_all();
    }
    void SendMessage(uint32_t message, uint32_t wParam, CMessageValue lParam) override
    {
        PostMessage(message, wParam, std::move(lParam));
    }
    void ShowMessage(const std::string& text, const std::string&, MessageIcon) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_errors.push_back(text);
    }
    bool WaitForEnded(int timeoutMs)
    {
        std::unique_lock<std::mutex> lock(m_lock);
        return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return Count(ProgressEnded) > 0; });
    }
    int Ended()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return Count(ProgressEnded);
    }
    std::vector<std::pair<uint32_t, long>> Stages()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_stages;
    }
    std::vector<std::string> Errors()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_errors;
    }

private:
    int Count(uint32_t stage) const
    {
        int n = 0;
        for (const auto& s : m_stages)
            n += s.first == stage;
        return n;
    }
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<std::pair<uint32_t, long>> m_stages;
    std::vector<std::string> m_errors;
};

class JobWorkerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DialogueTiming timing;
        timing.workerTickMs = 5;
        timing.selectWaitMs = 1;
        timing.answerTimeoutMs = 20;
        SetDialogueTimingForTests(timing);
        theJob.reset(&frontEnd);
        theJob.mode = JobRead;
        std::strcpy(theJob.phoneNumber, "5550100");
        std::strcpy(theJob.programmingCode, "3958");
        theJob.selectionMask = 0;
    }
    void TearDown() override
    {
        StopJob();
        theJob.reset(nullptr);
        ResetDialogueTimingForTests();
        if (m_master >= 0)
            ::close(m_master);
    }
    // A pseudo-terminal nobody answers on: the job's port.
    void UseSilentModem()
    {
        int slave = -1;
        char name[128];
        ASSERT_EQ(::openpty(&m_master, &slave, name, nullptr, nullptr), 0);
        ::close(slave);
        SetComPortName(name);
    }

    CFrontEnd frontEnd;
    int m_master = -1;
};

TEST_F(JobWorkerTest, APortThatCannotBeOpenedEndsWithOneErrorAndOneProgressEnded)
{
    TraceCapture trace;
    SetComPortName("/nonexistent/pravel-port");
    ASSERT_TRUE(StartJob());
    WaitForJobEnd();
    EXPECT_FALSE(IsJobRunning());
    EXPECT_EQ(frontEnd.Ended(), 1);
    ASSERT_EQ(frontEnd.Errors().size(), 1u);
    EXPECT_EQ(frontEnd.Errors()[0].rfind("Can't open serial port /nonexistent/pravel-port", 0), 0u);
}

TEST_F(JobWorkerTest, AnUnsafeJobIsRefusedWithoutOpeningThePort)
{
    TraceCapture trace;
    UseSilentModem();
    std::strcpy(theJob.programmingCode, "39\r8");
    ASSERT_TRUE(StartJob());
    WaitForJobEnd();
    EXPECT_EQ(frontEnd.Ended(), 1);
    ASSERT_EQ(frontEnd.Errors().size(), 1u);
    EXPECT_EQ(frontEnd.Errors()[0].rfind("Programming code: ", 0), 0u);
    char byte;
    EXPECT_LT(::read(m_master, &byte, 1), 1) << "nothing may reach the modem";
}

TEST_F(JobWorkerTest, ASilentModemEndsTheJobSayingItDidNotAnswer)
{
    TraceCapture trace;
    DialogueTiming timing = GetDialogueTiming();
    timing.modemAnswerMs = 50;
    SetDialogueTimingForTests(timing);
    UseSilentModem();
    ASSERT_TRUE(StartJob());
    EXPECT_TRUE(frontEnd.WaitForEnded(20000));
    WaitForJobEnd();
    EXPECT_FALSE(IsJobRunning());
    EXPECT_EQ(frontEnd.Ended(), 1);
    ASSERT_EQ(frontEnd.Errors().size(), 1u);
    EXPECT_EQ(frontEnd.Errors()[0],
              "The modem on " + GetComPortName() + " did not answer. Check the port, the cable and the power.");
    EXPECT_EQ(trace.Count("Modem: No answer to ATZ within 50 ms\n"), 1);
    // ATZ went out, and nothing else (nothing answered it).
    char text[64] = {};
    ssize_t n = ::read(m_master, text, sizeof text - 1);
    EXPECT_EQ(std::string(text, n > 0 ? static_cast<size_t>(n) : 0), "ATZ\r\n");
}

TEST_F(JobWorkerTest, AModemThatFallsSilentLaterIsEndedByTheWatchdogSayingSo)
{
    TraceCapture trace;
    UseSilentModem();
    ASSERT_TRUE(StartJob());
    // Answer the reset only; "ATE0" is then waited for without end, until the watchdog.
    std::string received;
    char buffer[64];
    // Until the job opens its side, the master reads EIO (and polls as hung up).
    ASSERT_TRUE(WaitUntil(
        [&] {
            ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n > 0)
                received.append(buffer, static_cast<size_t>(n));
            return received.find("ATZ\r\n") != std::string::npos;
        }));
    ASSERT_EQ(::write(m_master, "OK\r\n", 4), 4);
    EXPECT_TRUE(frontEnd.WaitForEnded(20000));
    WaitForJobEnd();
    EXPECT_EQ(trace.Count("Job: no step for too long, ending the job\n"), 1);
    ASSERT_EQ(frontEnd.Errors().size(), 1u);
    EXPECT_EQ(frontEnd.Errors()[0], "The modem on " + GetComPortName() + " stopped answering.");
}

TEST_F(JobWorkerTest, TwoStartsAtOnceGiveOneJobAndStopJobEndsIt)
{
    TraceCapture trace;
    UseSilentModem();
    DialogueTiming timing = GetDialogueTiming();
    timing.workerTickMs = 1000; // the watchdog would need 16 s
    SetDialogueTimingForTests(timing);
    ASSERT_TRUE(StartJob());
    EXPECT_FALSE(StartJob());
    EXPECT_TRUE(IsJobRunning());
    StopJob();
    EXPECT_FALSE(IsJobRunning());
    EXPECT_EQ(frontEnd.Ended(), 1);
    // The orderly stop: nothing was logged in, so only the modem reset went out after the ATZ.
    EXPECT_EQ(trace.Count("Job: stop asked for, logging off\n"), 1);
    // A new job can start at once and finds the port free.
    ASSERT_TRUE(StartJob());
    StopJob();
    EXPECT_EQ(frontEnd.Ended(), 2);
    EXPECT_TRUE(frontEnd.Errors().empty());
}

} // namespace
