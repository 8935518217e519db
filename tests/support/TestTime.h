#pragma once
// Time in the tests that talk to an instrument over a pseudo-terminal. The
// test run stretches the link's budgets and the simulated instrument's fault
// pauses by ZQ735_TIME_SCALE (LinkTimeScale()), so that a thread of a busy or
// sanitized machine that was not scheduled in time is never taken for a
// silent instrument. The tests' own waits and the bounds they set on
// durations stretch by the same factor: every ratio a test checks (a pause
// against the budget it should outlast, a wait against the echo budget it must
// not take) stays as it is, and every wait for an event is a safety limit.

#include <algorithm>
#include <cmath>

#include "link/TimeScale.h"

// `ms` stretched like the link's budgets.
inline int ScaledMs(double ms)
{
    return static_cast<int>(std::lround(ms * LinkTimeScale()));
}

// The safety limit of a wait for an event that is due: `ms` stretched, and
// never under a minute, so that only a real hang fails the wait.
inline int WaitLimitMs(double ms)
{
    return std::max(ScaledMs(ms), 60000);
}

// Seconds (or any duration) stretched like the link's budgets.
inline double Scaled(double value)
{
    return value * LinkTimeScale();
}
