#include "acquisition/SpTaskBase.h"

#include <chrono>
#include <thread>

void TSpTaskBase::OnMotorSteps(int, int) {}

void TSpTaskBase::Hook1() {}

void TSpTaskBase::Hook2() {}

int TSpTaskBase::OnScanData(const int16_t*, int)
{
    return 0;
}

void TSpTaskBase::Run() {}

void TSpTaskBase::OnWait(int, int) {}

void TSpTaskBase::Shutdown()
{
    // The worker may be inside a long command (a scan runs for minutes); it
    // sees the flag at its next loop pass. Sleeping between the checks keeps
    // the window thread from burning a core meanwhile.
    while (!IsFinished()) {
        SetStopRequested(true);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

bool TSpTaskBase::IsFinished() const
{
    return FFinished.load(std::memory_order_acquire);
}
