// Drawing of curves and segments on a real surface, rendered offscreen into
// a QImage and checked pixel by pixel against the mappings.

#include "surface/SpImage.h"
#include "spectra/SpCurveZQ735.h"
#include "tests/spectra/CurveFixtures.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>

using namespace curvetest;

namespace {

constexpr QRgb Red = qRgb(255, 0, 0);   // the curves' colour 0x000000FF
constexpr QRgb White = qRgb(255, 255, 255);

class CurveDraw : public ::testing::Test {
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
        Curve = std::make_unique<TSpCurveZQ735>(&Owner, WavenumberInfo());
        Curve->SetScanRange(4000.0f, 400.0f, 0.0f, 100.0f, 2000.0f, 1001, 1601);
        Curve->SetView(4000.0f, 400.0f, 0.0f, 100.0f, 384);
    }

    void TearDown() override
    {
        Curve.reset();
        Surface.reset();   // ends its painter on Picture
    }

    void Append(int32_t n, float value)
    {
        for (int32_t i = 0; i < n; ++i)
            Curve->AppendData(&value, 1);
    }

    void Blank() { Picture.fill(Qt::white); }

    bool RedAt(int x, int y) const { return Picture.pixel(x, y) == Red; }

    // Columns of red pixels on one row, and rows of red pixels overall.
    int RedInRow(int y, int from = 0, int to = 1099) const
    {
        int n = 0;
        for (int x = from; x <= to; ++x)
            n += RedAt(x, y);
        return n;
    }
    QRect RedBounds() const
    {
        QRect r;
        for (int y = 0; y < Picture.height(); ++y)
            for (int x = 0; x < Picture.width(); ++x)
                if (RedAt(x, y))
                    r |= QRect(x, y, 1, 1);
        return r;
    }

    QImage Picture;
    std::unique_ptr<TSpImage> Surface;
    TRecordingOwner Owner;
    std::unique_ptr<TSpCurveZQ735> Curve;
};

TEST_F(CurveDraw, LinesLandWhereTheMappingsSay)
{
    // A step from 20 to 80 between values 1199 (1801 cm-1) and 1200.
    Append(1200, 20.0f);
    Append(400, 80.0f);
    Curve->Paint();

    const int low = Curve->PixelOfY(20.0f), high = Curve->PixelOfY(80.0f);
    ASSERT_EQ(low, 180);
    ASSERT_EQ(high, 60);
    const int stepLeft = Curve->PixelOfX(Curve->XAtIndex(1199));
    const int stepRight = Curve->PixelOfX(Curve->XAtIndex(1200));
    const int end = Curve->PixelOfX(Curve->XAtIndex(1599));
    EXPECT_EQ(stepLeft, 460);
    EXPECT_EQ(stepRight, 461);

    // Both levels run from their first to their last column, and nowhere else.
    EXPECT_TRUE(RedAt(0, low));
    EXPECT_TRUE(RedAt(stepLeft, low));
    EXPECT_EQ(RedInRow(low, stepLeft + 1), 0);
    EXPECT_TRUE(RedAt(stepRight, high));
    EXPECT_TRUE(RedAt(end - 1, high));
    EXPECT_EQ(RedInRow(high, 0, stepLeft), 0);
    EXPECT_EQ(RedInRow(high, end + 1), 0);
    // The step itself joins the two rows.
    for (int y = high + 1; y < low; ++y)
        EXPECT_TRUE(RedAt(stepLeft, y) || RedAt(stepRight, y)) << "row " << y;
    // Nothing above, below or beyond the data.
    // (The last value's own pixel may be left out, as the platform's lines do.)
    const QRect drawn = RedBounds();
    EXPECT_EQ(drawn.topLeft(), QPoint(0, high));
    EXPECT_EQ(drawn.bottom(), low);
    EXPECT_GE(drawn.right(), end - 1);
    EXPECT_LE(drawn.right(), end);
    EXPECT_EQ(Curve->Seg1->DrawnCount, 1001);
    EXPECT_EQ(Curve->Seg2->DrawnCount, 600);
}

TEST_F(CurveDraw, ValuesOutsideTheViewAreNotDrawn)
{
    // 4000 ... 3002 cm-1 at 90, the rest at 50; the view starts at 3000.
    Curve->SetView(3000.0f, 400.0f, 0.0f, 100.0f, 300);
    Append(500, 90.0f);
    Append(2101, 50.0f);
    Curve->Paint();

    const int row = Curve->PixelOfY(50.0f);
    EXPECT_TRUE(RedAt(0, row));
    EXPECT_TRUE(RedAt(999, row));
    EXPECT_EQ(RedInRow(Curve->PixelOfY(90.0f)), 0);
    EXPECT_EQ(RedBounds(), QRect(QPoint(0, row), QPoint(999, row)));

    // Above or below the ordinate view a value is drawn just outside the plot.
    Blank();
    Curve->SetView(3000.0f, 400.0f, 0.0f, 40.0f, 300);
    Curve->Paint();
    EXPECT_EQ(RedBounds().top(), Curve->Info.PlotTop - 5);
    EXPECT_EQ(RedBounds().bottom(), Curve->Info.PlotTop - 5);
}

TEST_F(CurveDraw, DrawNewDrawsOnlyTheNewPieceJoinedToTheOld)
{
    Append(1300, 50.0f);
    Curve->DrawNew();
    EXPECT_EQ(RedBounds(), QRect(QPoint(0, 120), QPoint(Curve->PixelOfX(Curve->XAtIndex(1299)) - 1, 120)));

    Blank();
    Append(1, 80.0f);
    Curve->DrawNew();
    // Value 1299 (1701 cm-1) and value 1300 (1700 cm-1) share column 499.
    const int column = Curve->PixelOfX(Curve->XAtIndex(1300));
    ASSERT_EQ(column, 499);
    ASSERT_EQ(Curve->PixelOfX(Curve->XAtIndex(1299)), 499);
    const QRect piece = RedBounds();
    EXPECT_EQ(piece.left(), column);
    EXPECT_EQ(piece.right(), column);
    // One pixel of the two ends is left out; which one is the surface's
    // business.
    EXPECT_GE(piece.top(), 60);
    EXPECT_LE(piece.bottom(), 120);
    EXPECT_EQ(piece.height(), 60);
    EXPECT_EQ(Curve->Seg2->DrawnCount, 301);

    // Nothing new: nothing drawn.
    Blank();
    Curve->DrawNew();
    EXPECT_TRUE(RedBounds().isNull());
}

TEST_F(CurveDraw, DrawNewAfterClearingStartsFromTheFirstValue)
{
    Append(1300, 50.0f);
    Curve->DrawNew();
    Blank();
    Curve->Clear();
    Append(5, 20.0f);
    Curve->DrawNew();
    const QRect r = RedBounds();
    EXPECT_EQ(r.left(), 0);
    EXPECT_EQ(r.top(), 180);
    EXPECT_EQ(r.bottom(), 180);
    EXPECT_EQ(Curve->Seg1->DrawnCount, 5);
}

TEST_F(CurveDraw, AppendAndDrawStoresAndDrawsEachValue)
{
    TCurveInfo info = WavenumberInfo();
    info.Capacity = 11;
    info.XDataFrom = info.XViewFrom = 0.0f;
    info.XDataTo = info.XViewTo = 1000.0f;
    TSpCurveBase seg(Surface.get(), info);
    const float first[] = {50.0f, 50.0f};
    seg.AppendAndDraw(first, 2);
    EXPECT_EQ(seg.Count, 2);
    EXPECT_EQ(seg.DrawnCount, 2);
    EXPECT_EQ(RedBounds(), QRect(QPoint(0, 120), QPoint(99, 120)));

    // Past the capacity it starts again at index 0.
    Blank();
    const std::vector<float> more(10, 20.0f);
    seg.AppendAndDraw(more.data(), 10);
    EXPECT_EQ(seg.Count, 1);
    EXPECT_EQ(seg.Data[0], 20.0f);
}

TEST_F(CurveDraw, TimeDriveStretchesTheValuesOverTheFrameAndLabelsTheAxis)
{
    TScopedTimeDrive drive(0.0f, 100.0f, 50);
    Curve->SetScanRange(0.0f, 100.0f, 0.0f, 100.0f, 0.0f, 0, 51);
    Curve->SetView(0.0f, 100.0f, 0.0f, 100.0f, 0);
    Append(10, 50.0f);
    Curve->Paint();

    // From the frame's left edge to its right edge (end pixel left out).
    EXPECT_EQ(RedBounds(), QRect(QPoint(0, 120), QPoint(999, 120)));
    EXPECT_EQ(RedInRow(120, 0, 999), 1000);

    // Labels are written under the frame, between its ends.
    int dark = 0;
    for (int y = Curve->Info.FrameBottom; y < Picture.height(); ++y)
        for (int x = 60; x < 940; ++x)
            dark += Picture.pixel(x, y) != White && Picture.pixel(x, y) != Red;
    EXPECT_GT(dark, 0);
}

} // namespace
