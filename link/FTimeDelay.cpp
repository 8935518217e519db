// The one blocking member of FTime, apart from the rest so that a build that
// must not wait (the command-set fuzz target) can put its own in its place.

#include "link/FTime.h"

#include <thread>

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
