#include "worker/JobRunner.h"

#include "worker/JobWorker.h"

bool CJobWorkerRunner::Start()
{
    return StartJob();
}

bool CJobWorkerRunner::IsRunning()
{
    return IsJobRunning();
}

void CJobWorkerRunner::Stop()
{
    StopJob();
}

void CJobWorkerRunner::RequestStop()
{
    RequestStopJob();
}
