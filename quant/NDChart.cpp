#include "quant/NDChart.h"

#include "surface/SpShapes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

QString Fixed(float v, int decimals)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%1.*f", decimals, static_cast<double>(v));
    return QString::fromLatin1(buf);
}

bool Degenerate(float xMin, float xMax, float yMin, float yMax)
{
    return std::fabs(xMax - xMin) < 1e-7f || std::fabs(yMax - yMin) < 1e-7f;
}

int32_t Clamp(int32_t v, int32_t lo, int32_t hi)
{
    return std::max(lo, std::min(v, hi));
}

// Pixels per centimetre, truncated, from pixels per inch.
int32_t PixelsPerCm(int ppi)
{
    return static_cast<int32_t>(static_cast<long double>(ppi) * 0.39370078740157L);
}

}  // namespace

int32_t NDPixelX(const TSpRect& plot, float xMin, float xMax, float x)
{
    return static_cast<int32_t>(plot.Left + static_cast<double>(plot.Right - plot.Left) *
                                                (static_cast<double>(x) - xMin) / (static_cast<double>(xMax) - xMin));
}

int32_t NDPixelY(const TSpRect& plot, float yMin, float yMax, float y)
{
    return static_cast<int32_t>(plot.Top + static_cast<double>(plot.Bottom - plot.Top) *
                                               (static_cast<double>(yMax) - y) / (static_cast<double>(yMax) - yMin));
}

void DrawChartFrame(TSpImage& s, const TSpRect& outer, float xMin, float xMax, float yMin, float yMax,
                    TSpRect& frame, TSpRect& plot)
{
    s.SetPenStyle(SpPenSolid);
    s.SetPenColor(kNDFrameColor);
    s.Rectangle(outer.Left + 1, outer.Top + 1, outer.Right - 1, outer.Bottom - 1);

    const int32_t w1 = std::max(s.TextExtent(Fixed(yMax, 4)).width(), s.TextExtent(Fixed(yMin, 4)).width());
    frame.Left = outer.Left + w1;
    frame.Right = outer.Right - s.TextExtent(Fixed(xMax, 3)).width() / 2;
    const int32_t h = s.TextExtent(Fixed(xMin, 2)).height();
    frame.Top = outer.Top + h;
    frame.Bottom = outer.Bottom - 2 * h;
    plot.Top = outer.Top + 2 * h;
    plot.Bottom = outer.Bottom - 3 * h;
    plot.Left = frame.Left;
    plot.Right = frame.Right;

    s.Rectangle(frame.Left, frame.Top, frame.Right, frame.Bottom);
    s.SetPenStyle(SpPenDot);
    for (int32_t y : {plot.Top, plot.Bottom}) {
        s.MoveTo(frame.Left, y);
        s.LineTo(frame.Right, y);
    }
    s.SetPenStyle(SpPenSolid);

    for (int i = 1; i <= 9; ++i) {
        const int32_t x = frame.Left + (frame.Right - frame.Left) * i / 10;
        s.MoveTo(x, frame.Top);
        s.LineTo(x, frame.Top + 3);
        s.MoveTo(x, frame.Bottom);
        s.LineTo(x, frame.Bottom - 3);
    }
    const int32_t pw = plot.Right - plot.Left;
    const int32_t ph = plot.Bottom - plot.Top;
    for (int j = 1; j <= 19; ++j)
        for (int k = 1; k <= 9; ++k)
            SpSetPixel(s, plot.Left + pw * j / 20, plot.Top + ph * k / 10, kNDFrameColor);

    s.SetFontColor(kNDLabelColor);
    const QString xMinText = Fixed(xMin, 1);
    const QString xMaxText = Fixed(xMax, 1);
    s.DrawText(frame.Left - s.TextExtent(xMinText).width() / 2, frame.Bottom + h / 2, xMinText);
    s.DrawText(frame.Right - s.TextExtent(xMaxText).width() / 2, frame.Bottom + h / 2, xMaxText);
    const QString yMaxText = Fixed(yMax, 2);
    const QString yMinText = Fixed(yMin, 2);
    s.DrawText(frame.Left - h / 2 - s.TextExtent(yMaxText).width(), plot.Top - h / 2, yMaxText);
    s.DrawText(frame.Left - h / 2 - s.TextExtent(yMinText).width(), plot.Bottom - h / 2, yMinText);
}

void DrawCurveLine(TSpImage& s, float xMin, float xMax, float yMin, float yMax, const float* x, const float* y,
                   int count, const TSpRect& plot, uint32_t color, bool lines)
{
    if (count < 1 || Degenerate(xMin, xMax, yMin, yMax))
        return;
    int start = -1;
    for (int i = 0; i < count; ++i) {
        const int32_t px = NDPixelX(plot, xMin, xMax, x[i]);
        if (px >= plot.Left && px <= plot.Right) {
            start = i;
            break;
        }
    }
    if (start < 0)
        return;
    s.MoveTo(NDPixelX(plot, xMin, xMax, x[start]),
             Clamp(NDPixelY(plot, yMin, yMax, y[start]), plot.Top, plot.Bottom));
    s.SetPenStyle(SpPenSolid);
    s.SetPenColor(color);
    for (int i = 0; i < count; ++i) {
        if (x[i] < xMin || x[i] > xMax)
            continue;
        const int32_t px = Clamp(NDPixelX(plot, xMin, xMax, x[i]), plot.Left, plot.Right);
        const int32_t py = Clamp(NDPixelY(plot, yMin, yMax, y[i]), plot.Top, plot.Bottom);
        if (lines) {
            s.LineTo(px, py);
        } else {
            s.MoveTo(px, py);
            SpEllipse(s, px - 2, py - 2, px + 2, py + 2);
        }
    }
}

void DrawNumberedPoint(TSpImage& s, float xMin, float xMax, float yMin, float yMax, float x, float y, int number,
                       const TSpRect& plot, uint32_t color, bool showNumber)
{
    if (Degenerate(xMin, xMax, yMin, yMax) || x < xMin || x > xMax)
        return;
    const int32_t rx = static_cast<int32_t>(PixelsPerCm(SpPixelsPerInchX(s)) * 0.1);
    const int32_t ry = static_cast<int32_t>(PixelsPerCm(SpPixelsPerInchY(s)) * 0.1);
    s.SetPenStyle(SpPenSolid);
    s.SetPenColor(color);
    const int32_t px = Clamp(NDPixelX(plot, xMin, xMax, x), plot.Left, plot.Right);
    const int32_t py = Clamp(NDPixelY(plot, yMin, yMax, y), plot.Top, plot.Bottom);
    SpEllipse(s, px - rx, py - ry, px + rx, py + ry);
    const QString text = QString::number(number);
    const QSize ext = s.TextExtent(text);
    const int32_t ty = px < (plot.Left + plot.Right) / 2 ? py + 2 : py - (ext.height() + 2);
    if (showNumber) {
        s.SetFontColor(color);
        s.DrawText(px - ext.width() / 2, ty, text);
    }
}
