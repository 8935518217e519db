#include "plot/GraphGeometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

TEST(GraphLayout, FrameAndPlotFollowTheLabelCell)
{
    const TGraphLayout l = ComputeGraphLayout(1000, 600, 56, 14);
    EXPECT_EQ(l.FrameLeft, 56);
    EXPECT_EQ(l.FrameRight, 972);
    EXPECT_EQ(l.FrameTop, 14);
    EXPECT_EQ(l.FrameBottom, 530);
    EXPECT_EQ(l.PlotLeft, 56);
    EXPECT_EQ(l.PlotRight, 972);
    EXPECT_EQ(l.PlotTop, 28);
    EXPECT_EQ(l.PlotBottom, 516);
    EXPECT_EQ(l.ReadoutX, 514);
    EXPECT_EQ(l.ReadoutY, 565);
}

TEST(GraphLayout, ShortSurfaceKeepsPlotInsideFrame)
{
    const TGraphLayout l = ComputeGraphLayout(300, 80, 56, 14);
    EXPECT_EQ(l.FrameTop, 14);
    EXPECT_EQ(l.FrameBottom, 10);
    EXPECT_EQ(l.PlotTop, 10);     // was FrameTop + cy = 28, beyond FrameBottom
    EXPECT_EQ(l.PlotBottom, 14);  // was FrameBottom - cy = -4, above FrameTop
}

TEST(GraphSplitPixel, TwoSegmentsAtHalfAndFullDensity)
{
    struct Case {
        float split, from, to;
        int left, right, expected;
    } cases[] = {
        // 2000 cm-1 above the split take as many pixels as 1000 below it.
        {2000, 4000, 400, 0, 1000, 384},
        {2000, 4000, 400, 56, 972, 56 + 352},
        // A split outside the view moves to the nearer end.
        {2000, 1800, 400, 0, 1000, 0},
        {2000, 4000, 2500, 0, 1000, 1000},
        // Time drive: the whole plot is the second segment.
        {0, 0, 600, 0, 1000, 0},
        // An ascending view: the first segment is the part below the split.
        {2000, 400, 4000, 0, 1000, 285},
        // A view of no width.
        {2000, 2000, 2000, 10, 1000, 10},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GraphSplitPixel(c.split, c.from, c.to, c.left, c.right), c.expected)
            << c.from << " -> " << c.to << " split " << c.split;
}

// A font of 7-pixel characters, 14 pixels high.
TTextExtent Fixed7(const std::string& s)
{
    return {static_cast<int32_t>(7 * s.size()), 14};
}

TAxisGeometry Geometry(float xFrom, float xTo, float split, float yFrom, float yTo, int w = 1000, int h = 600)
{
    const TGraphLayout l = ComputeGraphLayout(w, h, 63, 14);
    TAxisGeometry g;
    g.FrameLeft = l.FrameLeft;
    g.FrameRight = l.FrameRight;
    g.FrameTop = l.FrameTop;
    g.FrameBottom = l.FrameBottom;
    g.PlotLeft = l.PlotLeft;
    g.PlotRight = l.PlotRight;
    g.PlotTop = l.PlotTop;
    g.PlotBottom = l.PlotBottom;
    g.SplitX = split;
    g.SplitPixel = GraphSplitPixel(split, xFrom, xTo, l.PlotLeft, l.PlotRight);
    g.XFrom = xFrom;
    g.XTo = xTo;
    g.YFrom = yFrom;
    g.YTo = yTo;
    return g;
}

std::vector<TAxisLabel> AbscissaLabels(const TAxisPlan& p, const TAxisGeometry& g)
{
    std::vector<TAxisLabel> out;
    for (const auto& l : p.Ends)
        if (l.Y > g.FrameBottom)
            out.push_back(l);
    for (const auto& l : p.Grid)
        if (l.Vertical)
            out.push_back(l);
    std::sort(out.begin(), out.end(), [](const TAxisLabel& a, const TAxisLabel& b) { return a.X < b.X; });
    return out;
}

std::vector<TAxisLabel> OrdinateLabels(const TAxisPlan& p, const TAxisGeometry& g)
{
    std::vector<TAxisLabel> out;
    for (const auto& l : p.Ends)
        if (l.Y <= g.FrameBottom)
            out.push_back(l);
    for (const auto& l : p.Grid)
        if (!l.Vertical)
            out.push_back(l);
    std::sort(out.begin(), out.end(), [](const TAxisLabel& a, const TAxisLabel& b) { return a.Y < b.Y; });
    return out;
}

// Every grid label keeps more than the width of "00" from its neighbours on
// its axis, end and split labels included.
void ExpectNoGridLabelTouches(const TAxisPlan& p, const TAxisGeometry& g, int gap)
{
    const auto xs = AbscissaLabels(p, g);
    for (size_t i = 1; i < xs.size(); ++i) {
        if (xs[i - 1].Line < 0 && xs[i].Line < 0)
            continue;  // two end labels: their distance is the frame's business
        EXPECT_GT(xs[i].X - (xs[i - 1].X + xs[i - 1].W), gap - 2)
            << "abscissa labels " << xs[i - 1].Value << " and " << xs[i].Value;
    }
    const auto ys = OrdinateLabels(p, g);
    for (size_t i = 1; i < ys.size(); ++i)
        EXPECT_GT(ys[i].Y - (ys[i - 1].Y + ys[i - 1].H), gap - 2)
            << "ordinate labels " << ys[i - 1].Value << " and " << ys[i].Value;
}

TEST(GraphAxes, WavenumberAxisReads4000Then2000Then400)
{
    const TAxisGeometry g = Geometry(4000, 400, 2000, 0, 100);
    const TAxisPlan p = PlanGraphAxes(g, true, Fixed7, Fixed7);

    ASSERT_EQ(p.Ends.size(), 5u);
    EXPECT_FLOAT_EQ(p.Ends[0].Value, 4000.0f);
    EXPECT_FLOAT_EQ(p.Ends[1].Value, 400.0f);
    EXPECT_FLOAT_EQ(p.Ends[2].Value, 2000.0f);
    EXPECT_FLOAT_EQ(p.Ends[3].Value, 0.0f);
    EXPECT_FLOAT_EQ(p.Ends[4].Value, 100.0f);
    // The split label is centred on the split pixel; the start label on the
    // frame's left edge.
    EXPECT_EQ(p.Ends[2].X + p.Ends[2].W / 2, g.SplitPixel);
    EXPECT_EQ(p.Ends[0].X + p.Ends[0].W / 2, g.FrameLeft);

    // Grid values fall from 4000 toward 2000 left of the split and from 2000
    // toward 400 right of it, with pixels rising.
    const auto xs = AbscissaLabels(p, g);
    int above = 0, below = 0;
    for (size_t i = 1; i < xs.size(); ++i) {
        EXPECT_LT(xs[i].Value, xs[i - 1].Value);
        if (xs[i].Line < 0)
            continue;
        EXPECT_EQ(xs[i].Line, xs[i].X + xs[i].W / 2);
        (xs[i].Line < g.SplitPixel ? above : below)++;
    }
    EXPECT_GT(above, 2);
    EXPECT_GT(below, 2);
    // Equal pixel steps inside a segment, twice the wavenumbers per step above.
    std::vector<TAxisLabel> grid;
    for (const auto& l : p.Grid)
        if (l.Vertical)
            grid.push_back(l);
    const float stepAbove = grid[0].Value - grid[1].Value;
    const float stepBelow = grid[grid.size() - 2].Value - grid[grid.size() - 1].Value;
    const int pxAbove = grid[1].Line - grid[0].Line,
              pxBelow = grid[grid.size() - 1].Line - grid[grid.size() - 2].Line;
    EXPECT_NEAR(stepAbove / pxAbove, 2.0f * stepBelow / pxBelow, 0.1f);

    ExpectNoGridLabelTouches(p, g, 14);
    EXPECT_FALSE(OrdinateLabels(p, g).size() <= 2);
}

TEST(GraphAxes, LabelsNeverTouchWhateverTheView)
{
    struct Case {
        float xFrom, xTo, split, yFrom, yTo;
        int w, h;
    } cases[] = {
        {4000, 400, 2000, 0, 100, 1000, 600},         {4000, 400, 2000, -2, 2, 1600, 900},
        {4000, 400, 2000, 0, 100, 420, 300},          {3000, 2500, 2000, 0, 100, 800, 500},
        {1800, 400, 2000, 12.5f, 13, 800, 500},       {0, 600, 0, 0, 100, 1000, 600},
        {0, 12345, 0, -4095, 4095, 1000, 600},        {2100, 1900, 2000, 99, 101, 700, 400},
        {-4.0e7f, 4.0e7f, 0, -1e6f, 1e6f, 1000, 600},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.xFrom << " -> " << c.xTo << " on " << c.w << "x" << c.h);
        const TAxisGeometry g = Geometry(c.xFrom, c.xTo, c.split, c.yFrom, c.yTo, c.w, c.h);
        ExpectNoGridLabelTouches(PlanGraphAxes(g, true, Fixed7, Fixed7), g, 14);
    }
}

TEST(GraphAxes, CrowdedLabelsAreLeftOutWithTheirLines)
{
    // From 0.0 (three characters) the cells are narrow, but the values soon
    // need six: every other label or more must go.
    const TAxisGeometry g = Geometry(0, 600, 0, 0, 100);
    const TAxisPlan p = PlanGraphAxes(g, true, Fixed7, Fixed7);
    const int cellsDrawn = static_cast<int>(AbscissaLabels(p, g).size()) - 2;
    const int cells = (g.PlotRight - g.SplitPixel) / static_cast<int>(1.5 * 21) - 1;
    EXPECT_GT(cellsDrawn, 0);
    EXPECT_LT(cellsDrawn, cells / 2 + 1);
    ExpectNoGridLabelTouches(p, g, 14);
}

TEST(GraphAxes, SplitOutsideTheViewHasNoLabelAndNoFirstSegment)
{
    const TAxisGeometry g = Geometry(1800, 400, 2000, 0, 100);
    ASSERT_EQ(g.SplitPixel, g.PlotLeft);
    const TAxisPlan p = PlanGraphAxes(g, true, Fixed7, Fixed7);
    ASSERT_EQ(p.Ends.size(), 4u);
    for (const auto& l : p.Ends)
        EXPECT_NE(l.Value, 2000.0f);
    // The grid runs from 1800 toward 400 across the whole plot.
    const auto xs = AbscissaLabels(p, g);
    ASSERT_GT(xs.size(), 3u);
    EXPECT_LT(xs[1].Value, 1800.0f);
    EXPECT_GT(xs[1].Value, 1600.0f);
}

TEST(GraphAxes, NarrowSegmentsAndGridOffGetNoGrid)
{
    TAxisGeometry g = Geometry(4000, 400, 2000, 0, 100);
    EXPECT_TRUE(PlanGraphAxes(g, false, Fixed7, Fixed7).Grid.empty());
    EXPECT_EQ(PlanGraphAxes(g, false, Fixed7, Fixed7).Ends.size(), 5u);

    // A plot narrower than two cells (cell = 1.5 x 42 = 63 pixels) in each
    // segment: n <= 1, no grid line there.
    g.PlotLeft = g.FrameLeft = 100;
    g.PlotRight = g.FrameRight = 200;
    g.SplitPixel = GraphSplitPixel(2000, 4000, 400, 100, 200);
    for (const auto& l : PlanGraphAxes(g, true, Fixed7, Fixed7).Grid)
        EXPECT_FALSE(l.Vertical) << l.Value;
}

TEST(GraphAxes, MeasuredAsFixedButDrawnFromTheValue)
{
    EXPECT_EQ(FormatFixed1(4000.0f), "4000.0");
    EXPECT_EQ(FormatFixed2(100.0f), "100.00");
    EXPECT_EQ(FormatFixed2(-0.5f), "-0.50");
    // Ordinate labels are right-aligned to the frame by their two-decimal width.
    const TAxisGeometry g = Geometry(4000, 400, 2000, 0, 100);
    const TAxisPlan p = PlanGraphAxes(g, true, Fixed7, Fixed7);
    EXPECT_EQ(p.Ends[4].X + p.Ends[4].W, g.FrameLeft);
    EXPECT_EQ(p.Ends[4].W, 7 * 6);
}

}  // namespace
