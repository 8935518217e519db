#include "acquisition/CurveProcessing.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>

#include "acquisition/ApparaZQ735.h"
#include "plot/SpGraph735.h"
#include "spectra/SpCurveZQ735.h"
#include "text/GbkText.h"

bool ConvertSlotTA(TApparaZQ735& model, int slot)
{
    TSpCurveZQ735* curve = model.Graph().CurveAt(slot);
    TMeasureParams* p = model.ParamsOfSlot(slot);
    if (curve == nullptr || p == nullptr || p->Mode > 1)
        return false;
    {
        std::lock_guard lock(curve->Mutex);
        const int32_t n = curve->Info.PointCount;
        if (p->Mode == 0) {
            TransmittanceToAbsorbance(curve->GetData(), n);
            SetGbkField(curve->Info.YTitle, "吸光度");
        } else {
            AbsorbanceToTransmittance(curve->GetData(), n);
            SetGbkField(curve->Info.YTitle, "透过率");
        }
    }
    p->Mode = p->Mode == 0 ? 1 : 0;
    return true;
}

void FitViewToCurrentMode(TApparaZQ735& model)
{
    TSpGraph735& g = model.Graph();
    const TMeasureParams* p = model.ParamsOfSlot(g.CurrentIndex());
    if (g.CurrentCurve() == nullptr || p == nullptr)
        return;
    if (p->Mode == 1)
        g.SetYRange(-2.0f, 2.0f);
    else
        g.SetYRange(0.0f, 100.0f);
}

bool ConvertAllTA(TApparaZQ735& model)
{
    TSpGraph735& g = model.Graph();
    if (g.CurveCount == 0)
        return false;
    for (int slot = 0; slot < TSpGraph735::SlotCount; ++slot) {
        if (g.CurveAt(slot) != nullptr && !ConvertSlotTA(model, slot))
            return false;
    }
    FitViewToCurrentMode(model);
    g.CurveChanged();
    model.Sink().Post(UM_CURVE_LIST, 1, g.CurrentIndex());
    return true;
}

bool SameScanRange(const TMeasureParams& a, const TMeasureParams& b)
{
    return a.XStart == b.XStart && a.XEnd == b.XEnd && a.Speed == b.Speed;
}

bool SameGrid(TSpCurveZQ735& a, TSpCurveZQ735& b)
{
    const int32_t n = std::min(a.GetCount(), b.GetCount());
    if (&a == &b || n < 1)
        return true;
    std::vector<double> xa(static_cast<size_t>(n)), xb(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) {
        xa[static_cast<size_t>(i)] = a.WavenumberAtIndex(i);
        xb[static_cast<size_t>(i)] = b.WavenumberAtIndex(i);
    }
    double step = 1e-3 * std::max(1.0, std::fabs(xa[0]));
    for (size_t i = 1; i < xa.size(); ++i) {
        const double d = std::fabs(xa[i] - xa[i - 1]);
        if (i == 1 || d < step)
            step = d;
    }
    const double tolerance = step / 10.0;
    for (size_t i = 0; i < xa.size(); ++i)
        if (!(std::fabs(xa[i] - xb[i]) <= tolerance))
            return false;
    return true;
}

namespace {

// Whether a result can be stored: no value that was finite has become
// infinite or NaN, and a scaling (`scales`) has not wiped the curve out to
// zeros where some point and its factor were not zero (`factorNonZero(i)`).
template <class FactorNonZero>
bool ResultInRange(const float* before, const float* after, int32_t n, bool scales,
                   FactorNonZero factorNonZero)
{
    bool anyNonZero = false, couldStay = false;
    for (int32_t i = 0; i < n; ++i) {
        if (std::isfinite(before[i]) && !std::isfinite(after[i]))
            return false;
        anyNonZero = anyNonZero || after[i] != 0.0f;
        couldStay = couldStay || (before[i] != 0.0f && factorNonZero(i));
    }
    return !scales || anyNonZero || !couldStay;
}

bool Scales(TArithmeticOp op)
{
    return op == ArithMul || op == ArithDiv;
}

// Runs `fn` on a copy of the curve's values; stores the copy only when
// `inRange(before, after, n)` accepts it.
template <class Fn, class InRange>
bool ChangeChecked(TSpCurveZQ735& curve, Fn fn, InRange inRange)
{
    std::lock_guard lock(curve.Mutex);
    const int32_t n = curve.Info.PointCount;
    float* v = curve.GetData();
    std::vector<float> result(v, v + std::max(n, 0));
    fn(result.data(), n);
    if (!inRange(v, result.data(), n))
        return false;
    std::copy(result.begin(), result.end(), v);
    return true;
}

}  // namespace

const char* ArithmeticWithConstant(TSpCurveZQ735& first, TArithmeticOp op, float k)
{
    if (op == ArithDiv && !(std::fabs(k) > kArithmeticZero))
        return kDivisorTooSmallText;
    const bool done = ChangeChecked(
        first, [&](float* a, int32_t n) { CombineWithConstant(a, n, op, k); },
        [&](const float* before, const float* after, int32_t n) {
            return ResultInRange(before, after, n, Scales(op), [&](int32_t) { return k != 0.0f; });
        });
    return done ? nullptr : kOutOfRangeText;
}

const char* ExpandAbsorption(TSpCurveZQ735& curve, float k)
{
    if (!(std::fabs(k) > 1e-6f))
        return nullptr;
    bool inRange = true;
    {
        std::lock_guard lock(curve.Mutex);
        const int32_t n = curve.Info.PointCount;
        const float* v = curve.GetData();
        std::vector<float> result(v, v + std::max(n, 0));
        for (float& r : result)
            r = r / k;
        inRange = ResultInRange(v, result.data(), n, true, [](int32_t) { return true; });
    }
    if (!inRange)
        return kOutOfRangeText;
    // The curve form itself, so that the owner is told as for every change.
    ScaleAbsorption(curve, k);
    return nullptr;
}

const char* ArithmeticWithCurve(TSpCurveZQ735& first, const TMeasureParams& firstParams,
                                TSpCurveZQ735& second, const TMeasureParams& secondParams, TArithmeticOp op)
{
    if (!SameScanRange(firstParams, secondParams))
        return kRangesDifferText;
    if (!SameGrid(first, second))
        return kGridsDifferText;
    // A copy of the second curve's values, so that no two curve locks are
    // ever held together (and a curve combined with itself reads its own
    // values as they were).
    std::vector<float> b;
    {
        std::lock_guard lock(second.Mutex);
        const float* v = second.GetData();
        b.assign(v, v + second.Info.PointCount);
    }
    const auto nb = static_cast<int32_t>(b.size());
    const bool done = ChangeChecked(
        first, [&](float* a, int32_t n) { CombineWithValues(a, n, b.data(), nb, op); },
        [&](const float* before, const float* after, int32_t n) {
            // Only the points with a partner are combined.
            return ResultInRange(before, after, std::min(n, nb), Scales(op), [&](int32_t i) {
                return op == ArithDiv || b[static_cast<size_t>(i)] != 0.0f;
            });
        });
    return done ? nullptr : kOutOfRangeText;
}
