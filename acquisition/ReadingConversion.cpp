#include "acquisition/ReadingConversion.h"

#include <cmath>

float TReadingConverter::Convert(int32_t sumA, int32_t sumB, uint8_t kind)
{
    const float A = static_cast<float>(sumA);
    const float B = static_cast<float>(sumB);
    const float h = K * A + B;
    const float e = B - K * A;
    const float m = std::fabs(h * 0.075976f);
    constexpr float energyPercent = 100.0f / 4095.0f;

    switch (kind) {
    case KindTransmittance:
    case KindAbsorbance: {
        float t = std::fabs(h) >= 1e-7f ? std::fabs(D * e / h) : 0.0f;
        const float c = std::fabs(m * energyPercent);
        const float P = PrevValue;
        if (c >= 5.0f && c < 25.0f)
            t = P + c * (t - P) * 0.04f;
        else if (c < 5.0f)
            t = P + c * (t - P) * 0.02f;
        if (StrayLightCorr) {
            for (int k = 1; k <= 6; ++k) {
                if (0.5f * k < t && t <= 0.5f * (k + 1))
                    t = t - 0.5f * k;
            }
        }
        PrevValue = t;
        if (kind == KindAbsorbance && t > 0.0f)
            t = 2.0f - std::log10(std::fabs(t));
        return t;
    }
    case KindEnergy:
        return m * energyPercent;
    case KindZeroReference:
        return std::fabs(A) >= 1e-7f ? std::fabs(B / A) : 1.0f;
    case KindFullReference:
        return std::fabs(e) >= 1e-7f ? h * 100.0f / e : 100.0f;
    default:
        return 0.0f;
    }
}

void TReadingConverter::StoreReference(int32_t a, int32_t b, uint8_t kind)
{
    const float v = Convert(a, b, kind);
    if (kind == KindZeroReference)
        K = v;
    else if (kind == KindFullReference)
        D = v;
}

bool TSmoother::Push(float x, float& y)
{
    auto S = [this] {
        return (-22.0f * W[0] + 88.0f * W[1] + 124.0f * W[2] + 88.0f * W[3] - 22.0f * W[4]) * 0.00390625f;
    };
    if (Count < 2) {
        W[2 + Count] = x;
        ++Count;
        return false;
    }
    W[4] = x;
    if (Count == 2) {
        Count = 3;
        W[0] = W[1] = W[2];
        y = S();
        W[1] = W[2];
        W[2] = W[3];
        W[3] = W[4];
        return true;
    }
    if (Count == 3)
        W[0] = W[1];
    ++Count;
    y = S();
    W[0] = W[1];
    W[1] = W[2];
    W[2] = W[3];
    W[3] = W[4];
    return true;
}

bool HundredValuesUsable(const float* values, int n)
{
    if (values == nullptr || n < 1)
        return false;
    for (int i = 0; i < n; ++i)
        if (!std::isfinite(values[i]) || !(values[i] > 0.0f))
            return false;
    return true;
}

float CorrectByBaseline(float y, float r, uint8_t mode)
{
    if (!(std::fabs(r) > 1e-7f))
        return y;
    if (mode == KindAbsorbance)
        return 2.0f - std::log10(std::fabs(100.0f * std::pow(10.0f, 2.0f - y) / r));
    return 100.0f * y / r;
}
