// The read cursor on a real picture: keys, mouse drag, the two segments,
// the marker put back without a repaint, point labels, the three-point
// height, and the peak labels of Paint.

#include "surface/SpImage.h"
#include "spectra/SpCurveZQ735.h"
#include "tests/spectra/CurveFixtures.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>

using namespace curvetest;

namespace {

constexpr QRgb MarkerRed = qRgb(255, 0, 0);

// An owner that keeps the last read-out it was asked for.
class TReadoutOwner : public TSpCurveOwner {
public:
    void CurveChanged() override {}
    int AttachCurve(TSpCurveZQ735*) override { return 0; }
    void CursorChanged(TSpCurveZQ735* curve, int index, float x, float value) override
    {
        ++Calls;
        Curve = curve;
        Index = index;
        X = x;
        Value = value;
    }
    int Calls = 0;
    TSpCurveZQ735* Curve = nullptr;
    int Index = -1;
    float X = 0.0f, Value = 0.0f;
};

class ReadCursor : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (QGuiApplication::instance() == nullptr) {
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
                qputenv("QT_QPA_PLATFORM", "offscreen");
            static int argc = 1;
            static char name[] = "spectra_gui_tests";
            static char* argv[] = {name, nullptr};
            static QGuiApplication app(argc, argv);
        }
    }

    void SetUp() override
    {
        Picture = QImage(1100, 300, QImage::Format_RGB32);
        Picture.fill(Qt::white);
        Surface = std::make_unique<TSpImage>(nullptr, &Picture, 0, 0, 1100, 300);
        Owner.Image = Surface.get();
        TCurveInfo info = WavenumberInfo();
        info.Color = 0x00FF0000u;  // blue, so that red is the marker's alone
        Curve = std::make_unique<TSpCurveZQ735>(&Owner, info);
        Curve->SetScanRange(4000.0f, 400.0f, 0.0f, 100.0f, 2000.0f, 1001, 1601);
        Curve->SetView(4000.0f, 400.0f, 0.0f, 100.0f, 384);
        std::vector<float> v(2601);
        for (size_t i = 0; i < v.size(); ++i)
            v[i] = 20.0f + static_cast<float>(i % 50);
        Curve->AppendData(v.data(), 2601);
    }

    void TearDown() override
    {
        Curve.reset();
        Surface.reset();
    }

    int Red() const
    {
        int n = 0;
        for (int y = 0; y < Picture.height(); ++y)
            for (int x = 0; x < Picture.width(); ++x)
                n += Picture.pixel(x, y) == MarkerRed;
        return n;
    }

    QImage Picture;
    std::unique_ptr<TSpImage> Surface;
    TReadoutOwner Owner;
    std::unique_ptr<TSpCurveZQ735> Curve;
};

TEST_F(ReadCursor, EmptyCurveHasNoCursor)
{
    TSpCurveZQ735 empty(&Owner, WavenumberInfo());
    EXPECT_EQ(empty.ShowCursor(true), -1);
    EXPECT_FALSE(empty.CursorShown);
}

TEST_F(ReadCursor, ShowingDrawsTheMarkerAndHidingPutsThePixelsBack)
{
    Curve->Paint();
    const QImage before = Picture.copy();
    ASSERT_EQ(Curve->ShowCursor(true), 0);
    EXPECT_TRUE(Curve->MarkerDrawn);
    EXPECT_GT(Red(), 5);  // half of it: the first point sits on the plot's left edge
    EXPECT_EQ(Owner.Curve, Curve.get());
    EXPECT_EQ(Owner.Index, 0);
    EXPECT_EQ(Owner.X, 4000.0f);

    // Moving leaves nothing behind; hiding erases the cross and the read-out.
    Curve->OnMouseDown(0, 700);
    Curve->OnMouseUp(0);
    EXPECT_GE(Red(), 16);  // one whole cross, the first one gone
    EXPECT_EQ(Curve->ShowCursor(false), 0);
    EXPECT_FALSE(Curve->MarkerDrawn);
    EXPECT_EQ(Owner.Curve, nullptr);
    EXPECT_EQ(Picture, before);
}

TEST_F(ReadCursor, KeysStepThroughThePointsWithinTheCurve)
{
    Curve->ShowCursor(true);
    struct TStep {
        int Key;
        int Index;
        int Step;
    };
    const TStep steps[] = {
        {0x25, 0, 1},       // Left at 0 stays
        {0x27, 1, 1},       // Right
        {0x22, 1, 1},       // Page Down from 1 keeps 1
        {0x21, 1, 2},       // Page Up
        {0x27, 3, 2},
        {0x25, 1, 2},
        {0x25, 0, 2},       // not below 0
    };
    for (const TStep& s : steps) {
        Curve->OnKeyDown(s.Key);
        EXPECT_EQ(Curve->CursorIndex, s.Index) << s.Key;
        EXPECT_EQ(Curve->CursorStep, s.Step) << s.Key;
        EXPECT_EQ(Owner.Index, s.Index) << s.Key;
    }
    for (int i = 0; i < 12; ++i)
        Curve->OnKeyDown(0x21);
    EXPECT_EQ(Curve->CursorStep, 10);

    // Right on the last point keeps it there; it reads 400 cm-1.
    Curve->MoveCursorToIndex(2599);
    Curve->OnKeyDown(0x27);
    EXPECT_EQ(Curve->CursorIndex, 2600);
    EXPECT_EQ(Owner.X, 400.0f);
    Curve->OnKeyDown(0x27);
    EXPECT_EQ(Curve->CursorIndex, 2600);

    // A hidden cursor ignores the keys.
    Curve->ShowCursor(false);
    Curve->OnKeyDown(0x25);
    EXPECT_EQ(Curve->CursorIndex, 2600);
}

TEST_F(ReadCursor, DragFollowsTheMouseOnBothSidesOfTheSplit)
{
    Curve->ShowCursor(true);
    Curve->OnMouseMove(600);  // not dragging: nothing
    EXPECT_EQ(Curve->CursorIndex, 0);
    Curve->OnMouseDown(0, 200);
    EXPECT_GT(Owner.X, 2000.0f);
    EXPECT_LT(Curve->CursorIndex, 1000);
    Curve->OnMouseMove(700);
    EXPECT_LT(Owner.X, 2000.0f);
    EXPECT_GT(Curve->CursorIndex, 1000);
    EXPECT_NEAR(Curve->XAtIndex(Curve->CursorIndex), Owner.X, 1e-3);
    EXPECT_EQ(Owner.Value, Curve->GetData()[Curve->CursorIndex]);
    Curve->OnMouseUp(0);
    const int at = Curve->CursorIndex;
    Curve->OnMouseMove(300);
    EXPECT_EQ(Curve->CursorIndex, at);
    // Another button neither drags nor moves.
    Curve->OnMouseDown(1, 300);
    EXPECT_EQ(Curve->CursorIndex, at);
}

TEST_F(ReadCursor, ThreeMarksGiveThePeakHeight)
{
    const float outer = 50.0f, middle = 30.0f;
    const float pts[3][2] = {{1000.0f, outer}, {1100.0f, middle}, {1200.0f, outer}};
    const int orders[][3] = {{0, 1, 2}, {2, 1, 0}, {1, 0, 2}, {2, 0, 1}};
    for (const auto& order : orders) {
        for (int k : order) {
            for (int m = 0; m < 3; ++m)
                if (!Curve->MarkSet[m]) {
                    Curve->MarkX[m] = pts[k][0];
                    Curve->MarkY[m] = pts[k][1];
                    Curve->MarkSet[m] = true;
                    break;
                }
        }
        float h = 0.0f;
        ASSERT_TRUE(Curve->PeakHeight(h));
        EXPECT_FLOAT_EQ(h, -20.0f);
        EXPECT_FALSE(Curve->MarkSet[0] || Curve->MarkSet[1] || Curve->MarkSet[2]);
    }

    // Through the key: fewer than three marks give nothing; the same
    // abscissa three times gives nothing and clears them.
    Curve->ShowCursor(true);
    float h = 0.0f;
    Curve->OnKeyDown(0x50);
    Curve->OnKeyDown(0x50);
    EXPECT_FALSE(Curve->PeakHeight(h));
    Curve->OnKeyDown(0x50);
    EXPECT_FALSE(Curve->PeakHeight(h));
    EXPECT_FALSE(Curve->MarkSet[0]);

    // Points 0, 25, 50 of the saw tooth: 20, 45, 20 (abscissas 4000, 3950, 3900).
    for (int i : {0, 25, 50}) {
        Curve->MoveCursorToIndex(i);
        Curve->OnKeyDown(0x50);
    }
    ASSERT_TRUE(Curve->PeakHeight(h));
    EXPECT_FLOAT_EQ(h, 25.0f);
    // The next mark starts a new measurement.
    Curve->OnKeyDown(0x50);
    EXPECT_TRUE(Curve->MarkSet[0]);
    EXPECT_FALSE(Curve->MarkSet[1]);
}

TEST_F(ReadCursor, PointLabelsFollowTheOwnersStyle)
{
    Curve->Paint();
    Curve->ShowCursor(true);
    Curve->MoveCursorToIndex(1500);
    const QImage plain = Picture.copy();
    Owner.PointLabelStyle = [] { return TPointLabelStyle{false, false, false}; };
    Curve->OnKeyDown(0x0D);
    EXPECT_EQ(Picture, plain);  // nothing to write

    Owner.PointLabelStyle = [] { return TPointLabelStyle{true, true, true}; };
    Curve->OnKeyDown(0x0D);
    EXPECT_NE(Picture, plain);
    // The label rises from just above the point; the marker is still there.
    const int px = Curve->PixelOfX(Curve->XAtIndex(1500));
    const int py = Curve->PixelOfY(Curve->GetData()[1500]);
    int above = 0, below = 0;
    for (int y = 0; y < 300; ++y)
        for (int x = px - 8; x <= px + 8; ++x) {
            const QRgb c = Picture.pixel(x, y);
            if (c != plain.pixel(x, y) && std::abs(y - py) > 6)
                (y < py ? above : below) += 1;
        }
    EXPECT_GT(above, 20);
    EXPECT_EQ(below, 0);
    EXPECT_TRUE(Curve->MarkerDrawn);
}

TEST_F(ReadCursor, PaintDrawsThePeakLabelsAndPlacesTheCursorAgain)
{
    float px[200], py[200], vx[200], vy[200];
    int32_t np = 0, nv = 0;
    Curve->FindPeaks(10.0f, 1, px, py, vx, vy, 200, 200, np, nv);
    ASSERT_GT(np, 10);
    Curve->ShowCursor(true);
    Curve->MoveCursorToIndex(1200);
    Picture.fill(Qt::white);
    Curve->Paint();
    EXPECT_TRUE(Curve->MarkerDrawn);
    EXPECT_EQ(Curve->CursorIndex, 1200);
    QImage marked = Picture.copy();

    Curve->SetPeakMarks(false, false);
    Picture.fill(Qt::white);
    Curve->Paint();
    EXPECT_NE(Picture, marked);
    // Labels by ordinal number: "1" above the first peak at its column.
    Curve->SetPeakMarks(true, false);
    Picture.fill(Qt::white);
    Curve->Paint();
    const int col = Curve->PixelOfX(px[0]);
    const int row = Curve->PixelOfY(py[0]);
    int ink = 0;
    for (int y = row - 20; y < row; ++y)
        for (int x = col - 6; x <= col + 6; ++x)
            ink += qGray(Picture.pixel(x, y)) < 128 && Picture.pixel(x, y) != MarkerRed;
    EXPECT_GT(ink, 3);
}

}  // namespace
