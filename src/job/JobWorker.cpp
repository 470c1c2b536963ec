// The job worker thread: one per job, started by StartJob on the front end's thread. It owns the
// job's CModemDriver, keeps the watchdog over it, stops it, and reports ProgressEnded as its last
// act. jobThread is the busy flag: set by StartJob before the worker runs, cleared by the worker
// once the driver has been stopped and the port closed.
#include "job/JobWorker.h"

#include <atomic>
#include <cerrno>
#include <mutex>

#include "diag/Trace.h"
#include "job/JobMessages.h"
#include "job/ProgrammingJob.h"
#include "modem/DialogueTiming.h"
#include "modem/ModemDriver.h"
#include "platform/Event.h"
#include "platform/NotifyWindow.h"
#include "platform/Thread.h"

namespace {

std::mutex g_controlLock; // StartJob, StopJob and WaitForJobEnd, one at a time
CThread g_workerThread;
std::atomic<CThread*> jobThread{nullptr};
CEvent g_stopJobEvent; // manual-reset: the front end wants the job stopped now

void PostProgress(ProgressStage stage, long count)
{
    if (theJob.notifyWindow != nullptr)
        theJob.notifyWindow->PostMessage(WM_SHOW_PROGRESS, stage, CMessageValue::Number(count));
}

void JobWorkerThread()
{
    const DialogueTiming timing = GetDialogueTiming();
    {
        CModemDriver driver(&theJob);
        if (driver.Start()) {
            for (;;) {
                uint32_t result = WaitForObjects({&g_stopJobEvent, &driver.FinishedEvent()}, timing.workerTickMs);
                if (result == WAIT_OBJECT_0) {
                    TraceText("Job: stopped by the front end\n");
                    break;
                }
                if (result == WAIT_FAILED) {
                    TRACE_LAST_ERROR(static_cast<uint32_t>(errno), "Job: Unable to wait: ");
                    break;
                }
                if (result == WAIT_OBJECT_0 + 1 || driver.IsFinished())
                    break;
                int32_t left = driver.CountDownWatchdog();
                if (left < 0) {
                    TraceText("Job: no step for too long, ending the job\n");
                    break;
                }
                if (driver.Expect() == ExpectDialResult)
                    PostProgress(ProgressDialing, left);
            }
            driver.Stop();
        }
    }
    jobThread = nullptr;
    PostProgress(ProgressEnded, 0);
}

} // namespace

bool StartJob()
{
    std::lock_guard<std::mutex> guard(g_controlLock);
    if (jobThread.load() != nullptr)
        return false;
    g_workerThread.Join(); // the previous worker, which has cleared jobThread and is ending
    if (!g_stopJobEvent.IsCreated() && !g_stopJobEvent.Create(true, false)) {
        TRACE_LAST_ERROR(static_cast<uint32_t>(errno), "Job: Unable to CreateEvent: ");
        return false;
    }
    g_stopJobEvent.Reset();
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

void RequestStopJob()
{
    std::lock_guard<std::mutex> guard(g_controlLock);
    if (jobThread.load() != nullptr)
        g_stopJobEvent.Set();
}

void AbortJob()
{
    std::lock_guard<std::mutex> guard(g_controlLock);
    if (jobThread.load() != nullptr)
        g_stopJobEvent.Set();
    g_workerThread.Join();
}

void StopJob()
{
    std::lock_guard<std::mutex> guard(g_controlLock);
    if (jobThread.load() != nullptr)
        g_stopJobEvent.Set();
    g_workerThread.Join();
}

void WaitForJobEnd()
{
    std::lock_guard<std::mutex> guard(g_controlLock);
    g_workerThread.Join();
}
