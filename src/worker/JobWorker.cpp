// The job worker thread: one per job, started by StartJob on the front end's thread. It owns the
// job's CModemDriver, keeps the watchdog over it, stops it, and reports ProgressEnded as its last
// act. jobThread is the busy flag: set by StartJob before the worker runs, cleared by the worker
// once the driver has been stopped and the port closed.
#include "worker/JobWorker.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <mutex>

#include "diag/SystemError.h"
#include "diag/Trace.h"
#include "model/ComPortName.h"
#include "model/ModemProfile.h"
#include "model/JobMessages.h"
#include "model/JobOutcome.h"
#include "model/ProgrammingJob.h"
#include "modem/DialogueTiming.h"
#include "modem/ModemDriver.h"
#include "platform/Event.h"
#include "platform/NotifyWindow.h"
#include "platform/Thread.h"

namespace {

std::mutex g_controlLock; // StartJob, StopJob and WaitForJobEnd, one at a time
CThread g_workerThread;
std::atomic<CThread*> jobThread{nullptr};
CEvent g_stopJobEvent;  // manual-reset: the front end wants the orderly end of the job
CEvent g_abortJobEvent; // manual-reset: the front end wants the job ended now

void JobWorkerThread()
{
    // Read before jobThread is cleared: from then on the front end may fill theJob again.
    INotifyWindow* const window = theJob.notifyWindow;
    auto postProgress = [window](ProgressStage stage, long count) {
        if (window != nullptr)
            window->PostMessage(WM_SHOW_PROGRESS, stage, CMessageValue::Number(count));
    };
    const DialogueTiming timing = GetDialogueTiming();
    JobOutcome outcome = JobOutcome::None;
    {
        CModemDriver driver(&theJob, GetComPortName(), GetModemProfile());
        if (driver.Start()) {
            using Clock = std::chrono::steady_clock;
            bool stopping = false;
            bool resetSeen = false;
            Clock::time_point stopDeadline;
            for (;;) {
                uint32_t result = WaitForObjects({&g_abortJobEvent, &driver.FinishedEvent(), &g_stopJobEvent},
                                                 timing.workerTickMs);
                if (result == WAIT_OBJECT_0) {
                    TraceText("Job: stopped by the front end\n");
                    driver.NoteOutcome(JobOutcome::Stopped);
                    break;
                }
                if (result == WAIT_FAILED) {
                    TRACE_LAST_ERROR(static_cast<uint32_t>(LastSystemError()), "Job: Unable to wait: ");
                    break;
                }
                if (result == WAIT_OBJECT_0 + 1)
                    break;
                if (driver.IsFinished()) {
                    // The final reset is out; its "OK" sets FinishedEvent. A modem that does not
                    // answer it gets one more tick, so the reset is not cut off by closing the port.
                    if (resetSeen)
                        break;
                    resetSeen = true;
                    continue;
                }
                if (result == WAIT_OBJECT_0 + 2) {
                    g_stopJobEvent.Reset();
                    if (!stopping) {
                        // The log-off and the modem reset, each with its bounded wait, then the end.
                        TraceText("Job: stop asked for, logging off\n");
                        stopping = true;
                        stopDeadline = Clock::now() + std::chrono::milliseconds(timing.logoffWaitMs) +
                                       std::chrono::milliseconds(timing.modemAnswerMs);
                        driver.RequestStop();
                    }
                    continue;
                }
                if (stopping) {
                    if (Clock::now() >= stopDeadline) {
                        TraceText("Job: the orderly end takes too long, ending the job\n");
                        break;
                    }
                    continue;
                }
                int32_t left = driver.CountDownWatchdog();
                if (left < 0) {
                    TraceText("Job: no step for too long, ending the job\n");
                    driver.ReportStall();
                    break;
                }
                if (driver.Expect() == ExpectDialResult)
                    postProgress(ProgressDialing, left);
            }
            driver.Stop();
        }
        // A dialogue that ran to its end with nothing to report has completed.
        outcome = driver.Outcome();
        if (outcome == JobOutcome::None)
            outcome = driver.IsFinished() ? JobOutcome::Completed : JobOutcome::Failed;
    }
    TracePrintf("Job: ended, %s\n", JobOutcomeWord(outcome));
    jobThread = nullptr;
    postProgress(ProgressEnded, static_cast<long>(outcome));
}

} // namespace

bool StartJob()
{
    std::lock_guard<std::mutex> guard(g_controlLock);
    if (jobThread.load() != nullptr)
        return false;
    g_workerThread.Join(); // the previous worker, which has cleared jobThread and is ending
    if ((!g_stopJobEvent.IsCreated() && !g_stopJobEvent.Create(true, false)) ||
        (!g_abortJobEvent.IsCreated() && !g_abortJobEvent.Create(true, false))) {
        TRACE_LAST_ERROR(static_cast<uint32_t>(LastSystemError()), "Job: Unable to CreateEvent: ");
        return false;
    }
    g_stopJobEvent.Reset();
    g_abortJobEvent.Reset();
    jobThread = &g_workerThread; // before the worker can clear it
    if (!g_workerThread.Start(JobWorkerThread)) {
        TRACE_LAST_ERROR(static_cast<uint32_t>(errno), "Job: Unable to create the job worker thread: ");
        jobThread = nullptr;
        return false;
    }
    return true;
}

bool IsJobRunning()
{
    return jobThread.load() != nullptr;
}

// The stop signals are set without the control lock, so that an abort gets through while another
// thread waits in StopJob or WaitForJobEnd. The events exist once a job has been started, and
// jobThread is set only after that.
void RequestStopJob()
{
    if (jobThread.load() != nullptr)
        g_stopJobEvent.Set();
}

void AbortJob()
{
    if (jobThread.load() != nullptr)
        g_abortJobEvent.Set();
    std::lock_guard<std::mutex> guard(g_controlLock);
    g_workerThread.Join();
}

void StopJob()
{
    RequestStopJob();
    std::lock_guard<std::mutex> guard(g_controlLock);
    g_workerThread.Join();
}

void WaitForJobEnd()
{
    std::lock_guard<std::mutex> guard(g_controlLock);
    g_workerThread.Join();
}
