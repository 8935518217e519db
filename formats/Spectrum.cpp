#include "formats/Spectrum.h"

#include <algorithm>
#include <cmath>

std::size_t TSpectrum::PointCount() const
{
    std::size_t n = 0;
    for (std::size_t k = 0; k < Parts.size(); ++k)
        n += Parts[k].Y.size() - (k > 0 && !Parts[k].Y.empty() ? 1 : 0);
    return n;
}

void TSpectrum::Flatten(std::vector<double>& x, std::vector<double>& y) const
{
    x.clear();
    y.clear();
    for (std::size_t k = 0; k < Parts.size(); ++k) {
        const TSpectrumPart& p = Parts[k];
        for (std::size_t i = (k > 0 ? 1 : 0); i < p.Y.size(); ++i) {
            x.push_back(p.XAt(i));
            y.push_back(p.Y[i]);
        }
    }
}

namespace {

// Points lo..hi lie on a uniform grid when none strays from the straight line
// between the ends by more than a hundredth of the spacing (files written
// with few decimals still count as uniform).
bool Uniform(const std::vector<double>& x, std::size_t lo, std::size_t hi)
{
    if (hi <= lo + 1)
        return true;
    const double d = (x[hi] - x[lo]) / static_cast<double>(hi - lo);
    for (std::size_t i = lo + 1; i < hi; ++i)
        if (std::fabs(x[i] - (x[lo] + d * static_cast<double>(i - lo))) > 0.01 * std::fabs(d))
            return false;
    return true;
}

TSpectrumPart PartOf(const std::vector<double>& x, const std::vector<double>& y, std::size_t lo, std::size_t hi)
{
    TSpectrumPart p;
    p.FirstX = x[lo];
    p.LastX = x[hi];
    p.Y.assign(y.begin() + static_cast<long>(lo), y.begin() + static_cast<long>(hi) + 1);
    return p;
}

}  // namespace

bool PartsFromPoints(const std::vector<double>& x, const std::vector<double>& y, std::vector<TSpectrumPart>& parts,
                     std::string& error)
{
    parts.clear();
    const std::size_t n = x.size();
    if (n == 0 || y.size() != n) {
        error = "no data points";
        return false;
    }
    if (n == 1) {
        parts.push_back(PartOf(x, y, 0, 0));
        return true;
    }
    const bool rising = x[1] > x[0];
    for (std::size_t i = 1; i < n; ++i) {
        if (!std::isfinite(x[i]) || (rising ? x[i] <= x[i - 1] : x[i] >= x[i - 1])) {
            error = "the abscissas are not strictly " + std::string(rising ? "rising" : "falling") +
                    " at point " + std::to_string(i + 1);
            return false;
        }
    }
    if (Uniform(x, 0, n - 1)) {
        parts.push_back(PartOf(x, y, 0, n - 1));
        return true;
    }
    // Two runs sharing the point where the spacing changes.
    const double d0 = x[1] - x[0];
    std::size_t k = 1;
    while (k + 1 < n && std::fabs((x[k + 1] - x[k]) - d0) <= 0.01 * std::fabs(d0))
        ++k;
    if (k + 1 < n && Uniform(x, 0, k) && Uniform(x, k, n - 1)) {
        parts.push_back(PartOf(x, y, 0, k));
        parts.push_back(PartOf(x, y, k, n - 1));
        return true;
    }
    // Anything else: one uniform grid of as many points, values interpolated.
    TSpectrumPart p;
    p.FirstX = x.front();
    p.LastX = x.back();
    p.Y.resize(n);
    std::size_t j = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double xi = p.XAt(i);
        while (j + 2 < n && (rising ? x[j + 1] < xi : x[j + 1] > xi))
            ++j;
        const double t = (xi - x[j]) / (x[j + 1] - x[j]);
        p.Y[i] = y[j] + std::clamp(t, 0.0, 1.0) * (y[j + 1] - y[j]);
    }
    parts.push_back(std::move(p));
    return true;
}

bool SpectrumValueAt(const TSpectrum& s, double x, double& y)
{
    for (const TSpectrumPart& p : s.Parts) {
        const std::size_t n = p.Y.size();
        if (n == 0)
            continue;
        const double lo = std::min(p.FirstX, p.LastX), hi = std::max(p.FirstX, p.LastX);
        if (x < lo || x > hi)
            continue;
        if (n == 1) {
            y = p.Y[0];
            return true;
        }
        const double pos = (x - p.FirstX) / (p.LastX - p.FirstX) * static_cast<double>(n - 1);
        const std::size_t i = std::min(static_cast<std::size_t>(std::max(pos, 0.0)), n - 2);
        const double t = pos - static_cast<double>(i);
        y = p.Y[i] + t * (p.Y[i + 1] - p.Y[i]);
        return true;
    }
    return false;
}

void FillRangesFromData(TSpectrum& s)
{
    std::vector<double> x, y;
    s.Flatten(x, y);
    if (x.empty())
        return;
    TMeasureParams& p = s.Params;
    if (s.TimeDrive()) {
        p.XStart = static_cast<float>(x.front());
        p.XEnd = static_cast<float>(x.back());
        // The time axis maps ScanTime points from XStart to XEnd.
        p.ScanTime = static_cast<float>(x.size());
    } else {
        p.XStart = static_cast<float>(std::max(x.front(), x.back()));
        p.XEnd = static_cast<float>(std::min(x.front(), x.back()));
    }
    double lo = 0, hi = 0;
    bool any = false;
    for (double v : y)
        if (std::isfinite(v)) {
            lo = any ? std::min(lo, v) : v;
            hi = any ? std::max(hi, v) : v;
            any = true;
        }
    if (p.Mode == 0) {
        lo = std::min(0.0, std::floor(lo));
        hi = std::max(102.0, std::ceil(hi));
    } else if (p.Mode == 1) {
        lo = std::min(0.0, std::floor(lo * 10) / 10);
        hi = std::max(0.1, std::ceil(hi * 10) / 10);
    } else if (!any || hi - lo < 1e-6) {
        lo -= 1;
        hi += 1;
    } else {
        const double pad = 0.05 * (hi - lo);
        lo -= pad;
        hi += pad;
    }
    p.YStart = static_cast<float>(lo);
    p.YEnd = static_cast<float>(hi);
}
