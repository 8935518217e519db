// The working-curve chart on an image: the frame's geometry, nothing but the
// frame for a new table, 1 mm point circles at 96 dpi, numbers below points
// in the left half and above them in the right half, and a fitted line that
// widens the mass range.

#include "quant/NDChart.h"
#include "quant/NDTable.h"
#include "tests/support/GuiApp.h"

#include <gtest/gtest.h>

#include <QImage>

namespace {

struct TChart {
    TChart() : Image(296, 214, QImage::Format_RGB32), S(nullptr, &Image, 0, 0, 296, 214) { Image.fill(Qt::white); }
    int Count(QRect r, QColor c) const
    {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                n += Image.pixelColor(x, y) == c;
        return n;
    }
    // Antialiased text: pixels leaning to a colour rather than equal to it.
    int CountTinted(QRect r, bool red, bool blue) const
    {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x) {
                const QColor p = Image.pixelColor(x, y);
                const bool reddish = p.red() > p.green() + 40 && p.red() > p.blue() + 40;
                const bool bluish = p.blue() > p.red() + 40 && p.blue() > p.green() + 40;
                n += (red && reddish) || (blue && bluish);
            }
        return n;
    }
    QImage Image;
    TSpImage S;
};

TEST(NDChart, EmptyRangesDrawOnlyTheFrame)
{
    TChart c;
    TSpRect frame, plot;
    DrawChartFrame(c.S, {0, 0, 296, 214}, 0, 0, 0, 0, frame, plot);
    const int h = c.S.TextExtent("0.00").height();
    EXPECT_EQ(frame.Top, h);
    EXPECT_EQ(frame.Bottom, 214 - 2 * h);
    EXPECT_EQ(plot.Top, 2 * h);
    EXPECT_EQ(plot.Bottom, 214 - 3 * h);
    EXPECT_EQ(plot.Left, frame.Left);
    EXPECT_EQ(frame.Left, c.S.TextExtent("0.0000").width());
    // The frame's left edge is a black column from top to bottom.
    EXPECT_EQ(c.Count(QRect(frame.Left, frame.Top, 1, frame.Bottom - frame.Top), Qt::black),
              frame.Bottom - frame.Top);
    // Range labels in dark red.
    EXPECT_GT(c.CountTinted(QRect(0, 0, 296, 214), true, false), 10);
    const QImage before = c.Image.copy();
    const float x[2] = {0, 1}, y[2] = {0, 1};
    DrawCurveLine(c.S, 0, 0, 0, 0, x, y, 2, plot, kNDCurveColor, true);
    DrawNumberedPoint(c.S, 0, 0, 0, 0, 0, 0, 1, plot, kNDSampleColor, true);
    EXPECT_EQ(c.Image, before);
}

TEST(NDChart, PointsAreOneMillimetreCirclesWithTheirNumberBesideThem)
{
    TChart c;
    TSpRect frame, plot;
    DrawChartFrame(c.S, {0, 0, 296, 214}, 0, 1, 0, 1, frame, plot);
    // Left half: the number lies below the point; right half: above it.
    DrawNumberedPoint(c.S, 0, 1, 0, 1, 0.25f, 0.5f, 1, plot, kNDSampleColor, true);
    DrawNumberedPoint(c.S, 0, 1, 0, 1, 0.75f, 0.5f, 2, plot, kNDStandardColor, true);
    const int px = NDPixelX(plot, 0, 1, 0.25f);
    const int py = NDPixelY(plot, 0, 1, 0.5f);
    const QColor blue(0, 0, 255), red(255, 0, 0);
    // 96 dpi: 37 pixels per cm, radius 3.
    EXPECT_GT(c.Count(QRect(px - 3, py - 3, 1, 7), blue), 0);
    EXPECT_EQ(c.Count(QRect(px - 5, py - 5, 2, 11), blue), 0);
    EXPECT_EQ(c.CountTinted(QRect(px - 8, py - 30, 17, 26), false, true), 0);
    EXPECT_GT(c.CountTinted(QRect(px - 8, py + 4, 17, 20), false, true), 0);
    const int rx = NDPixelX(plot, 0, 1, 0.75f);
    EXPECT_GT(c.CountTinted(QRect(rx - 8, py - 26, 17, 22), true, false), 0);
    EXPECT_EQ(c.CountTinted(QRect(rx - 8, py + 5, 17, 20), true, false), 0);
}

TEST(NDChart, FittedLineWidensTheMassRangeBeforeTheFrameIsDrawn)
{
    TChart c;
    TNDTable t;
    t.Chart = &c.S;
    t.ResetTable();
    const char* rows[4][2] = {{"0.1", "1"}, {"0.2", "1"}, {"0.3", "1"}, {"0.4", "5"}};
    for (int r = 1; r <= 4; ++r) {
        if (r > 1) {
            ASSERT_TRUE(t.AddRow());
        }
        t.EditCell(r, NDColAbs, rows[r - 1][0]);
        t.EditCell(r, NDColQuartz, rows[r - 1][1]);
    }
    t.BuildCurve();
    EXPECT_NEAR(t.Slope, 12.0f, 1e-4f);
    EXPECT_NEAR(t.Intercept, -1.0f, 1e-5f);
    EXPECT_EQ(t.YMin, t.LineY[0]);
    EXPECT_NEAR(t.YMin, 0.2f, 1e-5f);
    EXPECT_EQ(t.YMax, 5.0f);
    // The green line and the red standards are on the picture.
    EXPECT_GT(c.Count(QRect(0, 0, 296, 214), QColor(0, 128, 0)), 50);
    EXPECT_GT(c.Count(QRect(0, 0, 296, 214), QColor(255, 0, 0)), 20);
    t.Chart = nullptr;
}

}  // namespace
