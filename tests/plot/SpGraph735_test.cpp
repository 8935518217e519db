#include "plot/SpGraph735.h"

#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "tests/support/GuiApp.h"
#include "text/GbkText.h"
#include "spectra/SpCurveZQ735.h"
#include "spectra/SpTimeDrive.h"

namespace {

constexpr QRgb WhitePx = 0xFFFFFFFFu;
constexpr QRgb GreyPx = 0xFF808080u;

// The graph as the main window sets it up, on a 1000 x 600 picture.
class GraphTest : public ::testing::Test {
protected:
    GraphTest() : Picture(1000, 600, QImage::Format_RGB32)
    {
        Picture.fill(Qt::white);
        Surface = std::make_unique<TSpImage>(nullptr, &Picture, 0, 0, 1000, 600);
        Graph = std::make_unique<TSpGraph735>(nullptr, Surface.get());
        Graph->SetAxisLimits(-4.0e7f, 4.0e7f, -4095.0f, 4095.0f, 2000.0f);
        Graph->SetViewRange(4000.0f, 400.0f, 0.0f, 100.0f, 2000.0f, 1001, 1601);
    }

    // A curve with a full scan of values.
    TSpCurveZQ735* FilledCurve(float value = 50.0f)
    {
        const int slot = Graph->NewCurve();
        EXPECT_GE(slot, 0);
        TSpCurveZQ735* c = Graph->CurveAt(slot);
        std::vector<float> v(2601, value);
        c->AppendData(v.data(), 2601);
        return c;
    }

    int Count(QRect r, QRgb colour) const
    {
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                n += Picture.pixel(x, y) == colour;
        return n;
    }
    int NotWhite(QRect r) const { return r.width() * r.height() - Count(r, WhitePx); }

    QImage Picture;
    std::unique_ptr<TSpImage> Surface;
    std::unique_ptr<TSpGraph735> Graph;
};

TEST_F(GraphTest, StartsEmptyWithTheDescribedDefaults)
{
    QImage picture(800, 500, QImage::Format_RGB32);
    TSpImage surface(nullptr, &picture, 0, 0, 800, 500);
    TSpGraph735 g(nullptr, &surface);
    EXPECT_EQ(g.CurrentIndex(), -1);
    EXPECT_EQ(g.CurveCount, 0);
    EXPECT_EQ(g.MaxCurves, 20);
    EXPECT_TRUE(g.ShowGrid);
    EXPECT_FALSE(g.CursorMode);
    EXPECT_EQ(g.BackColor, 0x00FFFFFFu);
    EXPECT_EQ(g.SlotColors[19], 0x00FF0000u);  // blue
    EXPECT_EQ(g.XViewTo, 20000.0f);
    // Template: capacity from the default segment counts 2 and 99.
    EXPECT_EQ(g.Template.Capacity, 100);
    EXPECT_EQ(GbkFieldToUtf8(g.Template.Name), "未命名");
    EXPECT_EQ(GbkFieldToUtf8(g.Template.YUnit), "%");
    float f;
    std::memcpy(&f, &g.Template.Reserved2, 4);
    EXPECT_EQ(f, 4095.0f);
    // The frame leaves a label width on the left and five lines below.
    const QSize label = surface.TextExtent("000000.00");
    EXPECT_EQ(g.FrameLeft, label.width());
    EXPECT_EQ(g.FrameBottom, 500 - 5 * label.height());
    EXPECT_EQ(g.PlotTop, g.FrameTop + label.height());
}

TEST_F(GraphTest, SplitPixelFollowsTheView)
{
    const int width = Graph->PlotRight - Graph->PlotLeft;
    EXPECT_EQ(Graph->SplitPixelCache, Graph->PlotLeft + static_cast<int>(width * 1000.0f / 2600.0f));
    Graph->RefreshTemplate();
    EXPECT_EQ(Graph->Template.SplitPixel, Graph->SplitPixelCache);
    Graph->SetViewRange(1800.0f, 400.0f, 0.0f, 100.0f, 2000.0f, 0, 1401);
    EXPECT_EQ(Graph->SplitPixelCache, Graph->PlotLeft);
    Graph->SetViewRange(4000.0f, 2500.0f, 0.0f, 100.0f, 2000.0f, 751, 0);
    EXPECT_EQ(Graph->SplitPixelCache, Graph->PlotRight);
}

TEST_F(GraphTest, ViewIsClampedIntoTheLimitsButNeverReordered)
{
    Graph->SetViewRange(50000.0f, 400.0f, -5000.0f, 100.0f, 2000.0f, -3, 1601);
    EXPECT_EQ(Graph->XViewFrom, 50000.0f);
    EXPECT_EQ(Graph->YViewFrom, -4095.0f);
    EXPECT_EQ(Graph->Seg1Count, 0);

    Graph->SetAxisLimits(20000.0f, 0.0f, 4095.0f, -4095.0f, 30000.0f);
    EXPECT_EQ(Graph->XLimitMin, 0.0f);
    EXPECT_EQ(Graph->XLimitMax, 20000.0f);
    EXPECT_EQ(Graph->SplitX, 20000.0f);
    Graph->SetViewRange(50000.0f, -10.0f, 0.0f, 100.0f, -5.0f, 1001, 1601);
    EXPECT_EQ(Graph->XViewFrom, 20000.0f);
    EXPECT_EQ(Graph->XViewTo, 0.0f);
    EXPECT_EQ(Graph->SplitX, 0.0f);

    Graph->SetYRange(2.0f, -2.0f);
    const TGraphView v = Graph->GetViewRange();
    EXPECT_EQ(v.XFrom, 20000.0f);
    EXPECT_EQ(v.YFrom, 2.0f);
    EXPECT_EQ(v.YTo, -2.0f);
    unsigned char bytes[20];
    Graph->GetViewRange(bytes);
    float yTo;
    std::memcpy(&yTo, bytes + 12, 4);
    EXPECT_EQ(yTo, -2.0f);
}

TEST_F(GraphTest, CurvesTakeTheGraphsGeometry)
{
    TSpCurveZQ735* c = FilledCurve();
    Graph->SetViewRange(3000.0f, 1000.0f, 10.0f, 90.0f, 2000.0f, 1001, 1601);
    EXPECT_EQ(c->Info.XViewFrom, 3000.0f);
    EXPECT_EQ(c->Info.YViewTo, 90.0f);
    EXPECT_EQ(c->Info.SplitPixel, Graph->SplitPixelCache);
    EXPECT_EQ(c->Info.PlotLeft, Graph->PlotLeft);
    EXPECT_EQ(c->Info.FrameBottom, Graph->FrameBottom);
    // The first value (4000 cm-1) is now left of the view; 2000 cm-1 sits on
    // the split column.
    EXPECT_EQ(c->PixelOfX(2000.0f), Graph->SplitPixelCache);
}

TEST_F(GraphTest, SlotsFillFromTheLowestAndAreReused)
{
    uint32_t colours[25];
    for (uint32_t i = 0; i < 25; ++i)
        colours[i] = 0x100u + i;
    Graph->SetCurveColors(colours, 25);
    EXPECT_EQ(Graph->SlotColors[19], 0x100u + 19);
    const auto before = Graph->SlotColors;
    Graph->SetCurveColors(colours + 5, 0);
    EXPECT_EQ(Graph->SlotColors, before);

    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(Graph->NewCurve(), i);
    EXPECT_EQ(Graph->CurveCount, 20);
    EXPECT_EQ(Graph->FreeSlot(), -1);
    EXPECT_EQ(Graph->NewCurve(), -1);

    Graph->DeleteCurve(3);
    Graph->DeleteCurve(3);   // empty: ignored
    Graph->DeleteCurve(20);  // out of range: ignored
    Graph->DeleteCurve(-1);
    EXPECT_EQ(Graph->CurveCount, 19);
    EXPECT_EQ(Graph->CurveAt(3), nullptr);
    EXPECT_EQ(Graph->NewCurve(), 3);
    EXPECT_EQ(Graph->CurveAt(3)->GetColor(), 0x103u);
    EXPECT_EQ(Graph->CurveAt(20), nullptr);
    EXPECT_EQ(Graph->CurveAt(-1), nullptr);
}

TEST_F(GraphTest, CurrentCurveRules)
{
    EXPECT_EQ(Graph->CurrentCurve(), nullptr);
    EXPECT_EQ(Graph->SetCursorMode(true), -1);
    EXPECT_FALSE(Graph->CursorMode);

    // The first curve into an empty graph becomes current; later ones do not.
    EXPECT_EQ(Graph->NewCurve(), 0);
    EXPECT_EQ(Graph->NewCurve(), 1);
    EXPECT_EQ(Graph->NewCurve(), 2);
    EXPECT_EQ(Graph->CurrentIndex(), 0);

    EXPECT_EQ(Graph->SetCurrent(2), 2);
    EXPECT_EQ(Graph->SetCurrent(7), 2);   // empty slot
    EXPECT_EQ(Graph->SetCurrent(25), 2);  // out of range
    EXPECT_EQ(Graph->CurrentCurve(), Graph->CurveAt(2));

    // Deleting the current curve makes the lowest remaining one current.
    Graph->DeleteCurve(2);
    EXPECT_EQ(Graph->CurrentIndex(), 0);
    Graph->DeleteCurve(0);
    EXPECT_EQ(Graph->CurrentIndex(), 1);
    Graph->DeleteCurve(1);
    EXPECT_EQ(Graph->CurrentIndex(), -1);
    EXPECT_EQ(Graph->CurrentCurve(), nullptr);

    FilledCurve();
    Graph->DeleteAllCurves();
    EXPECT_EQ(Graph->CurveCount, 0);
    EXPECT_EQ(Graph->CurrentIndex(), -1);
}

TEST_F(GraphTest, WalkVisitsOccupiedSlotsInOrder)
{
    for (int i = 0; i < 6; ++i)
        Graph->NewCurve();
    Graph->DeleteCurve(0);
    Graph->DeleteCurve(2);
    Graph->DeleteCurve(5);
    std::vector<int> seen;
    for (TSpCurveZQ735* c = Graph->FirstCurve(); c != nullptr; c = Graph->NextCurve())
        seen.push_back(Graph->IndexOfCurve(c));
    EXPECT_EQ(seen, (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(Graph->IndexOfCurve(nullptr), -1);
}

TEST_F(GraphTest, AttachedCurvesAreOwnedOnlyWhenTheyGetASlot)
{
    auto outside = std::make_unique<TSpCurveZQ735>(Graph.get(), Graph->Template);
    const int slot = Graph->AttachCurve(outside.get());
    ASSERT_EQ(slot, 0);
    TSpCurveZQ735* attached = outside.release();  // the graph owns it now
    EXPECT_EQ(Graph->AttachCurve(attached), 0);   // already there: no second slot
    EXPECT_EQ(Graph->CurveCount, 1);
    EXPECT_EQ(attached->Info.PlotRight, Graph->PlotRight);
    EXPECT_EQ(Graph->AttachCurve(nullptr), -1);

    for (int i = 1; i < 20; ++i)
        Graph->NewCurve();
    auto extra = std::make_unique<TSpCurveZQ735>(Graph.get(), Graph->Template);
    EXPECT_EQ(Graph->AttachCurve(extra.get()), -1);  // full: the caller keeps it
    EXPECT_EQ(Graph->IndexOfCurve(extra.get()), -1);
}

TEST_F(GraphTest, FrameHasDottedSplitLineAndGridOnlyWhenAsked)
{
    Graph->CurveChanged();
    const int sp = Graph->SplitPixelCache;
    const QRect splitColumn(sp, Graph->PlotTop + 1, 1, Graph->PlotBottom - Graph->PlotTop - 2);
    const int splitDots = NotWhite(splitColumn);
    EXPECT_GT(splitDots, splitColumn.height() / 4);
    EXPECT_LT(splitDots, splitColumn.height());  // dotted, not solid
    const QRect inside(Graph->PlotLeft + 1, Graph->PlotTop + 1, Graph->PlotRight - Graph->PlotLeft - 2,
                       Graph->PlotBottom - Graph->PlotTop - 2);
    EXPECT_GT(Count(inside, GreyPx), 100);

    Graph->SetShowGrid(false);
    Graph->CurveChanged();
    EXPECT_EQ(Count(inside, GreyPx), 0);
    EXPECT_EQ(NotWhite(splitColumn), splitDots);
    // Without grid lines starting on it, the frame's left edge is solid black.
    const QRect frameLeft(Graph->FrameLeft, Graph->FrameTop, 1, Graph->FrameBottom - Graph->FrameTop);
    EXPECT_EQ(Count(frameLeft, qRgb(0, 0, 0)), frameLeft.height());
}

TEST_F(GraphTest, GridLabelsOfTheWavenumberViewDoNotOverlap)
{
    const TAxisPlan plan = Graph->PlanAxes();
    std::vector<QRect> boxes;
    for (const auto& l : plan.Ends)
        boxes.emplace_back(l.X, l.Y, l.W, l.H);
    int vertical = 0, horizontal = 0;
    for (const auto& l : plan.Grid) {
        boxes.emplace_back(l.X, l.Y, l.W, l.H);
        (l.Vertical ? vertical : horizontal)++;
    }
    EXPECT_EQ(plan.Ends.size(), 5u);  // 4000.0, 400.0, 2000.0, 0, 100
    EXPECT_GE(vertical, 8);
    EXPECT_GE(horizontal, 4);
    for (size_t i = 0; i < boxes.size(); ++i)
        for (size_t j = i + 1; j < boxes.size(); ++j)
            EXPECT_FALSE(boxes[i].intersects(boxes[j])) << i << " and " << j;
}

TEST_F(GraphTest, CurvesArePaintedOverTheFrame)
{
    SCOPED_TRACE("a flat curve at 50 %");
    TSpCurveZQ735* c = FilledCurve(50.0f);
    Graph->CurveChanged();
    const int row = c->PixelOfY(50.0f);
    const QRect line(Graph->PlotLeft + 2, row, Graph->PlotRight - Graph->PlotLeft - 4, 1);
    EXPECT_EQ(Count(line, qRgb(0, 0, 255)), line.width());  // slot 0 was created blue
}

TEST_F(GraphTest, HeldRepaintsComeOnceAtTheOutermostEnd)
{
    FilledCurve(50.0f);
    const QRect plot(Graph->PlotLeft, Graph->PlotTop, Graph->PlotRight - Graph->PlotLeft,
                     Graph->PlotBottom - Graph->PlotTop);
    Picture.fill(Qt::white);  // the append has drawn the curve already
    {
        TGraphUpdateHold outer(*Graph);
        {
            TGraphUpdateHold inner(*Graph);
            Graph->CurveChanged();
        }
        EXPECT_EQ(NotWhite(plot), 0) << "drawn before the outermost hold ended";
    }
    EXPECT_GT(NotWhite(plot), 0) << "the repaint that was due never came";

    SCOPED_TRACE("a hold with nothing asked draws nothing");
    Picture.fill(Qt::white);
    { TGraphUpdateHold hold(*Graph); }
    EXPECT_EQ(NotWhite(plot), 0);
    Graph->CurveChanged();  // and the hold is over
    EXPECT_GT(NotWhite(plot), 0);
}

TEST_F(GraphTest, ReadoutTextsInWavenumberAndWavelength)
{
    TSpCurveZQ735* c = FilledCurve();
    EXPECT_EQ(Graph->ReadoutText(*c, 1600.0f, 45.25f), "波数 1600.00 cm-1  透过率 45.2500 %");
    Graph->SetWavelengthMode(true);
    EXPECT_EQ(Graph->ReadoutText(*c, 1600.0f, 45.25f), "波长 6.25 μm  透过率 45.2500 %");
    EXPECT_EQ(Graph->ReadoutText(*c, 400.0f, -1.5f), "波长 25.00 μm  透过率-1.5000 %");
}

TEST_F(GraphTest, ReadoutLineIsBlankedBeforeEachWriteAndWhenTheCursorLeaves)
{
    TSpCurveZQ735* c = FilledCurve();
    Graph->CurveChanged();
    const QRect strip(0, Graph->ReadoutY, 1000, Graph->LabelExtent.H);
    ASSERT_EQ(NotWhite(strip), 0);

    Graph->CursorChanged(c, 0, 3999.0f, 12345.6789f);
    EXPECT_GT(NotWhite(strip), 0);
    EXPECT_EQ(Graph->ReadoutLength,
              static_cast<int32_t>(GbkLength("波数 3999.00 cm-1  透过率 12345.6789 %")));

    // A shorter read-out leaves nothing of the longer one: the strip looks
    // exactly as if only the short one had ever been written.
    Graph->CursorChanged(c, 0, 400.0f, 1.0f);
    const QImage afterShort = Picture.copy(strip);
    Graph->CurveChanged();
    Graph->CursorChanged(c, 0, 400.0f, 1.0f);
    EXPECT_EQ(Picture.copy(strip), afterShort);

    // The cursor leaves: an empty line.
    Graph->CursorChanged(nullptr, 0, 0.0f, 0.0f);
    EXPECT_EQ(NotWhite(strip), 0);
}

// A time drive of 100 s at a fixed wavenumber, as the scan sets it up: the
// graph's view and the curve run over the time axis of the measurement.
class TTimeDriveAxis : public TSpTimeDriveSource {
public:
    TTimeDriveAxis() { SpSetTimeDriveSource(this); }
    ~TTimeDriveAxis() { SpSetTimeDriveSource(nullptr); }
    bool TimeDriveAxis(TSpTimeAxis& axis) const override
    {
        axis = {0.0f, 100.0f, 100};
        return true;
    }
};

// The time drive writes 16 time labels under the frame in place of the
// graph's own abscissa labels, in whatever font the surface has: after a
// full repaint the strip under the frame holds exactly what it holds when
// the graph drew no labels of its own there (no grid), and the graph's end
// labels stay.
TEST_F(GraphTest, TimeLabelsReplaceTheGraphsAbscissaLabels)
{
    TTimeDriveAxis drive;
    Graph->SetViewRange(0.0f, 100.0f, 0.0f, 100.0f, 0.0f, 0, 101);
    TSpCurveZQ735* c = Graph->CurveAt(Graph->NewCurve());
    c->SetScanRange(0.0f, 100.0f, 0.0f, 100.0f, 0.0f, 0, 101);
    const std::vector<float> values(40, 50.0f);
    c->AppendData(values.data(), 40);

    const QRect under(0, Graph->FrameBottom + 1, Picture.width(), Graph->ReadoutY - Graph->FrameBottom - 1);
    Graph->SetShowGrid(false);
    Graph->CurveChanged();
    const QImage onlyTimeLabels = Picture.copy(under);
    ASSERT_GT(NotWhite(under), 0);

    Graph->SetShowGrid(true);
    Graph->CurveChanged();
    const TAxisPlan plan = Graph->PlanAxes();
    ASSERT_TRUE(std::any_of(plan.Grid.begin(), plan.Grid.end(),
                            [](const TAxisLabel& l) { return l.Vertical; }));  // the graph wrote labels of its own
    EXPECT_EQ(Picture.copy(under), onlyTimeLabels);
}

TEST_F(GraphTest, ScanAppendsWhileTheWindowRepaints)
{
    // The acquisition thread only appends to a curve (under the curve's own
    // lock); the window thread owns the slots and the surface and repaints.
    TSpCurveZQ735* c = Graph->CurveAt(Graph->NewCurve());
    c->SetScanRange(4000.0f, 400.0f, 0.0f, 100.0f, 2000.0f, 1001, 1601);
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 0; i < 2601; ++i) {
            const float v = static_cast<float>(i % 100);
            c->AppendData(&v, 1);
        }
        done = true;
    });
    int repaints = 0;
    while (!done || repaints < 3) {
        Graph->CurveChanged();
        c->DrawNew();
        ++repaints;
    }
    worker.join();
    EXPECT_EQ(c->GetCount(), 2601);
}

}  // namespace
