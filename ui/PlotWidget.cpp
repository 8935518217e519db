#include "ui/PlotWidget.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>

namespace {

constexpr int SettleMs = 80;

int GraphButton(Qt::MouseButton b)
{
    switch (b) {
        case Qt::RightButton:
            return TPlotWidget::RightButton;
        case Qt::MiddleButton:
            return TPlotWidget::MiddleButton;
        default:
            return TPlotWidget::LeftButton;
    }
}

}  // namespace

TPlotWidget::TPlotWidget(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Image1"));
    setMouseTracking(true);
    // Everything is painted from the picture: no background fill first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    FSettle.setSingleShot(true);
    FSettle.setInterval(SettleMs);
    connect(&FSettle, &QTimer::timeout, this, [this] { emit SizeSettled(size()); });
}

void TPlotWidget::SetPicture(const QImage* picture)
{
    FPicture = picture;
    update();
}

void TPlotWidget::SetBand(bool shown, const QRect& corners)
{
    if (shown == FBandShown && corners == FBand)
        return;
    FBandShown = shown;
    FBand = corners;
    update();
}

void TPlotWidget::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    const QRect dirty = event->rect();
    if (FPicture != nullptr && !FPicture->isNull()) {
        p.drawImage(dirty.topLeft(), *FPicture, dirty);
        // Beyond the picture (the widget grew and the new picture is not made yet).
        const QRect pic(QPoint(0, 0), FPicture->size());
        const QRegion rest = QRegion(dirty).subtracted(pic);
        for (const QRect& r : rest)
            p.fillRect(r, Qt::white);
    } else {
        p.fillRect(dirty, Qt::white);
    }
    if (FBandShown) {
        // Black dots on lime gaps: visible over white paper and over any curve colour.
        const QRect r = QRect(FBand.topLeft(), FBand.bottomRight()).normalized();
        p.setPen(QPen(QColor(0, 255, 0), 1, Qt::SolidLine));
        p.drawRect(r);
        p.setPen(QPen(Qt::black, 1, Qt::DotLine));
        p.drawRect(r);
    }
}

void TPlotWidget::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    emit MouseMoved(pos.x(), pos.y());
}

void TPlotWidget::mousePressEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    emit MousePressed(GraphButton(event->button()), pos.x(), pos.y());
}

void TPlotWidget::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint pos = event->position().toPoint();
    emit MouseReleased(GraphButton(event->button()), pos.x(), pos.y());
}

void TPlotWidget::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    FSettle.start();
}
