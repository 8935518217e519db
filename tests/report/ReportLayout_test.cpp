// The report's sizes, preview and page positions, checked as numbers.

#include <gtest/gtest.h>

#include <cstring>

#include "report/ReportLayout.h"

namespace {

TReportSizes Paper(bool landscape)
{
    TReportSizes s;
    SetReportOrientation(s, landscape);
    return s;
}

TEST(ReportSizes, DerivedPlotFollowsPaperAndMargins)
{
    struct TCase {
        bool Landscape;
        const char* Left;
        const char* Right;
        const char* Width;
        const char* Height;
    } cases[] = {
        {false, "0.0", "0.0", "19.4", "10.7"},  // 19.5 - 0.1, times 0.55
        {true, "0.0", "0.0", "27.9", "15.3"},
        {false, "2", "1.5", "15.9", " 8.7"},    // "%4.1f" keeps its blank below 10
        {false, "19.5", "0", "-0.1", "-0.1"},   // margins may eat the whole paper
    };
    for (const TCase& c : cases) {
        TReportSizes s = Paper(c.Landscape);
        TReportSizeTexts t;
        t.Left = c.Left;
        t.Right = c.Right;
        DeriveLayout(t, s);
        EXPECT_EQ(t.PlotWidth, c.Width) << c.Left << " " << c.Right;
        EXPECT_EQ(t.PlotHeight, c.Height) << c.Left << " " << c.Right;
        EXPECT_FLOAT_EQ(s.PlotHeightCm, s.PlotWidthCm * 0.55f);
    }
}

TEST(ReportSizes, TextsAreClampedIntoThePaper)
{
    struct TCase {
        bool Landscape;
        std::string TReportSizeTexts::*Field;
        float TReportSizes::*Value;
        const char* Text;
        const char* Corrected;
        float Taken;
    } cases[] = {
        {false, &TReportSizeTexts::Left, &TReportSizes::MarginLeftCm, "25", "19.5", 19.5f},
        {false, &TReportSizeTexts::Right, &TReportSizes::MarginRightCm, "-3", "0", 0.0f},
        {false, &TReportSizeTexts::Top, &TReportSizes::MarginTopCm, "", "0.0", 0.0f},
        {false, &TReportSizeTexts::Top, &TReportSizes::MarginTopCm, "30", "28.0", 28.0f},
        {false, &TReportSizeTexts::PlotHeight, &TReportSizes::PlotHeightCm, "25", "25", 25.0f},
        {true, &TReportSizeTexts::PlotHeight, &TReportSizes::PlotHeightCm, "25", "19.5", 19.5f},
        {true, &TReportSizeTexts::Left, &TReportSizes::MarginLeftCm, "25", "25", 25.0f},
        {false, &TReportSizeTexts::Left, &TReportSizes::MarginLeftCm, "1.25", "1.25", 1.25f},
        // Half-typed texts stay for the operator to finish and count 0.
        {false, &TReportSizeTexts::Left, &TReportSizes::MarginLeftCm, "-", "-", 0.0f},
        {false, &TReportSizeTexts::Left, &TReportSizes::MarginLeftCm, ".", ".", 0.0f},
    };
    for (const TCase& c : cases) {
        TReportSizes s = Paper(c.Landscape);
        s.*c.Value = 7.0f;
        TReportSizeTexts t;
        t.*c.Field = c.Text;
        ValidateLayout(t, s);
        EXPECT_EQ(t.*c.Field, c.Corrected) << c.Text;
        EXPECT_FLOAT_EQ(s.*c.Value, c.Taken) << c.Text;
    }
}

TEST(ReportPreview, PortraitElements)
{
    TReportSizes s = Paper(false);
    TReportSizeTexts t;
    DeriveLayout(t, s);  // plot height 10.67 cm
    TReportBlocks b;
    TPreviewPlan p = PlanPreview(208, 184, s, b);
    EXPECT_EQ(p.Page, (TPreviewRect{40, 20, 168, 164}));
    EXPECT_EQ(p.TitleBar1, (TPreviewRect{70, 20, 98, 22}));
    EXPECT_EQ(p.TitleBar2, (TPreviewRect{140, 20, 164, 22}));
    EXPECT_EQ(p.RuleY, 23);
    EXPECT_EQ(p.RuleX0, 40);
    EXPECT_EQ(p.RuleX1, 168);
    EXPECT_EQ(p.Plot, (TPreviewRect{42, 27, 166, 65}));  // 5 + 184/28 * 10.67 - 10
    EXPECT_EQ(p.ParamsBlock, (TPreviewRect{55, 85, 75, 95}));
    EXPECT_EQ(p.MakerLine, (TPreviewRect{45, 125, 144, 130}));
    EXPECT_FALSE(p.Peaks || p.Valleys || p.Data);

    b.Peaks = b.Valleys = b.Data = true;
    p = PlanPreview(208, 184, s, b);
    EXPECT_EQ(p.PeaksBlock, (TPreviewRect{55, 105, 85, 115}));
    EXPECT_EQ(p.ValleysBlock, (TPreviewRect{100, 105, 130, 115}));
    EXPECT_EQ(p.DataBlock, (TPreviewRect{55, 125, 75, 135}));
    EXPECT_EQ(p.MakerLine, (TPreviewRect{45, 145, 144, 150}));

    // Without title and parameters everything moves up; margins move the plot.
    b = {};
    b.Title = b.Params = false;
    b.Data = true;
    s.MarginLeftCm = 1.95f;   // 20.8 preview pixels
    s.MarginRightCm = 0.975f; // 10.4
    s.MarginTopCm = 2.8f;     // 18.4
    p = PlanPreview(208, 184, s, b);
    EXPECT_FALSE(p.Title);
    EXPECT_EQ(p.Plot, (TPreviewRect{62, 40, 155, 78}));
    EXPECT_EQ(p.DataBlock, (TPreviewRect{55, 98, 75, 108}));  // d = y
    EXPECT_EQ(p.MakerLine, (TPreviewRect{45, 118, 144, 123}));
}

TEST(ReportPreview, LandscapeElementsAndNoLists)
{
    TReportSizes s = Paper(true);
    TReportSizeTexts t;
    DeriveLayout(t, s);  // plot height 15.345 cm
    TReportBlocks b;
    b.Peaks = b.Valleys = b.Data = true;
    const TPreviewPlan p = PlanPreview(208, 184, s, b);
    EXPECT_EQ(p.Page, (TPreviewRect{20, 40, 188, 144}));
    EXPECT_EQ(p.TitleBar1, (TPreviewRect{78, 40, 109, 42}));
    EXPECT_EQ(p.TitleBar2, (TPreviewRect{156, 40, 184, 42}));
    EXPECT_EQ(p.RuleY, 43);
    EXPECT_EQ(p.RuleX0, 20);
    EXPECT_EQ(p.RuleX1, 188);
    EXPECT_EQ(p.Plot, (TPreviewRect{22, 47, 186, 101}));  // 5 + 184/19.5 * 15.345 - 48
    EXPECT_EQ(p.ParamsBlock, (TPreviewRect{35, 104, 173, 106}));
    EXPECT_EQ(p.MakerLine, (TPreviewRect{35, 108, 124, 110}));
    EXPECT_FALSE(p.Peaks || p.Valleys || p.Data);
}

TEST(ReportPage, PixelsAtSixHundredDotsPerInch)
{
    TReportSizes s = Paper(false);
    TReportSizeTexts t;
    DeriveLayout(t, s);
    // A4 less 7.5 / 8.5 mm margins at 600 dpi.
    const TReportPage page = PlanReportPage(600, 600, 4606, 6614, t, s);
    EXPECT_NEAR(page.PpcmX, 236.2205, 1e-4);
    EXPECT_NEAR(s.PaperWidthCm, 19.499, 1e-3);
    EXPECT_NEAR(s.PaperHeightCm, 27.999, 1e-3);
    EXPECT_EQ(page.LabelX, 708);
    EXPECT_EQ(page.ColonX, 708 + 472);
    EXPECT_EQ(page.Left, 50);
    EXPECT_EQ(page.Top, 0);
    EXPECT_EQ(page.PlotWidth, 4581);   // trunc(236.22 * 19.4 - 1)
    EXPECT_EQ(page.PlotHeight, 2527);  // trunc(236.22 * 10.7)
    EXPECT_EQ(page.LineHeight, 100);
    EXPECT_EQ(page.ListX, 236);
    // The 50-pixel offset pushes a full-width plot past the page's right edge.
    EXPECT_EQ(ReportPlotRect(page, 200), (TPreviewRect{50, 200, 4606, 200 + 2522}));

    // A smaller printer: the sizes are clamped to it and the plot to the page.
    t.Left = "1";
    const TReportPage small = PlanReportPage(300, 300, 2000, 1000, t, s);
    EXPECT_EQ(t.PlotWidth, "16.9");  // 2000 px at 300 dpi
    EXPECT_EQ(t.PlotHeight, " 8.5");
    EXPECT_EQ(small.Left, 168);  // 118.1 + 50
    EXPECT_EQ(ReportPlotRect(small, 900).Right, 2000);
    EXPECT_EQ(ReportPlotRect(small, 900).Bottom, 1000);
}

TEST(ReportPage, DataRowsFollowTheInterval)
{
    EXPECT_EQ(ReportDataRows(5, 0), (std::vector<int32_t>{0, 1, 2, 3, 4}));
    EXPECT_EQ(ReportDataRows(8, 2), (std::vector<int32_t>{0, 1, 4, 7}));
    EXPECT_EQ(ReportDataRows(1, 5), (std::vector<int32_t>{0}));
    EXPECT_TRUE(ReportDataRows(0, 5).empty());
    EXPECT_EQ(ReportDataRows(3, -4), (std::vector<int32_t>{0, 1, 2}));
    // 3601 points with the table's preset interval of 360.
    const std::vector<int32_t> rows = ReportDataRows(3602, 360);
    EXPECT_EQ(rows.size(), 11u);
    EXPECT_EQ(rows.back(), 1 + 9 * 361);
}

TEST(ReportTexts, DateAndRange)
{
    TScanDateTime d;
    EXPECT_TRUE(ReportDateUnset(d));
    d = {2010, 10, 26, 9, 5, 3};
    EXPECT_FALSE(ReportDateUnset(d));
    EXPECT_EQ(ReportDateText(d), "2010-10-26 9:5:3");

    TMeasureParams p;
    EXPECT_EQ(ReportRangeText(p), "4000 - 400 cm-1");
    p.XEnd = 399.9f;
    EXPECT_EQ(ReportRangeText(p), "4000 - 399.899993896484 cm-1");
    p.ScanMode = 2;
    p.XStart = 0.0f;
    p.XEnd = 1000.0f;
    EXPECT_EQ(ReportRangeText(p), "0 - 1000 秒");
}

}  // namespace
