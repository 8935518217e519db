#include "acquisition/ThrTask.h"

#include "acquisition/SpTaskBase.h"

void TThrTask::Resume()
{
    if (!FThread.joinable())
        FThread = std::thread([this] { FTask.Run(); });
}

TThrTask::~TThrTask()
{
    if (FThread.joinable())
        FThread.join();
}
