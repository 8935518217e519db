#include "ui/SpDlgAdjBKK.h"

#include <QBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>

TSpDlgAdjBKK::TSpDlgAdjBKK(QWidget* parent) : TDlgInputOne(parent)
{
    setObjectName(QStringLiteral("SpDlgAdjBKK"));
    lbPosition = new QLabel(QStringLiteral("100"), this);
    lbPosition->setObjectName(QStringLiteral("lbPosition"));
    lbPosition->setFont(Edit()->font());
    // The label stands 10 pixels right of the value edit, centred on it.
    if (auto* column = qobject_cast<QBoxLayout*>(layout())) {
        column->removeWidget(Edit());
        auto* row = new QHBoxLayout;
        row->addWidget(Edit());
        row->addSpacing(10);
        row->addWidget(lbPosition, 0, Qt::AlignVCenter);
        column->insertLayout(0, row);
    }
    SetCurrent(100.0f);
}

void TSpDlgAdjBKK::SetCurrent(float position)
{
    FCurrent = position;
    Value = position;
}

void TSpDlgAdjBKK::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) {
        lbPosition->setText(QString::asprintf("当前基线位置%1.1f%%", static_cast<double>(FCurrent)));
        // Wide enough for the label and 10 pixels after it.
        adjustSize();
    }
    TDlgInputOne::showEvent(event);
}
