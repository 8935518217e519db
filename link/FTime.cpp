#include "link/FTime.h"

FTime::FTime() { Start(); }

int FTime::Start()
{
    FStart = Clock::now();
    FLast = FStart;
    return 1;
}

double FTime::ElapsedMs()
{
    FLast = Clock::now();
    FLastMs = std::chrono::duration<double, std::milli>(FLast - FStart).count();
    return FLastMs;
}
