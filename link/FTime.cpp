#include "link/FTime.h"
#include "link/TimeScale.h"

#include <cmath>
#include <cstdlib>

double ParseTimeScale(const char* text)
{
    if (text == nullptr || *text == '\0')
        return 1.0;
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0' || !std::isfinite(v) || v < 1.0 || v > 1000.0)
        return 1.0;
    return v;
}

double LinkTimeScale()
{
    static const double scale = ParseTimeScale(std::getenv("ZQ735_TIME_SCALE"));
    return scale;
}

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
