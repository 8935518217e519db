#include "ui/UpDown.h"

#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

TUpDown::TUpDown(const QString& objectName, QLineEdit* buddy, int min, int max, QWidget* parent)
    : QWidget(parent), Buddy(buddy), Lower(min), Upper(max)
{
    setObjectName(objectName);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    Up = new QToolButton(this);
    Up->setObjectName(objectName + QStringLiteral("Up"));
    Up->setArrowType(Qt::UpArrow);
    Up->setAutoRepeat(true);
    Down = new QToolButton(this);
    Down->setObjectName(objectName + QStringLiteral("Down"));
    Down->setArrowType(Qt::DownArrow);
    Down->setAutoRepeat(true);
    for (QToolButton* b : {Up, Down}) {
        b->setFixedSize(16, 11);
        column->addWidget(b);
    }
    connect(Up, &QToolButton::clicked, this, [this] { StepBy(1); });
    connect(Down, &QToolButton::clicked, this, [this] { StepBy(-1); });
}

int TUpDown::Position() const
{
    bool ok = false;
    const int shown = Buddy->text().trimmed().toInt(&ok);
    return std::clamp(ok ? shown : Lower, Lower, Upper);
}

void TUpDown::SetPosition(int position)
{
    Buddy->setText(QString::number(std::clamp(position, Lower, Upper)));
}

void TUpDown::StepBy(int delta)
{
    SetPosition(Position() + delta);
}
