// The job worker: runs theJob (job/ProgrammingJob.h) on a thread of its own, with the modem
// driver, under a watchdog, and reports to theJob.notifyWindow (WM_SHOW_PROGRESS, WM_SET_TEXT).
// Its last act is WM_SHOW_PROGRESS ProgressEnded. One job at a time.
//
// Called from the front end's thread. The front end fills theJob (and checks it with ValidateJob)
// before StartJob and does not write it while IsJobRunning().
#pragma once

// Starts the worker for theJob. Does nothing and returns false while a job runs (or when no
// thread could be made); true when the worker was started.
bool StartJob();

// True from StartJob until the worker has ended the job.
bool IsJobRunning();

// Stops a running job now: the driver is stopped, the port closed and the modem hangs up.
// Returns when the worker has ended. Does nothing when no job runs. For a front end that is closing.
void StopJob();

// Waits until no job runs any more and the worker thread is released.
void WaitForJobEnd();
