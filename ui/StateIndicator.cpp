#include "ui/StateIndicator.h"

#include <QPainter>

TStateIndicator::TStateIndicator(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("StateIndicator"));
}

void TStateIndicator::SetFill(const QColor& fill)
{
    if (fill == FFill)
        return;
    FFill = fill;
    update();
}

void TStateIndicator::paintEvent(QPaintEvent*)
{
    const QRect r = rect().adjusted(1, 1, -1, -1);
    if (OnDraw)
        OnDraw(r);
    QPainter p(this);
    p.setPen(Qt::black);
    p.setBrush(FFill);
    p.drawRect(r.adjusted(0, 0, -1, -1));
}
