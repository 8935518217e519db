#include "spectra/DataTable.h"

#include "spectra/SpCurveZQ735.h"

TDataTableColumns DataTableColumns(TSpCurveZQ735& curve, bool timeDrive, float xStart, float xEnd,
                                   int32_t scanTime)
{
    TDataTableColumns t;
    t.TimeDrive = timeDrive;
    const int32_t n = curve.GetCount();
    const float* v = curve.GetData();
    t.Y.assign(v, v + n);
    if (!timeDrive) {
        t.X.resize(static_cast<size_t>(n));
        for (int32_t i = 0; i < n; ++i)
            t.X[static_cast<size_t>(i)] = curve.XAtIndex(i);
        return t;
    }
    // Entries beyond the drive's own length keep their stored abscissa.
    t.X.resize(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i)
        t.X[static_cast<size_t>(i)] = curve.XAtIndex(i);
    const float step = scanTime > 1 ? (xEnd - xStart) / static_cast<float>(scanTime - 1) : 0.0f;
    float time = 0.0f;
    for (int32_t i = 0; i < n && i < scanTime; ++i) {
        if (i > 0)
            time += step;
        t.X[static_cast<size_t>(i)] = i == scanTime - 1 ? static_cast<float>(scanTime) : time;
    }
    return t;
}
