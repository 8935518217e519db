#include "surface/SpShapes.h"

#include "surface/SpImage.h"

#include <QPaintDevice>

namespace {

Qt::PenStyle QtStyle(int style)
{
    switch (style) {
        case SpPenDash: return Qt::DashLine;
        case SpPenDot: return Qt::DotLine;
        case SpPenDashDot: return Qt::DashDotLine;
        case SpPenDashDotDot: return Qt::DashDotDotLine;
        case SpPenNull: return Qt::NoPen;
        default: return Qt::SolidLine;
    }
}

}  // namespace

void SpEllipse(TSpImage& surface, int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    QPainter* p = surface.GetCanvas();
    if (p == nullptr || x2 - x1 < 1 || y2 - y1 < 1)
        return;
    // save/restore: the surface keeps its own pen cached in the painter.
    p->save();
    QPen pen(SpColor(surface.PenColor()), 1, QtStyle(surface.PenStyle()));
    pen.setCosmetic(true);
    p->setPen(pen);
    p->setBrush(SpColor(surface.BrushColor()));
    p->setRenderHint(QPainter::Antialiasing, false);
    p->drawEllipse(QRect(surface.Left + x1, surface.Top + y1, x2 - x1 - 1, y2 - y1 - 1));
    p->restore();
}

void SpSetPixel(TSpImage& surface, int32_t x, int32_t y, uint32_t color)
{
    if (QImage* image = surface.Bitmap()) {
        const int px = surface.Left + x;
        const int py = surface.Top + y;
        if (image->valid(px, py))
            image->setPixelColor(px, py, SpColor(color));
        return;
    }
    QPainter* p = surface.GetCanvas();
    if (p == nullptr)
        return;
    p->save();
    QPen pen(SpColor(color), 1);
    pen.setCosmetic(true);
    p->setPen(pen);
    p->drawPoint(surface.Left + x, surface.Top + y);
    p->restore();
}

int SpPixelsPerInchX(TSpImage& surface)
{
    QPainter* p = surface.GetCanvas();
    return p != nullptr && p->device() != nullptr ? p->device()->logicalDpiX() : 96;
}

int SpPixelsPerInchY(TSpImage& surface)
{
    QPainter* p = surface.GetCanvas();
    return p != nullptr && p->device() != nullptr ? p->device()->logicalDpiY() : 96;
}
