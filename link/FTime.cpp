#include "link/FTime.h"

#include <thread>

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

int FTime::DelayMs(double ms)
{
    if (!(ms > 0.0))
        return 1;
    const auto until = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                          std::chrono::duration<double, std::milli>(ms));
    // sleep_until may wake early on some clocks; the loop keeps "at least".
    while (Clock::now() < until)
        std::this_thread::sleep_until(until);
    return 1;
}
