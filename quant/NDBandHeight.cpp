#include "quant/NDBandHeight.h"

#include "spectra/SpCurveZQ735.h"
#include "text/GbkText.h"

#include <cmath>
#include <mutex>

namespace {

// Linear interpolation at wavenumber w; false outside the points.
bool ValueAt(const std::vector<float>& x, const std::vector<float>& y, float w, double& v)
{
    const size_t n = std::min(x.size(), y.size());
    for (size_t i = 0; i + 1 < n; ++i) {
        const double x0 = x[i], x1 = x[i + 1];
        const bool inside = (x0 <= w && w <= x1) || (x1 <= w && w <= x0);
        if (!inside)
            continue;
        if (x1 == x0) {
            v = y[i];
        } else {
            v = y[i] + (static_cast<double>(y[i + 1]) - y[i]) * (w - x0) / (x1 - x0);
        }
        return true;
    }
    if (n == 1 && x[0] == w) {
        v = y[0];
        return true;
    }
    return false;
}

}  // namespace

int NDBandHeight(const std::vector<float>& x, const std::vector<float>& y, bool absorbance,
                 const TNDBandPlaces& places, float& height)
{
    if (!(std::fabs(places.Base1 - places.Base2) > 1e-3f))
        return NDBandBadSpec;
    const float at[3] = {places.Band, places.Base1, places.Base2};
    double a[3];
    for (int i = 0; i < 3; ++i) {
        double v;
        if (!ValueAt(x, y, at[i], v))
            return NDBandOutside;
        if (!absorbance) {
            // %T at or below 1e-6 has no logarithm.
            if (v <= 1e-6)
                return NDBandNoLight;
            v = -std::log10(v / 100.0);
        }
        a[i] = v;
    }
    const double base = a[1] + (a[2] - a[1]) * (static_cast<double>(places.Band) - places.Base1) /
                                   (static_cast<double>(places.Base2) - places.Base1);
    height = static_cast<float>(a[0] - base);
    return NDBandOk;
}

bool NDCurveSamples(TSpCurveZQ735& curve, std::vector<float>& x, std::vector<float>& y, bool& absorbance)
{
    // The worker may be appending to the curve: one lock for the whole copy.
    std::lock_guard<TSpMutex> lock(curve.Mutex);
    const std::string title = GbkFieldToUtf8(curve.Info.YTitle);
    if (title.rfind("吸光度", 0) == 0)
        absorbance = true;
    else if (title.rfind("透过率", 0) == 0)
        absorbance = false;
    else
        return false;
    const int32_t n = curve.GetCount();
    if (n < 2)
        return false;
    x.resize(static_cast<size_t>(n));
    y.resize(static_cast<size_t>(n));
    const float* values = curve.GetData();
    for (int32_t i = 0; i < n; ++i) {
        x[static_cast<size_t>(i)] = curve.XAtIndex(i);
        y[static_cast<size_t>(i)] = values[i];
    }
    return true;
}
