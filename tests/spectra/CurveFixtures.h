#pragma once
// Descriptors and helpers shared by the curve tests.

#include "spectra/CurveInfo.h"
#include "spectra/SpCurveOwner.h"
#include "spectra/SpTimeDrive.h"

#include <cstring>
#include <vector>

namespace curvetest {

// A wavenumber scan 4000 -> 400 cm-1 as the graph templates it: 2 cm-1 steps
// above 2000 cm-1 (1001 points), 1 cm-1 below (1601 points), on a plot from
// column 0 to 1000 whose split column is 384.
inline TCurveInfo WavenumberInfo()
{
    TCurveInfo info = ZeroCurveInfo();
    std::strcpy(info.Name, "test");
    std::strcpy(info.XUnit, "cm-1");
    info.Capacity = 2601;
    info.XLimitMin = -4.0e7f;
    info.XLimitMax = 4.0e7f;
    info.YLimitMin = -4095.0f;
    info.YLimitMax = 4095.0f;
    info.XViewFrom = info.XDataFrom = 4000.0f;
    info.XViewTo = info.XDataTo = 400.0f;
    info.YViewFrom = info.YDataFrom = 0.0f;
    info.YViewTo = info.YDataTo = 100.0f;
    info.Color = 0x000000FFu;
    info.PlotLeft = 0;
    info.PlotRight = 1000;
    info.PlotTop = 20;
    info.PlotBottom = 220;
    info.FrameLeft = 0;
    info.FrameRight = 1000;
    info.FrameTop = 10;
    info.FrameBottom = 230;
    info.SplitPixel = 384;
    info.SplitX = 2000.0f;
    info.Seg1Count = 1001;
    info.Seg2Count = 1601;
    return info;
}

inline std::vector<float> Ramp(int n, float start = 0.0f, float step = 1.0f)
{
    std::vector<float> v(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        v[static_cast<std::size_t>(i)] = start + step * static_cast<float>(i);
    return v;
}

// An owner that only counts what it is told.
class TRecordingOwner : public TSpCurveOwner {
public:
    void CurveChanged() override { ++Changed; }
    int AttachCurve(TSpCurveZQ735*) override { return 0; }
    void CursorChanged(TSpCurveZQ735*, int, float, float) override {}
    int Changed = 0;
};

// Registers a time drive for the lifetime of the object.
class TScopedTimeDrive : public TSpTimeDriveSource {
public:
    TScopedTimeDrive(float start, float end, int32_t points) : FAxis{start, end, points}
    {
        SpSetTimeDriveSource(this);
    }
    ~TScopedTimeDrive() { SpSetTimeDriveSource(nullptr); }
    bool TimeDriveAxis(TSpTimeAxis& axis) const override
    {
        axis = FAxis;
        return true;
    }

private:
    TSpTimeAxis FAxis;
};

} // namespace curvetest
