#include "ui/DlgAbout.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/DialogStyle.h"

namespace {

// A small transmittance trace with three absorption bands.
QPixmap SpectrumPicture()
{
    QPixmap picture(96, 64);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(128, 128, 128), 1));
    painter.drawRect(0, 0, 95, 63);
    QPainterPath trace;
    trace.moveTo(4, 14);
    trace.cubicTo(20, 12, 24, 50, 30, 16);
    trace.cubicTo(40, 10, 46, 40, 52, 14);
    trace.cubicTo(62, 10, 70, 56, 78, 18);
    trace.lineTo(92, 16);
    painter.setPen(QPen(QColor(0, 0, 255), 2));
    painter.drawPath(trace);
    return picture;
}

}  // namespace

TDlgAbout::TDlgAbout(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DlgAbout"));
    setWindowTitle(QStringLiteral("关于"));

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setPixmap(SpectrumPicture());
    auto* title = new QLabel(QStringLiteral("ZQ735红外分光光度计软件"), this);
    title->setObjectName(QStringLiteral("lbTitle"));
    QFont big = title->font();
    big.setPixelSize(18);
    big.setBold(true);
    title->setFont(big);
    auto* version = new QLabel(QStringLiteral("版本号 1.0"), this);
    version->setObjectName(QStringLiteral("lbVersion"));
    auto* maker = new QLabel(QStringLiteral("ZQ735 Project"), this);
    maker->setObjectName(QStringLiteral("lbMaker"));
    auto* close = MakeButton(this, QStringLiteral("btnClose"), QStringLiteral("关闭"), true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(title);
    texts->addWidget(version);
    texts->addWidget(maker);
    auto* top = new QHBoxLayout;
    top->addWidget(picture);
    top->addLayout(texts);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
}
