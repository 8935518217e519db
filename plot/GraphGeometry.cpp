#include "plot/GraphGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

TGraphLayout ComputeGraphLayout(int32_t w, int32_t h, int32_t cx, int32_t cy)
{
    TGraphLayout l;
    l.FrameLeft = std::min(cx, w);
    l.FrameRight = std::max(w - cx / 2, 0);
    l.FrameTop = std::min(cy, h);
    l.FrameBottom = std::max(h - 5 * cy, 0);
    l.PlotLeft = l.FrameLeft;
    l.PlotRight = l.FrameRight;
    l.PlotTop = l.FrameTop + cy;
    l.PlotBottom = l.FrameBottom - cy;
    // A surface too small for the text lines still gets ordered rectangles.
    if (l.PlotTop > l.FrameBottom)
        l.PlotTop = l.FrameBottom;
    if (l.PlotBottom < l.FrameTop)
        l.PlotBottom = l.FrameTop;
    l.ReadoutX = (l.PlotLeft + l.PlotRight) / 2;
    l.ReadoutY = l.FrameBottom + (5 * cy) / 2;
    return l;
}

int32_t GraphSplitPixel(float splitX, float xFrom, float xTo, int32_t plotLeft, int32_t plotRight)
{
    float b = splitX;
    if (splitX >= xFrom && splitX >= xTo)
        b = std::max(xFrom, xTo);
    if (splitX <= xFrom && splitX <= xTo)
        b = std::min(xFrom, xTo);
    float h = (b - xFrom) * 0.5f;  // the first segment counts half
    float l = xTo - b;
    int32_t px = plotLeft;
    if (std::fabs(h + l) >= 1e-7f) {
        float off = static_cast<float>(plotRight - plotLeft) * h / (h + l);
        px = plotLeft + static_cast<int32_t>(off);
    }
    return std::clamp(px, std::min(plotLeft, plotRight), std::max(plotLeft, plotRight));
}

std::string FormatFixed1(float v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%1.1f", static_cast<double>(v));
    return buf;
}

std::string FormatFixed2(float v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%1.2f", static_cast<double>(v));
    return buf;
}

TAxisPlan PlanGraphAxes(const TAxisGeometry& g, bool showGrid, const TMeasureText& endFont,
                        const TMeasureText& gridFont)
{
    TAxisPlan plan;
    const int32_t gap = gridFont("00").W;
    const int32_t sp = g.SplitPixel;

    // Abscissa start, centred under the frame's left edge.
    TTextExtent e = endFont(FormatFixed1(g.XFrom));
    plan.Ends.push_back({g.XFrom, g.FrameLeft - e.W / 2, g.FrameBottom + e.H / 2, e.W, e.H});
    int32_t lastRight = g.FrameLeft + e.W / 2;

    // Abscissa end, two thirds of it left of the frame's right edge.
    e = endFont(FormatFixed1(g.XTo));
    const int32_t endLeft =
        static_cast<int32_t>(static_cast<float>(g.FrameRight) - static_cast<float>(e.W) * 2.0f / 3.0f);
    plan.Ends.push_back({g.XTo, endLeft, g.FrameBottom + e.H / 2, e.W, e.H});

    // The split value, when it keeps its distance from both ends. Its place is
    // kept clear of grid labels even when it is left out.
    e = endFont(FormatFixed1(g.SplitX));
    const int32_t splitLeft = sp - e.W / 2;
    const int32_t splitRight = sp + e.W / 2;
    if (splitLeft - lastRight > gap && endLeft - splitRight > gap)
        plan.Ends.push_back({g.SplitX, splitLeft, g.FrameBottom + e.H / 2, e.W, e.H});

    // Ordinate ends, right-aligned to the frame's left edge.
    e = endFont(FormatFixed2(g.YFrom));
    plan.Ends.push_back({g.YFrom, g.FrameLeft - e.W, g.PlotBottom - e.H / 2, e.W, e.H});
    int32_t lowTop = g.PlotBottom - e.H / 2;
    e = endFont(FormatFixed2(g.YTo));
    plan.Ends.push_back({g.YTo, g.FrameLeft - e.W, g.PlotTop - e.H / 2, e.W, e.H});
    const int32_t highBottom = g.PlotTop + e.H / 2;

    if (!showGrid)
        return plan;

    const TTextExtent cell = gridFont(FormatFixed1(g.XFrom));
    const int32_t stepX = static_cast<int32_t>(1.5f * static_cast<float>(cell.W));
    const int32_t stepY = 3 * cell.H;

    // One abscissa segment: n equal pixel steps between `left` and `right`,
    // values running linearly from `from` to `to`; labels must stay clear of
    // lastRight on the left and of `limit` on the right.
    auto segment = [&](int32_t left, int32_t right, float from, float to, int32_t limit) {
        if (stepX <= 0)
            return;
        const int32_t n = (right - left) / stepX;
        for (int32_t i = 1; i < n; ++i) {
            const int32_t px = (right - left) * i / n + left;
            const float v = from - static_cast<float>(i) * (from - to) / static_cast<float>(n);
            const TTextExtent t = gridFont(FormatFixed1(v));
            if (px - t.W / 2 - lastRight > gap && limit - (px + t.W / 2) > gap) {
                plan.Grid.push_back({v, px - t.W / 2, g.FrameBottom + t.H / 2, t.W, t.H, px, true});
                lastRight = px + t.W / 2;
            }
        }
    };
    segment(g.PlotLeft, sp, g.XFrom, g.SplitX > g.XTo ? g.SplitX : g.XTo, splitLeft);
    lastRight = splitRight;
    segment(sp, g.PlotRight, g.SplitX >= g.XFrom ? g.XFrom : g.SplitX, g.XTo, endLeft);

    // Ordinate: labels from the bottom up, each clear of the one below it and
    // of the top end label.
    if (stepY > 0) {
        const int32_t span = g.PlotBottom - g.PlotTop;
        const int32_t n = span / stepY;
        for (int32_t i = 1; i < n; ++i) {
            const int32_t py = g.PlotBottom - span * i / n;
            const float v = g.YFrom + static_cast<float>(i) * (g.YTo - g.YFrom) / static_cast<float>(n);
            const TTextExtent t = gridFont(FormatFixed2(v));
            if (py - t.H / 2 - highBottom > gap && lowTop - (py + t.H / 2) > gap) {
                plan.Grid.push_back({v, g.PlotLeft - t.W, py - t.H / 2, t.W, t.H, py, false});
                lowTop = py - t.H / 2;
            }
        }
    }
    return plan;
}
