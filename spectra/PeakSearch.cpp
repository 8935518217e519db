#include "spectra/PeakSearch.h"

#include "spectra/SpCurveOwner.h"
#include "spectra/SpCurveZQ735.h"
#include "surface/SpImage.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <mutex>

namespace {

using TLock = std::lock_guard<TSpMutex>;

// Bounds of the tracked extremes before the first value is seen.
constexpr float NoMin = 50000.0f;
constexpr float NoMax = 0.0f;

std::string Format(const char* fmt, double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

void PeakPass(const float* v, int32_t start, int32_t end, float t, int32_t cap, std::vector<TExtremum>& out)
{
    int phase = 0;
    float lo1 = NoMin, hi = NoMax, lo2 = NoMin;
    TExtremum e;
    for (int32_t g = start; g < end; ++g) {
        const float k = v[g];
        const float nx = v[g + 1];
        switch (phase) {
            case 0:  // descending to the first minimum
                if (k <= lo1) {
                    lo1 = k;
                    e.Left = g;
                }
                if (nx > lo1) {
                    phase = 1;
                    hi = k;
                    e.Index = g;
                }
                break;
            case 1:  // rising to the maximum
                if (k > hi) {
                    hi = k;
                    e.Index = g;
                }
                if (nx <= hi) {
                    phase = 2;
                    lo2 = k;
                    e.Right = g;
                }
                break;
            default:  // falling to the second minimum
                if (k <= lo2) {
                    lo2 = k;
                    e.Right = g;
                }
                if (nx > lo2) {
                    if (hi - std::max(lo1, lo2) >= t && static_cast<int32_t>(out.size()) < cap)
                        out.push_back(e);
                    phase = 0;
                    lo1 = NoMin;
                    hi = NoMax;
                    lo2 = NoMin;
                }
                break;
        }
    }
}

void ValleyPass(const float* v, int32_t start, int32_t end, float t, int32_t cap, std::vector<TExtremum>& out)
{
    int phase = 0;
    float hi1 = NoMax, lo = NoMin, hi2 = NoMax;
    TExtremum e;
    for (int32_t g = start; g < end; ++g) {
        const float k = v[g];
        const float nx = v[g + 1];
        switch (phase) {
            case 0:  // rising to the first maximum
                if (k >= hi1) {
                    hi1 = k;
                    e.Left = g;
                }
                if (nx < hi1) {
                    phase = 1;
                    lo = k;
                    e.Index = g;
                }
                break;
            case 1:  // falling to the minimum
                if (k < lo) {
                    lo = k;
                    e.Index = g;
                }
                if (nx >= lo) {
                    phase = 2;
                    hi2 = k;
                    e.Right = g;
                }
                break;
            default:  // rising to the second maximum
                if (k >= hi2) {
                    hi2 = k;
                    e.Right = g;
                }
                if (nx < hi2) {
                    if (std::min(hi1, hi2) - lo >= t && static_cast<int32_t>(out.size()) < cap)
                        out.push_back(e);
                    phase = 0;
                    hi1 = NoMax;
                    lo = NoMin;
                    hi2 = NoMax;
                }
                break;
        }
    }
}

// The ordinate a band is measured on.
double Signal(float y, bool transmittance)
{
    if (!transmittance)
        return y;
    // Near-zero transmittance is floored before the logarithm.
    const double t = std::max(static_cast<double>(y) / 100.0, 1e-6);
    return -std::log10(t);
}

}  // namespace

TExtremaFound SearchExtrema(const float* v, int32_t start, int32_t end, float threshold, int32_t peakCapacity,
                            int32_t valleyCapacity)
{
    TExtremaFound found;
    if (v == nullptr || start >= end)
        return found;
    PeakPass(v, start, end, threshold, std::max(peakCapacity, 0), found.Peaks);
    ValleyPass(v, start, end, threshold, std::max(valleyCapacity, 0), found.Valleys);
    return found;
}

TAbsorptionBands AbsorptionBandsOf(int mode, bool timeDrive)
{
    if (timeDrive)
        return TAbsorptionBands::None;
    if (mode == 0)
        return TAbsorptionBands::TransmittanceValleys;
    if (mode == 1)
        return TAbsorptionBands::AbsorbancePeaks;
    return TAbsorptionBands::None;
}

TExtremum TurningPointsOf(const float* v, int32_t n, int32_t index, bool valley)
{
    TExtremum e{index, index, index};
    if (v == nullptr || index < 0 || index >= n)
        return e;
    // Outward from a valley the flanks rise to its maxima, from a peak they
    // fall to its minima. Leftward a flat top ends the walk (its last point
    // is the turning point); rightward it is crossed to its last point.
    auto rises = [valley](float from, float to) { return valley ? to > from : to < from; };
    auto keeps = [valley](float from, float to) { return valley ? to >= from : to <= from; };
    while (e.Left > 0 && rises(v[e.Left], v[e.Left - 1]))
        --e.Left;
    while (e.Right < n - 1 && keeps(v[e.Right], v[e.Right + 1]))
        ++e.Right;
    return e;
}

TBandMetrics BandMetrics(const float* x, const float* y, const TExtremum& e, bool valley, bool transmittance)
{
    TBandMetrics m;
    const int32_t l = std::min(e.Left, e.Right), r = std::max(e.Left, e.Right);
    if (x == nullptr || y == nullptr)
        return m;
    m.Measured = true;
    if (e.Index <= l || e.Index >= r)
        return m;
    // On absorbance a %T valley is a peak.
    const bool up = transmittance ? valley : !valley;
    const double xl = x[l], xr = x[r];
    const double sl = Signal(y[l], transmittance), sr = Signal(y[r], transmittance);
    if (xr == xl)
        return m;
    // Height over the straight baseline through the turning points, counted
    // in the direction the band points.
    auto d = [&](int32_t i) {
        const double base = sl + (sr - sl) * (x[i] - xl) / (xr - xl);
        const double s = Signal(y[i], transmittance);
        return up ? s - base : base - s;
    };
    const double h = d(e.Index);
    if (!(h > 0.0))
        return m;
    const double half = h / 2.0;
    // Where the band falls through half its height on either side; a flank
    // that never gets there ends at its turning point.
    auto crossing = [&](int32_t from, int32_t step, int32_t stop) {
        for (int32_t i = from; i != stop; i += step) {
            const int32_t j = i + step;
            const double di = d(i), dj = d(j);
            if (dj <= half)
                return x[i] + (half - di) * (x[j] - x[i]) / (dj - di);
        }
        return static_cast<double>(x[stop]);
    };
    const double left = crossing(e.Index, -1, l);
    const double right = crossing(e.Index, +1, r);
    m.Fwhm = static_cast<float>(std::fabs(right - left));
    // The area of the band is what stands above the baseline around it: a
    // turning point far off on one side tilts the baseline over the far
    // flank, and what lies under it there belongs to no band.
    double area = 0.0;
    auto integrate = [&](int32_t step, int32_t stop) {
        for (int32_t i = e.Index; i != stop; i += step) {
            const int32_t j = i + step;
            const double di = d(i), dj = d(j), dx = std::fabs(static_cast<double>(x[j]) - x[i]);
            if (dj <= 0.0) {
                // Up to where the band meets its baseline.
                area += dx * di * di / (2.0 * (di - dj));
                return;
            }
            area += dx * (di + dj) / 2.0;
        }
    };
    integrate(-1, l);
    integrate(+1, r);
    m.Area = static_cast<float>(area);
    return m;
}

std::string PeakAbscissaText(float x)
{
    return Format("%3.3f", x);
}

std::string PeakValueText(float value)
{
    return Format("%3.1f", value);
}

std::string BandFwhmText(float fwhm)
{
    return Format("%1.1f", fwhm);
}

std::string BandAreaText(float area)
{
    return Format("%1.3f", area);
}

std::string BandFwhmText(const TBandMetrics& band)
{
    return band.Measured ? BandFwhmText(band.Fwhm) : std::string();
}

std::string BandAreaText(const TBandMetrics& band)
{
    return band.Measured ? BandAreaText(band.Area) : std::string();
}

// --- the curve's operations --------------------------------------------------------

void TSpCurveZQ735::FindPeaks(float threshold, uint8_t labelMode, float* peakX, float* peakY, float* valleyX,
                              float* valleyY, int32_t peakCapacity, int32_t valleyCapacity, int32_t& peakCount,
                              int32_t& valleyCount)
{
    TLock lock(Mutex);
    peakCount = 0;
    valleyCount = 0;
    PeakList.clear();
    ValleyList.clear();
    PeakExtrema.clear();
    ValleyExtrema.clear();
    const int32_t start = IndexOfX(Info.XViewFrom);
    const int32_t end = IndexOfX(Info.XViewTo);
    if (Info.PointCount < 1 || start >= end)
        return;
    // Outputs that are not there hold nothing.
    if (peakX == nullptr || peakY == nullptr)
        peakCapacity = 0;
    if (valleyX == nullptr || valleyY == nullptr)
        valleyCapacity = 0;
    TExtremaFound found = SearchExtrema(Values.data(), start, end, threshold, peakCapacity, valleyCapacity);
    for (const TExtremum& e : found.Peaks) {
        PeakList.push_back(e.Index);
        peakX[peakCount] = XAtIndex(e.Index);
        peakY[peakCount] = Values[static_cast<std::size_t>(e.Index)];
        ++peakCount;
    }
    for (const TExtremum& e : found.Valleys) {
        ValleyList.push_back(e.Index);
        valleyX[valleyCount] = XAtIndex(e.Index);
        valleyY[valleyCount] = Values[static_cast<std::size_t>(e.Index)];
        ++valleyCount;
    }
    PeakExtrema = std::move(found.Peaks);
    ValleyExtrema = std::move(found.Valleys);
    if (peakCount > 0 || valleyCount > 0) {
        ShowPeakMarks = true;
        ShowValleyMarks = true;
        PeakLabelMode = labelMode;
        DrawPeakMarks();
    }
}

void TSpCurveZQ735::SetPeakMarks(bool showPeaks, bool showValleys)
{
    TLock lock(Mutex);
    ShowPeakMarks = showPeaks;
    ShowValleyMarks = showValleys;
}

void TSpCurveZQ735::DrawPeakMarks()
{
    if (Image == nullptr)
        return;
    TLock lock(Mutex);
    const bool byAbscissa = PeakLabelMode == 0;
    Image->SetTextAngle(byAbscissa ? 900 : 0);
    auto draw = [&](const std::vector<int32_t>& list, bool valleys) {
        int k = 0;
        for (const int32_t i : list) {
            ++k;
            if (i < 0 || i >= Info.PointCount)
                continue;
            const float x = XAtIndex(i);
            const float value = Values[static_cast<std::size_t>(i)];
            const int32_t px = PixelOfX(x);
            const int32_t py = PixelOfY(value);
            const std::string text = byAbscissa ? Format("%1.1f", x) : std::to_string(k);
            const QSize ext = Image->TextExtent(text);
            const int32_t w = ext.width(), h = ext.height();
            int32_t left, top;
            if (byAbscissa) {
                // Upright text: its height runs along the abscissa.
                left = px - h / 2;
                top = valleys ? py + w + 1 : py - 1;
            } else {
                left = px - w / 2;
                top = valleys ? py + 1 : py - h;
            }
            if (left < Info.PlotLeft || left > Info.PlotRight)
                continue;
            Image->DrawText(left, top, text);
        }
    };
    if (ShowPeakMarks)
        draw(PeakList, false);
    if (ShowValleyMarks)
        draw(ValleyList, true);
    Image->SetTextAngle(0);
}

void TSpCurveZQ735::BandMetricsOf(TAbsorptionBands bands, std::vector<TBandMetrics>& peaks,
                                  std::vector<TBandMetrics>& valleys)
{
    TLock lock(Mutex);
    peaks.assign(PeakExtrema.size(), TBandMetrics{});
    valleys.assign(ValleyExtrema.size(), TBandMetrics{});
    if (bands == TAbsorptionBands::None)
        return;
    const bool transmittance = bands == TAbsorptionBands::TransmittanceValleys;
    const std::vector<TExtremum>& list = transmittance ? ValleyExtrema : PeakExtrema;
    std::vector<TBandMetrics>& out = transmittance ? valleys : peaks;
    const int32_t n = Info.PointCount;
    std::vector<float> x(static_cast<std::size_t>(std::max(n, 0)));
    for (int32_t i = 0; i < n; ++i)
        x[static_cast<std::size_t>(i)] = XAtIndex(i);
    for (std::size_t k = 0; k < list.size(); ++k) {
        // Values processed since the search may have shrunk the curve.
        const int32_t index = list[k].Index;
        if (index < 0 || index >= n)
            continue;
        // Between the band's own turning points on the whole curve: the
        // search's are cut by the view and miss a maximum shared with the
        // band before.
        const TExtremum e = TurningPointsOf(Values.data(), n, index, transmittance);
        out[k] = BandMetrics(x.data(), Values.data(), e, transmittance, transmittance);
    }
}
