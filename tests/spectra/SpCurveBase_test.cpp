// Segment mappings and storage, without any drawing surface.

#include "spectra/SpCurveBase.h"

#include "tests/spectra/CurveFixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace curvetest;

namespace {

// The first segment of a 4000 -> 400 scan: 4000 down to 2000 cm-1 in 2 cm-1
// steps on columns 0 ... 384.
TCurveInfo UpperSegmentInfo()
{
    TCurveInfo info = WavenumberInfo();
    info.XViewTo = info.XDataTo = 2000.0f;
    info.PlotRight = info.FrameRight = 384;
    info.Capacity = 1001;
    return info;
}

class TCountingSegment : public TSpCurveBase {
public:
    using TSpCurveBase::TSpCurveBase;
    void OnRestart() override { ++Restarts; }
    int Restarts = 0;
};

void Fill(TSpCurveBase& seg)
{
    const std::vector<float> v = Ramp(seg.Capacity);
    seg.AppendPoints(v.data(), seg.Capacity);
}

TEST(SpCurveBase, IndexAndAbscissaRoundTripOverAFullSegment)
{
    struct Case { const char* name; float from, to; int32_t capacity; };
    const Case cases[] = {
        {"2 cm-1 steps", 4000.0f, 2000.0f, 1001},
        {"1 cm-1 steps", 2000.0f, 400.0f, 1601},
        {"uneven steps", 4000.0f, 400.0f, 2601},   // 1.3846... cm-1
        {"ascending", 0.0f, 123.4f, 977},
    };
    for (const Case& c : cases) {
        TCurveInfo info = WavenumberInfo();
        info.XDataFrom = c.from;
        info.XDataTo = c.to;
        info.Capacity = c.capacity;
        TSpCurveBase seg(nullptr, info);
        Fill(seg);
        ASSERT_EQ(seg.Count, c.capacity);
        for (int32_t i = 0; i < c.capacity; ++i)
            ASSERT_EQ(seg.XToIndex(seg.IndexToX(i)), i) << c.name << " index " << i;
        EXPECT_FLOAT_EQ(seg.IndexToX(0), c.from) << c.name;
        EXPECT_FLOAT_EQ(seg.IndexToX(c.capacity - 1), c.to) << c.name;
    }
}

TEST(SpCurveBase, AbscissaBetweenPointsTruncatesCapacityTimesItsFraction)
{
    TSpCurveBase seg(nullptr, UpperSegmentInfo());
    Fill(seg);
    EXPECT_FLOAT_EQ(seg.IndexToX(1), 3998.0f);
    EXPECT_EQ(seg.XToIndex(3999.0f), 0);     // 1001 * 1/2000 = 0.50
    EXPECT_EQ(seg.XToIndex(3997.0f), 1);     // 1.50
    EXPECT_EQ(seg.XToIndex(2003.0f), 999);   // 999.5
    EXPECT_EQ(seg.XToIndex(5000.0f), 0);     // clamped
    EXPECT_EQ(seg.XToIndex(100.0f), 1000);

    // Only stored values are reachable.
    seg.Clear();
    const std::vector<float> v = Ramp(10);
    seg.AppendPoints(v.data(), 10);
    EXPECT_EQ(seg.XToIndex(2500.0f), 9);
}

TEST(SpCurveBase, PixelMappingsOfADescendingView)
{
    TCurveInfo info = WavenumberInfo();
    info.PlotLeft = 10;
    info.PlotRight = 1010;
    TSpCurveBase seg(nullptr, info);

    struct Case { float x; int32_t px; };
    const Case columns[] = {
        {4000.0f, 10}, {400.0f, 1010}, {2200.0f, 510},
        {4500.0f, 10},       // left of the view
        {300.0f, 1009},      // right of the view: one inside the edge
        {4.0e7f, 10}, {-4.0e7f, 1009},
        {std::numeric_limits<float>::infinity(), 10},
    };
    for (const Case& c : columns)
        EXPECT_EQ(seg.XToPixel(c.x), c.px) << "x " << c.x;

    EXPECT_FLOAT_EQ(seg.PixelToX(10), 4000.0f);
    EXPECT_FLOAT_EQ(seg.PixelToX(510), 2200.0f);
    EXPECT_FLOAT_EQ(seg.PixelToX(0), 4000.0f);      // column clamped into the plot
    EXPECT_FLOAT_EQ(seg.PixelToX(2000), 400.0f);

    // The result is kept inside the limits even when the view is not.
    seg.SetLimits(1000.0f, 3000.0f, -10.0f, 10.0f);
    seg.XViewFrom = 4000.0f;
    EXPECT_FLOAT_EQ(seg.PixelToX(10), 3000.0f);
    EXPECT_FLOAT_EQ(seg.PixelToY(20), 10.0f);
}

TEST(SpCurveBase, RowsOutsideTheViewSitJustOutsideThePlot)
{
    TSpCurveBase seg(nullptr, WavenumberInfo());   // view 0 -> 100 on rows 220 -> 20
    struct Case { float y; int32_t row; };
    const Case rows[] = {
        {0.0f, 220}, {100.0f, 20}, {50.0f, 120}, {25.0f, 170},
        {100.5f, 15},        // above: PlotTop - 5
        {-0.6f, 225},        // below: PlotBottom + 5
        {999999.0f, 15}, {-999999.0f, 225},
        // Huge values get no computed row: they go to the outside row of
        // their side of the view.
        {1.0e6f, 15}, {3.0e38f, 15}, {-1.0e6f, 225},
        {std::numeric_limits<float>::infinity(), 15},
        {std::numeric_limits<float>::quiet_NaN(), 225},
    };
    for (const Case& c : rows)
        EXPECT_EQ(seg.YToPixel(c.y), c.row) << "y " << c.y;

    EXPECT_FLOAT_EQ(seg.PixelToY(120), 50.0f);
    EXPECT_FLOAT_EQ(seg.PixelToY(0), 100.0f);

    // A view running downwards puts large values below the plot.
    seg.SetViewRange(4000.0f, 400.0f, 100.0f, 0.0f);
    EXPECT_EQ(seg.YToPixel(2.0e6f), 225);
    EXPECT_EQ(seg.YToPixel(-2.0e6f), 15);
    EXPECT_EQ(seg.YToPixel(0.0f), 20);
}

TEST(SpCurveBase, ZeroWidthRangesFallBackInsteadOfDividing)
{
    // Columns 0 ... 1000 show 4000 -> 400, rows 220 ... 20 show 0 -> 100.
    struct Case {
        const char* name;
        void (*shape)(TCurveInfo&);
        float xAt1000, yAt120, xOf1;
        int32_t indexOf3997, colOf4000, colOf400, rowOf50;
    };
    const Case cases[] = {
        {"as given", [](TCurveInfo&) {}, 400.0f, 50.0f, 3998.6154f, 2, 0, 1000, 120},
        {"view of zero width", [](TCurveInfo& i) { i.XViewTo = i.XViewFrom; },
         4000.0f, 50.0f, 3998.6154f, 2, 0, 0, 120},
        {"plot of zero width", [](TCurveInfo& i) { i.PlotLeft = i.PlotRight = 300; },
         4000.0f, 50.0f, 3998.6154f, 2, 300, 300, 120},
        {"plot ending at column 0", [](TCurveInfo& i) { i.PlotRight = 0; },
         4000.0f, 50.0f, 3998.6154f, 2, 0, 0, 120},
        {"plot of zero height", [](TCurveInfo& i) { i.PlotTop = i.PlotBottom = 50; },
         400.0f, 0.0f, 3998.6154f, 2, 0, 1000, 50},
        {"ordinate view of zero height", [](TCurveInfo& i) { i.YViewTo = i.YViewFrom; },
         400.0f, 0.0f, 3998.6154f, 2, 0, 1000, 20},
        {"data range of zero width", [](TCurveInfo& i) { i.XDataTo = i.XDataFrom; },
         400.0f, 50.0f, 4000.0f, 0, 0, 1000, 120},
        {"a single value", [](TCurveInfo& i) { i.Capacity = 1; },
         400.0f, 50.0f, 4000.0f, 0, 0, 1000, 120},
    };
    for (const Case& c : cases) {
        TCurveInfo info = WavenumberInfo();
        c.shape(info);
        TSpCurveBase seg(nullptr, info);
        Fill(seg);
        EXPECT_FLOAT_EQ(seg.PixelToX(1000), c.xAt1000) << c.name;
        EXPECT_FLOAT_EQ(seg.PixelToY(120), c.yAt120) << c.name;
        EXPECT_NEAR(seg.IndexToX(1), c.xOf1, 1e-3) << c.name;
        EXPECT_EQ(seg.XToIndex(3997.0f), c.indexOf3997) << c.name;
        EXPECT_EQ(seg.XToPixel(4000.0f), c.colOf4000) << c.name;
        EXPECT_EQ(seg.XToPixel(400.0f), c.colOf400) << c.name;
        EXPECT_EQ(seg.YToPixel(50.0f), c.rowOf50) << c.name;
    }

    TSpCurveBase empty(nullptr, WavenumberInfo());
    EXPECT_EQ(empty.XToIndex(2000.0f), 0);
}

TEST(SpCurveBase, RectanglesAndLimitsAreOrderedButViewsKeepTheirDirection)
{
    TSpCurveBase seg(nullptr, WavenumberInfo());
    seg.SetPlotRect(500, 100, 300, 50);
    EXPECT_EQ(seg.PlotLeft, 100);
    EXPECT_EQ(seg.PlotRight, 500);
    EXPECT_EQ(seg.PlotTop, 50);
    EXPECT_EQ(seg.PlotBottom, 300);
    seg.SetFrameRect(9, 1, 8, 2);
    EXPECT_EQ(seg.FrameLeft, 1);
    EXPECT_EQ(seg.FrameBottom, 8);

    seg.SetLimits(5000.0f, 0.0f, 100.0f, -100.0f);
    EXPECT_EQ(seg.XLimitMin, 0.0f);
    EXPECT_EQ(seg.XLimitMax, 5000.0f);
    EXPECT_EQ(seg.YLimitMin, -100.0f);
    seg.SetViewRange(6000.0f, 400.0f, 200.0f, -300.0f);
    EXPECT_EQ(seg.XViewFrom, 5000.0f);
    EXPECT_EQ(seg.XViewTo, 400.0f);
    EXPECT_EQ(seg.YViewFrom, 100.0f);
    EXPECT_EQ(seg.YViewTo, -100.0f);
    seg.SetDataRange(-1.0f, 7000.0f, 0.0f, 0.0f);
    EXPECT_EQ(seg.XDataFrom, 0.0f);
    EXPECT_EQ(seg.XDataTo, 5000.0f);
}

TEST(SpCurveBase, AppendingBeyondCapacityRestartsFromTheFirstValue)
{
    struct Case { int32_t stored, added, count; };
    const Case cases[] = {
        {3, 2, 5},     // fits exactly
        {3, 4, 2},     // 2 too many: they start the segment again
        {5, 1, 1},     // a full segment takes one value at index 0
        {0, 12, 2},    // more than twice the capacity
    };
    for (const Case& c : cases) {
        TCurveInfo info = WavenumberInfo();
        info.Capacity = 5;
        TCountingSegment seg(nullptr, info);
        const std::vector<float> old = Ramp(c.stored, 100.0f);
        seg.AppendPoints(old.data(), c.stored);
        const std::vector<float> add = Ramp(c.added, 1.0f);
        seg.AppendPoints(add.data(), c.added);
        EXPECT_EQ(seg.Count, c.count) << c.stored << "+" << c.added;
        const bool restarted = c.stored + c.added > 5;
        EXPECT_EQ(seg.Restarts, restarted ? 1 : 0);
        if (restarted) {
            EXPECT_EQ(seg.DrawnCount, 0);
            for (int32_t i = 0; i < c.count; ++i)
                EXPECT_EQ(seg.Data[i], 1.0f + i);   // the first new values
        }
    }

    TCurveInfo none = WavenumberInfo();
    none.Capacity = 0;
    TCountingSegment empty(nullptr, none);
    const float v = 1.0f;
    empty.AppendPoints(&v, 1);
    EXPECT_EQ(empty.Count, 0);
    EXPECT_EQ(empty.Restarts, 0);
}

TEST(SpCurveBase, ViewsTheCurvesArrayOrOwnsABufferThatOnlyGrows)
{
    std::vector<float> array(10, 7.0f);
    TCurveInfo info = WavenumberInfo();
    info.Capacity = 10;
    TSpCurveBase seg(nullptr, info, array.data());
    EXPECT_FALSE(seg.OwnsData);
    EXPECT_EQ(seg.Data, array.data());
    const float v = 1.5f;
    seg.AppendPoints(&v, 1);
    EXPECT_EQ(array[0], 1.5f);

    // Without an array (or with values to keep) the segment has its own.
    info.PointCount = 3;
    seg.Assign(info, array.data());
    EXPECT_TRUE(seg.OwnsData);
    EXPECT_NE(seg.Data, array.data());
    EXPECT_EQ(seg.Count, 3);
    EXPECT_EQ(seg.Data[0], 1.5f);
    EXPECT_EQ(seg.Data[2], 7.0f);
    const float* buffer = seg.Data;
    info.Capacity = 4;
    info.PointCount = 9;   // more than fits: cut to the capacity
    seg.Assign(info);
    EXPECT_EQ(seg.Data, buffer);
    EXPECT_EQ(seg.Capacity, 4);
    EXPECT_EQ(seg.Count, 4);
}

TEST(SpCurveBase, NothingToDrawOnMeansDrawingStartsAgainLater)
{
    TCurveInfo info = WavenumberInfo();
    info.Capacity = 5;
    TCountingSegment seg(nullptr, info);
    const std::vector<float> v = Ramp(3);
    seg.AppendPoints(v.data(), 3);
    seg.DrawnCount = 2;
    seg.DrawNew();
    EXPECT_EQ(seg.DrawnCount, 0);
    EXPECT_EQ(seg.Restarts, 1);
    seg.Draw();
    EXPECT_EQ(seg.DrawnCount, 0);

    // AppendAndDraw still keeps the values.
    seg.AppendAndDraw(v.data(), 2);
    EXPECT_EQ(seg.Count, 5);
}

TEST(SpCurveBase, TimeDriveMapsOnTheMeasurementsTimeAxis)
{
    TCurveInfo info = WavenumberInfo();
    info.Capacity = 101;
    info.PlotLeft = info.FrameLeft = 100;
    info.PlotRight = info.FrameRight = 1100;
    TSpCurveBase seg(nullptr, info);
    Fill(seg);
    seg.SetGraphFrame(100, 1100);

    TScopedTimeDrive drive(0.0f, 200.0f, 50);
    EXPECT_FLOAT_EQ(seg.IndexToX(0), 0.0f);
    EXPECT_FLOAT_EQ(seg.IndexToX(50), 100.0f);
    EXPECT_FLOAT_EQ(seg.IndexToX(100), 200.0f);
    EXPECT_FLOAT_EQ(seg.IndexToX(500), 200.0f);        // clamped into the time axis
    EXPECT_EQ(seg.XToIndex(100.0f), 25);                 // x * ScanTime / span
    EXPECT_EQ(seg.XToPixel(100.0f), 600);
    EXPECT_EQ(seg.XToPixel(-5.0f), 100);
    EXPECT_EQ(seg.XToPixel(250.0f), 1099);
    EXPECT_FLOAT_EQ(seg.PixelToX(350), 50.0f);
    EXPECT_FLOAT_EQ(seg.PixelToX(0), 0.0f);

    // A time axis of no length falls back to its start, and never divides.
    seg.SetGraphFrame(100, 100);
    EXPECT_FLOAT_EQ(seg.PixelToX(350), 0.0f);
    TScopedTimeDrive flat(30.0f, 30.0f, 50);
    EXPECT_EQ(seg.XToIndex(30.0f), 0);
    EXPECT_EQ(seg.XToPixel(30.0f), 100);
}

} // namespace
