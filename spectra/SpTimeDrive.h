#pragma once
// Time drive: a scan at a fixed wavenumber whose abscissa is time. While the
// measurement record of graph slot 0 says so, every segment maps its values
// on the time axis of that record instead of on its own data range.
//
// That record lives in the instrument model, which sits above spectra/; the
// model (or a test) registers itself here as the source, and the segments
// ask it once per mapping or drawing pass. The registration is a single
// atomic pointer because the worker thread reads abscissas of curves while
// the window thread draws them.

#include <cstdint>

struct TSpTimeAxis {
    float Start = 0.0f;   // abscissa of the first point (XStart of the record)
    float End = 0.0f;     // abscissa of the last point (XEnd)
    int32_t Points = 0;   // ScanTime of the record
};

class TSpTimeDriveSource {
public:
    // True while the current measurement is a time drive; `axis` then
    // receives its time axis. Called from both threads: it must only read
    // values that are safe to read concurrently.
    virtual bool TimeDriveAxis(TSpTimeAxis& axis) const = 0;

protected:
    ~TSpTimeDriveSource() = default;
};

// Registers the source (null: no time drive). The source must outlive every
// curve that may still map or draw, or be unregistered first.
void SpSetTimeDriveSource(const TSpTimeDriveSource* source);
const TSpTimeDriveSource* SpTimeDriveSource();

// The time axis in force right now, or false when there is none.
bool SpCurrentTimeAxis(TSpTimeAxis& axis);
