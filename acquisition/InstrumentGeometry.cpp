#include "acquisition/InstrumentGeometry.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr TMotorRows Rows0{{720, 0, 86, 172, 258}, {720, 224, 174, 120, 68, 0}, {90, 0, 0}, 650};
constexpr TMotorRows Rows1{{1200, 0, 143, 287, 430}, {1200, 373, 290, 200, 113, 0}, {200, 0, 0}, 1083};

struct TBreakpoint {
    int Entry0, Entry1;
    int32_t Value;
};

// Slit program breakpoints: entry for motor type 0, entry for type 1, value
// (wavenumber x 10). The first value differs between the types.
constexpr TBreakpoint Breakpoints[] = {
    {0, 0, 34680},     {9, 15, 31800},    {19, 32, 29560},   {29, 49, 27640},   {39, 65, 26040},
    {49, 82, 25080},   {59, 99, 24440},   {69, 115, 23160},  {79, 132, 22520},  {89, 149, 19980},
    {119, 199, 18540}, {129, 215, 17740}, {139, 232, 17260}, {149, 249, 15660}, {159, 265, 15180},
    {169, 282, 12630}, {179, 299, 11670}, {189, 315, 10390}, {199, 332, 9750},  {209, 349, 9590},
    {219, 365, 9270},  {229, 382, 9190},  {239, 399, 9030},  {259, 432, 8390},  {269, 449, 8230},
    {279, 465, 7960},  {289, 482, 7730},  {299, 499, 7490},  {319, 532, 7050},  {359, 599, 6810},
    {379, 632, 6170},  {389, 649, 6090},  {399, 665, 5930},  {419, 699, 5770},  {439, 732, 4810},
    {449, 749, 4730},  {509, 849, 4370},  {555, 926, 4002},  {556, 927, 3999},
};
constexpr int32_t FirstValueType1 = 34800;

std::array<int32_t, SlitProgramSize> BuildProgram(int motorType)
{
    std::array<int32_t, SlitProgramSize> t{};  // entries past the last breakpoint stay 0
    constexpr int count = sizeof Breakpoints / sizeof Breakpoints[0];
    auto entry = [&](int k) { return motorType == 0 ? Breakpoints[k].Entry0 : Breakpoints[k].Entry1; };
    auto value = [&](int k) {
        return (k == 0 && motorType != 0) ? FirstValueType1 : Breakpoints[k].Value;
    };
    for (int k = 0; k + 1 < count; ++k) {
        const int a = entry(k), b = entry(k + 1);
        const double va = value(k), vb = value(k + 1);
        for (int i = a; i < b; ++i)
            t[i] = static_cast<int32_t>(std::floor(va + (vb - va) * (i - a) / (b - a) + 0.5));
    }
    t[entry(count - 1)] = value(count - 1);
    return t;
}

const std::array<int32_t, SlitProgramSize> Program0 = BuildProgram(0);
const std::array<int32_t, SlitProgramSize> Program1 = BuildProgram(1);

// Truncated toward zero, plus one when the cut-off part is above 0.9: the
// instrument's rounding of wavenumbers and steps.
int TruncUp09(float v)
{
    const int i = static_cast<int>(v);
    return (v - static_cast<float>(i) > 0.9f) ? i + 1 : i;
}

}  // namespace

const TMotorRows& MotorRowsOf(int motorType) { return motorType == 0 ? Rows0 : Rows1; }

const int32_t* SlitProgramOf(int motorType) { return motorType == 0 ? Program0.data() : Program1.data(); }

int StepsPerPoint(int speed)
{
    static constexpr int table[5] = {40, 20, 10, 5, 2};
    return (speed >= 0 && speed < 5) ? table[speed] : table[2];
}

int PeriodsPerPoint(int response)
{
    static constexpr int table[4] = {1, 2, 4, 8};
    return (response >= 0 && response < 4) ? table[response] : table[2];
}

int SlitCode(int slit)
{
    static constexpr int table[6] = {15, 15, 6, 5, 4, 3};
    return (slit >= 0 && slit < 6) ? table[slit] : table[3];
}

TPointCounts PointsBetween(float from, float to, int a, int b, int s)
{
    TPointCounts r;
    if (!(from >= to && from - to >= 1e-7f) || s <= 0)
        return r;
    // Ranges come from files too (an imported abscissa of 4e9): a range whose
    // step count no int holds has no points, like a range the wrong way round.
    const double most = std::max({std::fabs(double(from) - 2000.0), std::fabs(2000.0 - double(to)),
                                  double(from) - double(to)}) *
                        std::max({std::abs(double(a)), std::abs(double(b)), 1.0});
    if (!(most < 1.0e9))
        return r;
    if (from >= 2000.0f && to >= 2000.0f) {
        const int h = static_cast<int>((from - to) * static_cast<float>(a));
        r.N = h / s;
        r.Upper = r.N + 1;
    } else if (from > 2000.0f || to > 2000.0f) {
        const int l = static_cast<int>((from - 2000.0f) * static_cast<float>(a));
        const int m = static_cast<int>((2000.0f - to) * static_cast<float>(b));
        r.Upper = l / s + 1;
        r.Lower = m / s + 1;
        r.N = (l + m) / s;
    } else {
        const int h = static_cast<int>((from - to) * static_cast<float>(b));
        r.N = h / s;
        r.Lower = r.N + 1;
    }
    return r;
}

float BandLowerBound(float x)
{
    if (x > 2175.0f && x <= 4000.0f)
        return 2175.0f;
    if (x > 1200.0f && x <= 2175.0f)
        return 1200.0f;
    if (x > 700.0f && x <= 1200.0f)
        return 700.0f;
    if (x > 400.0f && x <= 700.0f)
        return 400.0f;
    return 0.0f;
}

int SlitIndex(float x, const int32_t* t)
{
    const int v = TruncUp09(x * 10.0f);
    constexpr int n = SlitProgramSize - 1;
    if (t[0] < v)
        return 0;
    if (v < t[n - 1])
        return n - 1;
    int lo = 0, hi = n, mid = (lo + hi) / 2;
    while (mid != lo && t[mid] != v) {
        if (t[mid] < v)
            hi = mid;
        else
            lo = mid;
        mid = (lo + hi) / 2;
    }
    return mid + 1;
}

float SlitBreak(float x, const int32_t* t) { return static_cast<float>(t[SlitIndex(x, t)]) * 0.1f; }

float SegmentEnd(float x, float viewTo, const int32_t* t)
{
    float e = viewTo;
    const float band = BandLowerBound(x);
    if (band > e)
        e = band;
    const float slit = SlitBreak(x, t);
    if (slit > e)
        e = slit;
    return e;
}

float NextPointX(float x, int a, int b, int s, float viewTo)
{
    const int k = static_cast<int>(static_cast<float>(a) * 2000.005f);
    const int q = x >= 2000.0f ? static_cast<int>((4000.0f - x + 0.005f) * static_cast<float>(a))
                               : static_cast<int>((2000.0f - x + 0.005f) * static_cast<float>(b)) + k;
    const int p = s + q;
    const float y = k < p ? 2000.0f - static_cast<float>(p - k) / static_cast<float>(b)
                          : 4000.0f - static_cast<float>(p) / static_cast<float>(a);
    return y > viewTo ? y : viewTo;
}

float WavenumberAtSteps(int position, int a, int b)
{
    if (position > 2000 * a)
        return 2000.0f - static_cast<float>(position - 2000 * a) / static_cast<float>(b);
    return 4000.0f - static_cast<float>(position) / static_cast<float>(a);
}

int GratingStepsTo(float x, int position, int a, int b, int maxX)
{
    const float v = x >= 2000.0f
                        ? (static_cast<float>(maxX) - x) * static_cast<float>(a) - static_cast<float>(position)
                        : static_cast<float>(a) * (static_cast<float>(maxX) - 2000.0f) +
                              (2000.0f - x) * static_cast<float>(b) - static_cast<float>(position);
    return TruncUp09(v);
}

int FilterBand(float x)
{
    if (x > 2175.0f)
        return 1;
    if (x > 1200.0f)
        return 2;
    if (x > 700.0f)
        return 3;
    return 4;
}
