#pragma once
// The arithmetic of a curve's two segments: how many values a scan needs,
// where the shared point at the scale change sits in the array, and how the
// data range is cut at the split abscissa. Plain functions of plain numbers.

#include <algorithm>
#include <cstdint>

// Values of a curve with c1 points above the split and c2 below it. The point
// at the split belongs to both segments, so it is counted once when both
// exist. Negative counts count as 0.
constexpr int32_t CurveCapacity(int32_t c1, int32_t c2)
{
    c1 = std::max(c1, 0);
    c2 = std::max(c2, 0);
    return (c1 > 0 && c2 > 0) ? c1 + c2 - 1 : c1 + c2;
}

// Array index of the point at the split: the last of the first segment and
// the first of the second. 0 when there is no first segment (time drive).
constexpr int32_t CurveSplitIndex(int32_t c1)
{
    return c1 >= 1 ? c1 - 1 : 0;
}

template <class T>
constexpr T ClampTo(T v, T lo, T hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}

struct TDataSplit {
    float Seg1From, Seg1To;  // data range of the first segment
    float Seg2From, Seg2To;  // data range of the second segment
};

// Cuts the data range [from, to] at splitX. A descending range (a wavenumber
// scan 4000 -> 400) gives the part above the split to the first segment; an
// ascending one gives it the part below. A split outside the range leaves one
// segment with an empty range at the split value's nearer end. A range of
// one abscissa (a curve of one point) is that abscissa in both segments.
constexpr TDataSplit SplitDataRange(float from, float to, float splitX)
{
    if (from == to)
        return {from, to, from, to};
    if (from > to)
        return {std::max(from, splitX), std::max(to, splitX), std::min(from, splitX), std::min(to, splitX)};
    return {std::min(from, splitX), std::min(to, splitX), std::max(from, splitX), std::max(to, splitX)};
}

// The split abscissa as seen inside a view: clamped into the view's span,
// whichever way the view runs.
constexpr float SplitInView(float splitX, float viewFrom, float viewTo)
{
    return ClampTo(splitX, std::min(viewFrom, viewTo), std::max(viewFrom, viewTo));
}
