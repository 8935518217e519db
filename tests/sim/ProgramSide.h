#pragma once
// What the program does with the instrument's bytes and where it puts the
// motors, reduced to what the simulator's tests need to judge the instrument
// by: the two demodulated sums of a point, the reading conversion with its
// zero and full-scale references, and the filter and slit positions the
// program drives to for a wavenumber (motor type 1).

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace programside {

// Sums over one point of P periods of 60 samples.
inline void PointSums(const uint16_t* w, int periods, int32_t& a, int32_t& b)
{
    int32_t ta = 0, tb = 0;
    for (int p = 0; p < periods; ++p)
        for (int i = 0; i < 60; ++i) {
            const int32_t v = w[p * 60 + i];
            ta += ((i <= 5 || i >= 36) ? v : -v);
            tb += ((i <= 3 || (i >= 19 && i <= 33) || i >= 49) ? v : -v);
        }
    a = ta / periods;
    b = tb / periods;
}

// The reading conversion, single precision as the program does it.
struct TConverter {
    float K = 1.0f;
    float D = 100.0f;
    float Prev = 100.0f;
    bool StrayLight = false;
    float LastEnergyPercent = 0;

    float Convert(int32_t sa, int32_t sb, int kind)
    {
        const float a = static_cast<float>(sa), b = static_cast<float>(sb);
        const float h = K * a + b, e = b - K * a;
        const float m = std::fabs(h * 0.075976f);
        LastEnergyPercent = std::fabs(m * 0.02442002442002442f);
        switch (kind) {
        case 0:
        case 1: {
            float t = std::fabs(h) >= 1e-7f ? std::fabs(D * e / h) : 0.0f;
            const float c = LastEnergyPercent;
            if (c >= 5 && c < 25)
                t = Prev + c * (t - Prev) * 0.04f;
            else if (c < 5)
                t = Prev + c * (t - Prev) * 0.02f;
            if (StrayLight)
                for (int k = 1; k <= 6; ++k)
                    if (0.5f * k < t && t <= 0.5f * (k + 1))
                        t -= 0.5f * k;
            Prev = t;
            if (kind == 1 && t > 0)
                t = 2 - std::log10(std::fabs(t));
            return t;
        }
        case 2: return m * 0.02442002442002442f;
        case 3: return std::fabs(a) >= 1e-7f ? std::fabs(b / a) : 1.0f;
        case 4: return std::fabs(e) >= 1e-7f ? h * 100 / e : 100.0f;
        default: return 0;
        }
    }
};

// Grating steps from the 4000 cm-1 reference.
inline int GratingSteps(double x)
{
    return x >= 2000 ? static_cast<int>(std::lround((4000 - x) * 5)) : 10000 + static_cast<int>(std::lround((2000 - x) * 10));
}

// Filter wheel position for the band of x.
inline int FilterPosition(double x)
{
    return x > 2175 ? 0 : x > 1200 ? 143 : x > 700 ? 287 : 430;
}

// Slit program of motor type 1: wavenumber x 10 down to which slit step i applies.
inline const std::vector<int32_t>& SlitProgram()
{
    static const std::vector<int32_t> table = [] {
        static const int bp[][2] = {
            {0, 34800},   {15, 31800},  {32, 29560},  {49, 27640},  {65, 26040},  {82, 25080},  {99, 24440},
            {115, 23160}, {132, 22520}, {149, 19980}, {199, 18540}, {215, 17740}, {232, 17260}, {249, 15660},
            {265, 15180}, {282, 12630}, {299, 11670}, {315, 10390}, {332, 9750},  {349, 9590},  {365, 9270},
            {382, 9190},  {399, 9030},  {432, 8390},  {449, 8230},  {465, 7960},  {482, 7730},  {499, 7490},
            {532, 7050},  {599, 6810},  {632, 6170},  {649, 6090},  {665, 5930},  {699, 5770},  {732, 4810},
            {749, 4730},  {849, 4370},  {926, 4002},  {927, 3999}};
        std::vector<int32_t> t(929, 0);
        for (size_t k = 0; k + 1 < std::size(bp); ++k)
            for (int i = bp[k][0]; i <= bp[k + 1][0]; ++i)
                t[static_cast<size_t>(i)] = static_cast<int32_t>(std::floor(
                    bp[k][1] + (bp[k + 1][1] - bp[k][1]) * double(i - bp[k][0]) / (bp[k + 1][0] - bp[k][0]) + 0.5));
        return t;
    }();
    return table;
}

inline int SlitIndex(double x)
{
    const auto& t = SlitProgram();
    const int n = 928;
    const double tx = x * 10;
    int v = static_cast<int>(tx);
    if (tx - v > 0.9)
        ++v;
    if (t[0] < v)
        return 0;
    if (v < t[n - 1])
        return n - 1;
    int lo = 0, hi = n, mid = (lo + hi) / 2;
    while (mid != lo && t[static_cast<size_t>(mid)] != v) {
        if (t[static_cast<size_t>(mid)] < v)
            hi = mid;
        else
            lo = mid;
        mid = (lo + hi) / 2;
    }
    return mid + 1;
}

// Slit position for x with the operator's slit setting 1..5.
inline int SlitPosition(double x, int slit)
{
    static const int offset[6] = {1200, 373, 290, 200, 113, 0};
    return std::min(SlitIndex(x) + offset[slit], 1083);
}

}  // namespace programside
