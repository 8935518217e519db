#include "spectra/SpTimeDrive.h"

#include <atomic>

namespace {
std::atomic<const TSpTimeDriveSource*> GTimeDriveSource{nullptr};
}

void SpSetTimeDriveSource(const TSpTimeDriveSource* source)
{
    GTimeDriveSource.store(source, std::memory_order_release);
}

const TSpTimeDriveSource* SpTimeDriveSource()
{
    return GTimeDriveSource.load(std::memory_order_acquire);
}

bool SpCurrentTimeAxis(TSpTimeAxis& axis)
{
    const TSpTimeDriveSource* source = SpTimeDriveSource();
    return source != nullptr && source->TimeDriveAxis(axis);
}
