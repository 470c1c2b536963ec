// The job worker: runs theJob (model/ProgrammingJob.h) on a thread of its own, with the modem
// driver, under a watchdog, and reports to theJob.notifyWindow (WM_SHOW_PROGRESS, WM_SET_TEXT).
// Its last act is WM_SHOW_PROGRESS ProgressEnded, whose count is the JobOutcome (model/JobOutcome.h).
// One job at a time.
//
// Called from the front end's thread. The front end fills theJob (and checks it with ValidateJob)
// before StartJob and does not write it while IsJobRunning().
#pragma once

// Starts the worker for theJob. Does nothing and returns false while a job runs (or when no
// thread could be made); true when the worker was started.
bool StartJob();

// True from StartJob until the worker has ended the job.
bool IsJobRunning();

// Asks a running job to stop the orderly way and returns at once: a unit that is logged in is
// sent the log-off "99" (its answer awaited up to 3 s), then the modem is reset with "ATZ" and the
// port closed. ProgressEnded follows as for any job end. Does nothing when no job runs.
void RequestStopJob();
// RequestStopJob, then waits until the worker has ended. For a front end that is closing.
void StopJob();
// Stops a running job now, with nothing more sent: the driver is stopped, the port closed and the
// modem hangs up. Returns when the worker has ended. For a second Ctrl-C, or a stop that must not wait.
void AbortJob();

// Waits until no job runs any more and the worker thread is released.
void WaitForJobEnd();
