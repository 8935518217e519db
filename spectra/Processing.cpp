#include "spectra/Processing.h"

#include "spectra/SpCurveOwner.h"
#include "spectra/SpCurveZQ735.h"

#include <cmath>
#include <mutex>

void TransmittanceToAbsorbance(float* v, int32_t n)
{
    for (int32_t i = 0; i < n; ++i) {
        const double t = v[i];
        v[i] = t > 1e-6 ? static_cast<float>(2.0 - std::log10(t)) : 4.0f;
    }
}

void AbsorbanceToTransmittance(float* v, int32_t n)
{
    for (int32_t i = 0; i < n; ++i)
        v[i] = static_cast<float>(std::pow(10.0, 2.0 - static_cast<double>(v[i])));
}

namespace {

// Runs `fn` on the curve's values under its lock; tells the owner afterwards,
// outside the lock, when there was anything to change.
template <class Fn>
void ChangeValues(TSpCurveZQ735& curve, Fn fn)
{
    {
        std::lock_guard lock(curve.Mutex);
        const int32_t n = curve.Info.PointCount;
        if (n < 1 || !fn(curve.GetData(), n))
            return;
    }
    if (curve.Owner != nullptr)
        curve.Owner->CurveChanged();
}

}  // namespace

void ScaleAbsorption(TSpCurveZQ735& curve, float k)
{
    if (!(std::fabs(k) > 1e-6f))
        return;
    ChangeValues(curve, [k](float* v, int32_t n) {
        for (int32_t i = 0; i < n; ++i)
            v[i] = v[i] / k;
        return true;
    });
}

void SmoothValues(float* v, int32_t n)
{
    if (n < 1)
        return;
    long double p1 = v[0], p2 = v[0], p3 = v[0];
    const long double last = v[n - 1];
    for (int32_t i = 0; i < n; ++i) {
        const long double c = v[i];
        long double r1 = last, r2 = last, r3 = last;
        if (i <= n - 5) {
            r1 = v[i + 1];
            r2 = v[i + 2];
            r3 = v[i + 3];
        }
        const long double s = (-2.0L * (r3 + p3) + 3.0L * (r2 + p2) + 6.0L * (r1 + p1) + 7.0L * c) / 21.0L;
        v[i] = static_cast<float>(s);
        p3 = p2;
        p2 = p1;
        p1 = s;
    }
}

void DifferentiateValues(float* v, int32_t n)
{
    if (n < 1)
        return;
    if (n == 1) {
        v[0] = 0.0f;
        return;
    }
    long double prev = v[0];
    for (int32_t i = 0; i < n; ++i) {
        const long double c = v[i];
        long double d;
        if (i == 0)
            d = static_cast<long double>(v[1]) - c;
        else if (i == n - 1)
            d = c - prev;
        else
            d = static_cast<long double>(v[i + 1]) - prev;
        v[i] = static_cast<float>(d);
        prev = c;
    }
}

void Smooth(TSpCurveZQ735& curve)
{
    ChangeValues(curve, [](float* v, int32_t n) {
        SmoothValues(v, n);
        return true;
    });
}

void Differentiate(TSpCurveZQ735& curve)
{
    ChangeValues(curve, [](float* v, int32_t n) {
        DifferentiateValues(v, n);
        return true;
    });
}

namespace {

float Combine(float a, float b, TArithmeticOp op)
{
    switch (op) {
    case ArithAdd: return a + b;
    case ArithSub: return a - b;
    case ArithMul: return a * b;
    case ArithDiv: return a / b;
    }
    return a;
}

}  // namespace

void CombineWithConstant(float* a, int32_t n, TArithmeticOp op, float k)
{
    for (int32_t i = 0; i < n; ++i)
        a[i] = Combine(a[i], k, op);
}

void CombineWithValues(float* a, int32_t na, const float* b, int32_t nb, TArithmeticOp op)
{
    const int32_t n = na < nb ? na : nb;
    for (int32_t i = 0; i < n; ++i) {
        float d = b[i];
        if (op == ArithDiv && std::fabs(d) < kArithmeticZero)
            d = 1.0f;
        a[i] = Combine(a[i], d, op);
    }
}
