#include "surface/SpImage.h"

#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <vector>

#include "tests/support/GuiApp.h"

namespace {

constexpr QRgb WhitePx = 0xFFFFFFFFu;

QImage WhiteImage(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

// Bounding box of every pixel that is not white.
QRect Ink(const QImage& img)
{
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) != WhitePx)
                box |= QRect(x, y, 1, 1);
    return box;
}

TEST(SpImage, OwnBitmapHasNoSizeUntilSetRect)
{
    TSpImage s(nullptr);
    EXPECT_EQ(s.Width(), 0);
    EXPECT_EQ(s.Height(), 0);
    // Drawing on the empty bitmap is harmless.
    s.MoveTo(0, 0);
    s.LineTo(5, 5);
    s.DrawText(0, 0, "x");

    s.SetRect(0, 0, 12, 12);
    EXPECT_EQ(s.Width(), 12);
    EXPECT_EQ(s.Height(), 12);
    ASSERT_NE(s.Bitmap(), nullptr);
    EXPECT_EQ(s.Bitmap()->size(), QSize(12, 12));
    ASSERT_NE(s.GetCanvas(), nullptr);
    EXPECT_TRUE(s.GetCanvas()->isActive());
}

TEST(SpImage, CoordinatesAreOffsetByTheRectangle)
{
    QImage img = WhiteImage(40, 40);
    {
        TSpImage s(nullptr, &img, 10, 20, 40, 40);
        EXPECT_EQ(s.SetPenColor(SpRgb(255, 0, 0)), 0);
        s.MoveTo(0, 0);
        s.LineTo(5, 5);
    }
    const QRgb red = qRgb(255, 0, 0);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(img.pixel(10 + i, 20 + i), red) << i;
    // Like the platform's lines, the end pixel is left for the next line.
    EXPECT_EQ(img.pixel(15, 25), WhitePx);
    EXPECT_EQ(Ink(img), QRect(10, 20, 5, 5));

    // Whatever the direction, the start pixel is set and the end one is not.
    QImage up = WhiteImage(10, 40);
    {
        TSpImage s(nullptr, &up, 0, 0, 10, 40);
        s.MoveTo(4, 30);
        s.LineTo(4, 10);
    }
    EXPECT_EQ(Ink(up), QRect(4, 11, 1, 20));
}

// The pixels a one-pixel line has always had: the symmetric integer walk,
// end pixel left out.
std::vector<QPoint> WalkedPixels(QPoint from, QPoint to)
{
    std::vector<QPoint> out;
    int x = from.x(), y = from.y();
    const int dx = std::abs(to.x() - x), dy = -std::abs(to.y() - y);
    const int sx = x < to.x() ? 1 : -1, sy = y < to.y() ? 1 : -1;
    int err = dx + dy;
    while (x != to.x() || y != to.y()) {
        out.emplace_back(x, y);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
    return out;
}

// Every slope and direction, from a start in the middle (lines wholly on the
// image) and from one near a corner (lines leaving it), including long steep
// and long flat ones: each line sets exactly the walked pixels that lie on
// the image. Catches any drawing shortcut that moves a pixel.
TEST(SpImage, LinesSetExactlyTheWalkedPixelsInEveryDirection)
{
    const int w = 160, h = 150;
    const QImage white = WhiteImage(w, h);
    QImage img = white;
    TSpImage s(nullptr, &img, 0, 0, w, h);
    s.SetPenColor(SpRgb(255, 0, 0));
    const QRgb red = qRgb(255, 0, 0);
    std::vector<QPoint> ends;
    for (int a = -45; a <= 45; ++a)
        for (int b = -45; b <= 45; ++b)
            ends.emplace_back(a, b);
    for (int along = 46; along <= 140; along += 7)
        for (int across = -6; across <= 6; ++across)
            for (int sign : {-1, 1})
                ends.insert(ends.end(), {QPoint(across, sign * along), QPoint(sign * along, across)});
    for (const QPoint origin : {QPoint(75, 72), QPoint(4, 140)}) {
        for (const QPoint d : ends) {
            const QPoint to = origin + d;
            s.MoveTo(origin.x(), origin.y());
            s.LineTo(to.x(), to.y());
            for (const QPoint px : WalkedPixels(origin, to)) {
                if (px.x() < 0 || px.y() < 0 || px.x() >= w || px.y() >= h)
                    continue;
                ASSERT_EQ(img.pixel(px), red) << "line " << origin.x() << "," << origin.y() << " -> " << to.x()
                                              << "," << to.y() << " misses " << px.x() << "," << px.y();
                img.setPixel(px, WhitePx);
            }
            ASSERT_EQ(img, white) << "line " << origin.x() << "," << origin.y() << " -> " << to.x() << ","
                                  << to.y() << " sets a pixel off its walk";
        }
    }
}

// Lines queued in a batch reach the image band by band; the picture must be
// the one drawn line by line: overlapping lines of several colours keep
// their order, lines across bands and lines leaving the image included, with
// other drawing (a dotted line, a rectangle, the painter handed out) between.
TEST(SpImage, ABatchOfLinesEndsAsTheSamePictureAsLinesDrawnOneByOne)
{
    auto draw = [](QImage& img, bool batched) {
        TSpImage s(nullptr, &img, 0, 0, img.width(), img.height());
        std::optional<TSpLineBatch> batch;
        if (batched)
            batch.emplace(&s);
        uint32_t seed = 12345;
        auto next = [&seed](int n) {
            seed = seed * 1103515245u + 12345u;
            return static_cast<int>((seed >> 8) % static_cast<uint32_t>(n));
        };
        const uint32_t colours[] = {SpRgb(255, 0, 0), SpRgb(0, 0, 255), SpRgb(0, 160, 0)};
        s.MoveTo(10, 150);
        for (int i = 0; i < 3000; ++i) {
            if (i % 25 == 0)
                s.SetPenColor(colours[next(3)]);
            if (i == 1000) {
                s.SetPenStyle(SpPenDot);
                s.LineTo(600, 20);
                s.SetPenStyle(SpPenSolid);
            }
            if (i == 1500)
                s.Rectangle(300, 100, 420, 180);
            if (i == 2000)
                s.GetCanvas()->fillRect(QRect(500, 0, 40, 300), Qt::yellow);
            // Mostly short steps across a few columns, now and then a long
            // jump, across bands, or off the image.
            const int dx = next(20) == 0 ? next(900) - 450 : next(5) - 2;
            const int dy = next(10) == 0 ? next(500) - 250 : next(80) - 40;
            s.LineTo(std::clamp(10 + (i * 7 + dx) % 760 - 30, -40, 760), std::clamp(150 + dy, -60, 360));
        }
    };
    QImage one = WhiteImage(720, 300), batched = WhiteImage(720, 300);
    draw(one, false);
    draw(batched, true);
    EXPECT_NE(Ink(one), QRect());
    EXPECT_EQ(batched, one);
}

TEST(SpImage, DottedLineLeavesGapsAndSolidDoesNot)
{
    QImage img = WhiteImage(60, 10);
    {
        TSpImage s(nullptr, &img, 0, 0, 60, 10);
        s.SetPenStyle(SpPenDot);
        s.MoveTo(0, 2);
        s.LineTo(50, 2);
        s.SetPenStyle(SpPenSolid);
        s.MoveTo(0, 6);
        s.LineTo(50, 6);
    }
    int dotted = 0, solid = 0;
    for (int x = 0; x < 50; ++x) {
        dotted += img.pixel(x, 2) != WhitePx;
        solid += img.pixel(x, 6) != WhitePx;
    }
    EXPECT_EQ(solid, 50);
    EXPECT_GT(dotted, 5);
    EXPECT_LT(dotted, 40);
}

TEST(SpImage, RectangleFillsWithBrushAndLeavesRightAndBottomOut)
{
    QImage img = WhiteImage(30, 30);
    {
        TSpImage s(nullptr, &img, 5, 5, 30, 30);
        s.SetPenColor(SpRgb(0, 0, 255));
        s.SetBrushColor(SpRgb(0, 255, 0));
        EXPECT_EQ(s.BrushColor(), SpRgb(0, 255, 0));
        EXPECT_EQ(s.PenColor(), SpRgb(0, 0, 255));
        s.Rectangle(0, 0, 10, 8);
    }
    EXPECT_EQ(Ink(img), QRect(5, 5, 10, 8));
    EXPECT_EQ(img.pixel(5, 5), qRgb(0, 0, 255));    // outline
    EXPECT_EQ(img.pixel(14, 12), qRgb(0, 0, 255));  // last outlined corner
    EXPECT_EQ(img.pixel(8, 8), qRgb(0, 255, 0));    // fill
}

TEST(SpImage, NumbersHaveOneDecimalAndFiveDigits)
{
    struct Case {
        float value;
        const char* text;
    } cases[] = {
        {4000.0f, "4000.0"},      {100.0f, "100.0"},     {0.24f, "0.2"},
        {-4095.0f, "-4095.0"},    {0.0f, "0.0"},         {-0.01f, "0.0"},
        {12345.6f, "12346.0"},    {99999.0f, "99999.0"}, {123456.0f, "1.2346E+05"},
        {-4.0e7f, "-4.0000E+07"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SpFormatNumber(c.value).toStdString(), c.text) << c.value;
}

TEST(SpImage, DrawNumberDrawsTheFormattedText)
{
    QImage a = WhiteImage(80, 20), b = WhiteImage(80, 20);
    {
        TSpImage sa(nullptr, &a, 0, 0, 80, 20);
        TSpImage sb(nullptr, &b, 0, 0, 80, 20);
        sa.DrawNumber(2, 2, 4000.0f);
        sb.DrawText(2, 2, "4000.0");
    }
    EXPECT_FALSE(Ink(a).isEmpty());
    EXPECT_EQ(a, b);
}

TEST(SpImage, TextAngle900ReadsUpward)
{
    QImage flat = WhiteImage(120, 120), up = WhiteImage(120, 120);
    QSize extent;
    {
        TSpImage s(nullptr, &flat, 0, 0, 120, 120);
        extent = s.TextExtent("ABCDEFG");
        s.DrawText(20, 100, "ABCDEFG");
    }
    {
        TSpImage s(nullptr, &up, 0, 0, 120, 120);
        s.SetTextAngle(900);
        EXPECT_EQ(s.TextAngle(), 900);
        s.DrawText(20, 100, "ABCDEFG");
    }
    const QRect f = Ink(flat), u = Ink(up);
    ASSERT_FALSE(f.isEmpty());
    ASSERT_FALSE(u.isEmpty());
    // Horizontal text is wide and lies below and right of its corner ...
    EXPECT_GT(f.width(), f.height());
    EXPECT_GE(f.top(), 100);
    // ... the rotated text is tall, lies above its corner (it runs upward
    // from it) and within one text height right of it.
    EXPECT_GT(u.height(), u.width());
    EXPECT_LE(u.bottom(), 100);
    EXPECT_GE(u.top(), 100 - extent.width());
    EXPECT_GE(u.left(), 20);
    EXPECT_LE(u.right(), 20 + extent.height());
    EXPECT_NEAR(u.height(), f.width(), 2);
}

TEST(SpImage, TextIsOpaqueUntilATextAngleIsSet)
{
    QImage img(60, 40, QImage::Format_RGB32);
    img.fill(Qt::black);
    {
        TSpImage s(nullptr, &img, 0, 0, 60, 40);
        s.SetFontColor(SpRgb(255, 0, 0));
        s.DrawText(0, 0, "  ");  // blanks cover with the brush colour
        s.SetTextAngle(0);
        s.DrawText(0, 20, "  ");  // and draw nothing once transparent
    }
    EXPECT_EQ(img.pixel(1, 3), WhitePx);
    EXPECT_EQ(img.pixel(1, 23), qRgb(0, 0, 0));
}

TEST(SpImage, CopyRectUsesEachSurfacesOwnOrigin)
{
    QImage img = WhiteImage(50, 50);
    TSpImage big(nullptr, &img, 10, 10, 50, 50);
    big.SetPenColor(SpRgb(255, 0, 0));
    big.MoveTo(3, 4);
    big.LineTo(4, 4);  // one red pixel at canvas (13, 14)

    TSpImage marker(nullptr);
    marker.SetRect(0, 0, 12, 12);
    marker.CopyRect({0, 0, 12, 12}, big, {0, 0, 12, 12});
    EXPECT_EQ(marker.Bitmap()->pixel(3, 4), qRgb(255, 0, 0));
    EXPECT_EQ(marker.Bitmap()->pixel(4, 4), WhitePx);

    // Back into the big surface, elsewhere: (20, 20) relative is canvas (30, 30).
    big.CopyRect({20, 20, 32, 32}, marker, {0, 0, 12, 12});
    EXPECT_EQ(img.pixel(33, 34), qRgb(255, 0, 0));
    // And within one surface, overlapping nothing.
    big.CopyRect({0, 20, 12, 32}, big, {0, 0, 12, 12});
    EXPECT_EQ(img.pixel(13, 34), qRgb(255, 0, 0));
}

TEST(SpImage, SetCanvasMovesTheDrawingToAnotherPainter)
{
    QImage first = WhiteImage(40, 40), second = WhiteImage(40, 40);
    QPainter p1(&first), p2(&second);
    TSpImage s(nullptr, &p1, 10, 20, 30, 40);
    s.SetPenColor(SpRgb(255, 0, 0));
    s.MoveTo(0, 0);
    s.LineTo(5, 0);
    s.SetCanvas(&p2);
    s.MoveTo(0, 5);
    s.LineTo(5, 5);
    p1.end();
    p2.end();
    EXPECT_EQ(Ink(first), QRect(10, 20, 5, 1));
    // The pen colour is kept; the rectangle still offsets.
    EXPECT_EQ(Ink(second), QRect(10, 25, 5, 1));
    EXPECT_EQ(second.pixel(10, 25), qRgb(255, 0, 0));
}

TEST(SpImage, ColoursAreBgrValues)
{
    EXPECT_EQ(SpColor(0x00FF8040u), QColor(0x40, 0x80, 0xFF));
    EXPECT_EQ(SpColorValue(QColor(0x40, 0x80, 0xFF)), 0x00FF8040u);
}

}  // namespace
