#pragma once
// Stopwatch and millisecond delay of the instrument link.

#include <chrono>
#include <cstdint>

class FTime {
public:
    FTime();

    // Restarts the stopwatch. Always returns 1.
    int Start();
    // Milliseconds since the last Start; the value is also kept in LastMs().
    double ElapsedMs();
    double LastMs() const { return FLastMs; }
    // Waits at least `ms` milliseconds (0 or less returns at once). Always
    // returns 1. The wait sleeps rather than spins: the delays of the command
    // set are fixed pauses, and nothing is gained by burning a core on them.
    int DelayMs(double ms);

private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point FStart;
    Clock::time_point FLast;
    double FLastMs = 0.0;
};
