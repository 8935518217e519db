#pragma once
// How many times longer than its own budgets the link waits for the
// instrument's bytes: 1, unless the environment variable ZQ735_TIME_SCALE
// gives a factor from 1 to 1000 (read once, at the first wait). The budgets
// are sized for an instrument that answers at once; a test that runs the
// simulated instrument on a busy or sanitized machine stretches them, so that
// a thread that was not scheduled in time is never taken for a silent
// instrument. Pauses the command set makes on purpose (FTime::DelayMs) keep
// their length.
double LinkTimeScale();

// The factor a ZQ735_TIME_SCALE text gives: 1 for none, for anything that
// is not a number, and for numbers below 1 or above 1000.
double ParseTimeScale(const char* text);
