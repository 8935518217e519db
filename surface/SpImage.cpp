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

void TSpImage::LineTo(int32_t x, int32_t y)
{
    QPoint to(Left + x, Top + y);
    if (Canvas != nullptr && !RasterLine(PenPos, to)) {
        ApplyLinePen();
        Canvas->drawLine(PenPos, to);
    }
    PenPos = to;
}

// A full repaint draws some 50 000 short solid lines (20 curves of 2601
// points); through QPainter each costs more than its pixels. Solid one-pixel
// lines on a plain 32-bit image are therefore set here directly, with the
// platform's rule of leaving the end pixel out. Anything else (dotted pens, a
// transformed or clipped painter, a printer) goes through QPainter.
bool TSpImage::RasterLine(QPoint from, QPoint to)
{
    if (Image == nullptr || PenStyleValue != SpPenSolid)
        return false;
    const QImage::Format f = Image->format();
    if (f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 && f != QImage::Format_ARGB32_Premultiplied)
        return false;
    if (Image->devicePixelRatio() != 1.0 || !Canvas->worldTransform().isIdentity() || Canvas->hasClipping() ||
        Canvas->compositionMode() != QPainter::CompositionMode_SourceOver)
        return false;
    const int w = Image->width(), h = Image->height();
    // Far-off end points are left to QPainter, which clips analytically.
    constexpr int Far = 1 << 15;
    if (std::abs(from.x()) > Far || std::abs(from.y()) > Far || std::abs(to.x()) > Far ||
        std::abs(to.y()) > Far)
        return false;
    if ((from.x() < 0 && to.x() < 0) || (from.y() < 0 && to.y() < 0) || (from.x() >= w && to.x() >= w) ||
        (from.y() >= h && to.y() >= h))
        return true;  // nothing of it is on the image

    // constBits: writing through bits() would detach an image the caller
    // shares, away from the buffer the painter draws into.
    uchar* bits = const_cast<uchar*>(Image->constBits());
    const qsizetype stride = Image->bytesPerLine();
    const uint32_t argb = 0xFF000000u | ((PenColorValue & 0xFFu) << 16) | (PenColorValue & 0xFF00u) |
                          ((PenColorValue >> 16) & 0xFFu);
    int x0 = from.x(), y0 = from.y();
    const int x1 = to.x(), y1 = to.y();
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    if (std::min(x0, x1) >= 0 && std::max(x0, x1) < w && std::min(y0, y1) >= 0 && std::max(y0, y1) < h &&
        stride % 4 == 0) {
        // Wholly on the image (a curve's usual segment): the same steps,
        // walked with a pixel pointer and no bounds test per pixel.
        uint32_t* p = reinterpret_cast<uint32_t*>(bits + y0 * stride) + x0;
        const qsizetype rowStep = sy * (stride / 4);
        while (x0 != x1 || y0 != y1) {
            *p = argb;
            const int e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                x0 += sx;
                p += sx;
            }
            if (e2 <= dx) {
                err += dx;
                y0 += sy;
                p += rowStep;
            }
        }
        return true;
    }
    while (x0 != x1 || y0 != y1) {
        if (x0 >= 0 && x0 < w && y0 >= 0 && y0 < h)
            reinterpret_cast<uint32_t*>(bits + y0 * stride)[x0] = argb;
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
    return true;
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
