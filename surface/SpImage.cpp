#include "surface/SpImage.h"

#include <QFontMetrics>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstdio>

QColor SpColor(uint32_t bgr)
{
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

uint32_t SpColorValue(const QColor& c)
{
    return SpRgb(static_cast<uint32_t>(c.red()), static_cast<uint32_t>(c.green()),
                 static_cast<uint32_t>(c.blue()));
}

QString SpFormatNumber(float value)
{
    double v = value;
    if (std::isnan(v))
        return QStringLiteral("NAN");
    if (std::isinf(v))
        return v > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    char buf[64];
    // Round to 5 significant digits first; the decimal then only pads or cuts.
    std::snprintf(buf, sizeof buf, "%.4E", v);
    double rounded = std::strtod(buf, nullptr);
    if (std::fabs(rounded) >= 1.0e5)
        return QString::fromLatin1(buf);
    std::snprintf(buf, sizeof buf, "%.1f", rounded);
    QString s = QString::fromLatin1(buf);
    if (s == QLatin1String("-0.0"))
        s = QStringLiteral("0.0");
    return s;
}

QFont SpDefaultFont()
{
    QFont f;
    // Whichever CJK family fontconfig has; it resolves missing glyphs itself.
    f.setFamilies(QStringList{QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
                              QStringLiteral("Noto Sans CJK"), QStringLiteral("Sans Serif")});
    f.setPixelSize(12);
    f.setStyleStrategy(QFont::PreferDefault);
    return f;
}

TSpImage::TSpImage(void* window, QImage* canvas, int32_t left, int32_t top, int32_t right, int32_t bottom)
    : Window(window), Left(left), Top(top), Right(right), Bottom(bottom)
{
    if (canvas != nullptr && !canvas->isNull()) {
        OwnPainter = std::make_unique<QPainter>(canvas);
        Canvas = OwnPainter.get();
        Image = canvas;
    }
    InitPainter();
}

TSpImage::TSpImage(void* window, QPainter* canvas, int32_t left, int32_t top, int32_t right, int32_t bottom)
    : Window(window), Left(left), Top(top), Right(right), Bottom(bottom)
{
    Canvas = canvas;
    if (Canvas != nullptr && Canvas->device() != nullptr && Canvas->device()->devType() == QInternal::Image)
        Image = static_cast<QImage*>(Canvas->device());
    InitPainter();
}

TSpImage::TSpImage(void* window) : Window(window)
{
    OwnBitmap = std::make_unique<QImage>();
}

TSpImage::~TSpImage()
{
    FlushLines();
    if (OwnPainter)
        OwnPainter->end();
}

void TSpImage::InitPainter()
{
    if (Canvas == nullptr || !Canvas->isActive())
        return;
    Canvas->setFont(SpDefaultFont());
    Canvas->setRenderHint(QPainter::Antialiasing, false);
    Canvas->setRenderHint(QPainter::TextAntialiasing, true);
    Canvas->setBackgroundMode(Qt::TransparentMode);
    Canvas->setBrush(Qt::NoBrush);
    LinePen = QPen(SpColor(PenColorValue), 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    LinePen.setCosmetic(true);
    SetPenStyle(PenStyleValue);
    PainterHasLinePen = false;
}

void TSpImage::SetCanvas(QPainter* canvas)
{
    if (OwnBitmap)
        return;
    FlushLines();
    DirectState = -1;
    if (OwnPainter)
        OwnPainter->end();
    OwnPainter.reset();
    Canvas = canvas;
    Image = nullptr;
    if (Canvas != nullptr && Canvas->device() != nullptr && Canvas->device()->devType() == QInternal::Image)
        Image = static_cast<QImage*>(Canvas->device());
    InitPainter();
}

void TSpImage::SetRect(int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    Left = left;
    Top = top;
    Right = right;
    Bottom = bottom;
    if (!OwnBitmap)
        return;
    Pending.clear();  // the bitmap is new and white
    DirectState = -1;
    QFont font = Canvas ? Canvas->font() : SpDefaultFont();
    if (OwnPainter)
        OwnPainter->end();
    OwnPainter.reset();
    Canvas = nullptr;
    Image = nullptr;
    int w = std::max(Width(), 0);
    int h = std::max(Height(), 0);
    *OwnBitmap = QImage(w, h, QImage::Format_RGB32);
    if (w == 0 || h == 0)
        return;
    OwnBitmap->fill(Qt::white);
    OwnPainter = std::make_unique<QPainter>(OwnBitmap.get());
    Canvas = OwnPainter.get();
    Image = OwnBitmap.get();
    InitPainter();
    Canvas->setFont(font);
}

QSize TSpImage::CanvasSize() const
{
    if (Canvas == nullptr || Canvas->device() == nullptr)
        return {0, 0};
    return {Canvas->device()->width(), Canvas->device()->height()};
}

int TSpImage::SetPenStyle(int style)
{
    PenStyleValue = style;
    Qt::PenStyle s = Qt::SolidLine;
    switch (style) {
        case SpPenDash:
            s = Qt::DashLine;
            break;
        case SpPenDot:
            s = Qt::DotLine;
            break;
        case SpPenDashDot:
            s = Qt::DashDotLine;
            break;
        case SpPenDashDotDot:
            s = Qt::DashDotDotLine;
            break;
        case SpPenNull:
            s = Qt::NoPen;
            break;
        default:
            break;
    }
    LinePen.setStyle(s);
    PainterHasLinePen = false;
    return 0;
}

int TSpImage::SetPenColor(uint32_t color)
{
    PenColorValue = color;
    PenArgb = 0xFF000000u | ((color & 0xFFu) << 16) | (color & 0xFF00u) | ((color >> 16) & 0xFFu);
    LinePen.setColor(SpColor(color));
    PainterHasLinePen = false;
    return 0;
}

void TSpImage::SetBrushColor(uint32_t color)
{
    BrushColorValue = color;
}

void TSpImage::SetFontColor(uint32_t color)
{
    FontColorValue = color;
}

void TSpImage::SetFontBold(bool bold)
{
    if (Canvas == nullptr)
        return;
    QFont f = Canvas->font();
    if (f.bold() == bold)
        return;
    f.setBold(bold);
    Canvas->setFont(f);
}

QPainter* TSpImage::GetCanvas()
{
    FlushLines();
    DirectState = -1;
    PainterHasLinePen = false;
    return Canvas;
}

void TSpImage::ApplyLinePen()
{
    if (!PainterHasLinePen) {
        Canvas->setPen(LinePen);
        PainterHasLinePen = true;
    }
}

void TSpImage::MoveTo(int32_t x, int32_t y)
{
    PenPos = QPoint(Left + x, Top + y);
}

void TSpImage::DrawLineTo(QPoint to)
{
    if (Canvas != nullptr && !RasterLine(PenPos, to)) {
        FlushLines();
        ApplyLinePen();
        Canvas->drawLine(PenPos, to);
    }
}

namespace {

// Lines are the symmetric integer walk from one end to the other, the end
// pixel left out (the platform's one-pixel lines). Both walks below take the
// same steps; they differ only in what they may assume.

// A line wholly on the image. Along its longer axis the walk steps at every
// pixel, so only the step across needs a test: a steep segment (most of a
// noisy spectrum's) is a walk down a column.
void WalkLine(uint32_t* bits, qsizetype stride, int x0, int y0, int x1, int y1, uint32_t argb)
{
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1;
    const qsizetype rowStep = y0 < y1 ? stride : -stride;
    int err = dx + dy;
    uint32_t* p = bits + y0 * stride + x0;
    // Neighbouring points of a curve lie at most a column apart: such a line
    // is one run down a column, or two with the step across half way. The
    // step is then taken by position, with no branch to mispredict.
    if (-dy > dx && dx <= 1) {
        const int split = dx == 0 ? -1 : (-dy + 1) / 2 - 1;
        for (int k = 0; k < -dy; ++k) {
            *p = argb;
            p += rowStep + (sx & -static_cast<int>(k == split));
        }
        return;
    }
    if (-dy <= dx && -dy <= 1) {
        const int split = dy == 0 ? -1 : (dx + 1) / 2 - 1;
        for (int k = 0; k < dx; ++k) {
            *p = argb;
            p += sx + (rowStep & -static_cast<qsizetype>(k == split));
        }
        return;
    }
    if (-dy > dx) {
        for (int n = -dy; n > 0; --n) {
            *p = argb;
            if (2 * err >= dy) {
                err += dy;
                p += sx;
            }
            err += dx;
            p += rowStep;
        }
    } else {
        for (int n = dx; n > 0; --n) {
            *p = argb;
            if (2 * err <= dx) {
                err += dx;
                p += rowStep;
            }
            err += dy;
            p += sx;
        }
    }
}

// A line of which only the pixels inside `clip` are set; the walk stops once
// it has left the clip for good.
void WalkLineClipped(uint32_t* bits, qsizetype stride, int x0, int y0, int x1, int y1, uint32_t argb,
                     const QRect& clip)
{
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    while (x0 != x1 || y0 != y1) {
        if (clip.contains(x0, y0))
            bits[y0 * stride + x0] = argb;
        else if ((sx > 0 ? x0 > clip.right() : x0 < clip.left()) || (sy > 0 ? y0 > clip.bottom() : y0 < clip.top()))
            return;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

}  // namespace

// A full repaint draws some 50 000 short solid lines (20 curves of 2601
// points); through QPainter each costs more than its pixels. Solid one-pixel
// lines on a plain 32-bit image are therefore set here directly, with the
// platform's rule of leaving the end pixel out. Anything else (dotted pens, a
// transformed or clipped painter, a printer) goes through QPainter.
bool TSpImage::RasterLine(QPoint from, QPoint to)
{
    if (Image == nullptr || PenStyleValue != SpPenSolid || !DirectPixels())
        return false;
    const int w = Image->width(), h = Image->height();
    const qsizetype stride = Image->bytesPerLine();
    // Far-off end points are left to QPainter, which clips analytically.
    constexpr int Far = 1 << 15;
    if (std::abs(from.x()) > Far || std::abs(from.y()) > Far || std::abs(to.x()) > Far ||
        std::abs(to.y()) > Far)
        return false;
    if ((from.x() < 0 && to.x() < 0) || (from.y() < 0 && to.y() < 0) || (from.x() >= w && to.x() >= w) ||
        (from.y() >= h && to.y() >= h))
        return true;  // nothing of it is on the image

    const bool onImage = std::min(from.x(), to.x()) >= 0 && std::max(from.x(), to.x()) < w &&
                         std::min(from.y(), to.y()) >= 0 && std::max(from.y(), to.y()) < h;
    if (onImage && LineBatchDepth > 0) {
        QueueLine(from, to);
        return true;
    }
    FlushLines();
    // constBits: writing through bits() would detach an image the caller
    // shares, away from the buffer the painter draws into.
    auto* bits = reinterpret_cast<uint32_t*>(const_cast<uchar*>(Image->constBits()));
    if (onImage)
        WalkLine(bits, stride / 4, from.x(), from.y(), to.x(), to.y(), PenArgb);
    else
        WalkLineClipped(bits, stride / 4, from.x(), from.y(), to.x(), to.y(), PenArgb, QRect(0, 0, w, h));
    return true;
}

bool TSpImage::DirectPixels() const
{
    // Asking the painter costs more than a short line's pixels. Within a
    // batch the answer is kept until the painter is handed out again
    // (GetCanvas), the only way its state can change meanwhile.
    if (LineBatchDepth > 0 && DirectState >= 0)
        return DirectState != 0;
    const QImage::Format f = Image->format();
    const bool direct =
        (f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 || f == QImage::Format_ARGB32_Premultiplied) &&
        Image->bytesPerLine() % 4 == 0 && Image->devicePixelRatio() == 1.0 &&
        Canvas->worldTransform().isIdentity() && !Canvas->hasClipping() &&
        Canvas->compositionMode() == QPainter::CompositionMode_SourceOver;
    DirectState = LineBatchDepth > 0 ? direct : -1;
    BatchWidth = Image->width();
    BatchHeight = Image->height();
    return direct;
}

// Sets the queued lines band by band. Every pixel lies in one band, and
// within a band the lines are set in the order they were drawn, so each pixel
// ends with the colour of the last line over it, as if drawn one by one.
void TSpImage::FlushLines() const
{
    if (Pending.empty())
        return;
    auto* bits = reinterpret_cast<uint32_t*>(const_cast<uchar*>(Image->constBits()));
    const qsizetype stride = Image->bytesPerLine() / 4;
    const int h = Image->height();
    const int bands = (Image->width() >> BandShift) + 1;
    // A picture has a handful of bands, and a curve's lines run across them
    // in order: passing over all lines once per band costs less than sorting
    // them into bands.
    for (int b = 0; b < bands; ++b) {
        const QRect band(b << BandShift, 0, 1 << BandShift, h);
        for (const TPendingLine& l : Pending) {
            if (l.FirstBand > b || l.LastBand < b)
                continue;
            if (l.FirstBand == l.LastBand)
                WalkLine(bits, stride, l.X0, l.Y0, l.X1, l.Y1, l.Argb);
            else
                WalkLineClipped(bits, stride, l.X0, l.Y0, l.X1, l.Y1, l.Argb, band);
        }
    }
    Pending.clear();
}

void TSpImage::EndLines()
{
    if (LineBatchDepth > 0 && --LineBatchDepth == 0) {
        FlushLines();
        DirectState = -1;
    }
}

void TSpImage::Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    if (Canvas == nullptr)
        return;
    if (x2 < x1)
        std::swap(x1, x2);
    if (y2 < y1)
        std::swap(y1, y2);
    if (x2 - x1 < 1 || y2 - y1 < 1)
        return;
    FlushLines();
    QRect r(Left + x1, Top + y1, x2 - x1, y2 - y1);
    Canvas->fillRect(r, SpColor(BrushColorValue));
    if (PenStyleValue != SpPenNull) {
        ApplyLinePen();
        Canvas->setBrush(Qt::NoBrush);
        // A one-pixel pen outlines w+1 x h+1 pixels; the platform's rectangle
        // stays inside (x1, y1) .. (x2 - 1, y2 - 1).
        Canvas->drawRect(QRect(r.left(), r.top(), r.width() - 1, r.height() - 1));
    }
}

void TSpImage::DrawText(int32_t x, int32_t y, const QString& text)
{
    if (Canvas == nullptr || text.isEmpty())
        return;
    FlushLines();
    QFontMetrics fm = Canvas->fontMetrics();
    QRect cell(0, 0, fm.horizontalAdvance(text), fm.height());
    Canvas->save();
    Canvas->translate(Left + x, Top + y);
    // Escapement is counter-clockwise on the screen; Qt's y axis points down.
    if (TextAngleValue != 0)
        Canvas->rotate(-TextAngleValue / 10.0);
    if (TextOpaque)
        Canvas->fillRect(cell, SpColor(BrushColorValue));
    Canvas->setPen(SpColor(FontColorValue));
    Canvas->drawText(QPoint(0, fm.ascent()), text);
    Canvas->restore();
    PainterHasLinePen = false;
}

void TSpImage::DrawText(int32_t x, int32_t y, std::string_view utf8)
{
    DrawText(x, y, FromUtf8(utf8));
}

void TSpImage::DrawNumber(int32_t x, int32_t y, float value)
{
    DrawText(x, y, SpFormatNumber(value));
}

QSize TSpImage::TextExtent(const QString& text) const
{
    QFontMetrics fm = Canvas ? Canvas->fontMetrics() : QFontMetrics(SpDefaultFont());
    return {fm.horizontalAdvance(text), fm.height()};
}

QSize TSpImage::TextExtent(std::string_view utf8) const
{
    return TextExtent(FromUtf8(utf8));
}

void TSpImage::CopyRect(const TSpRect& dst, const TSpImage& source, const TSpRect& src)
{
    if (Canvas == nullptr || source.Image == nullptr)
        return;
    FlushLines();
    source.FlushLines();
    QRect from(source.Left + src.Left, source.Top + src.Top, src.Width(), src.Height());
    QRect to(Left + dst.Left, Top + dst.Top, dst.Width(), dst.Height());
    if (from.isEmpty() || to.isEmpty())
        return;
    // A copy first: source and destination may be the same image.
    QImage part = source.Image->copy(from);
    Canvas->drawImage(to, part);
}

void TSpImage::SetTextAngle(int angle)
{
    TextAngleValue = angle;
    TextOpaque = false;
}
