#include "ui/DlgWaiting.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QShowEvent>

TDlgWaiting::TDlgWaiting(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DlgWaiting"));
    setWindowTitle(QStringLiteral("系统提示"));
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    auto* text = new QLabel(QStringLiteral("等待仪器的回应，请稍候。"), this);
    text->setObjectName(QStringLiteral("Label1"));
    lbRemT = new QLabel(QStringLiteral("0"), this);
    lbRemT->setObjectName(QStringLiteral("lbRemT"));
    QFont big = lbRemT->font();
    big.setPixelSize(24);
    big.setBold(true);
    lbRemT->setFont(big);
    QPalette blue = lbRemT->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    lbRemT->setPalette(blue);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(lbRemT);
}

void TDlgWaiting::StartWaiting(int seconds)
{
    if (IsShowing) {
        return;
    }
    RemainingSeconds = seconds;
    lbRemT->setNum(RemainingSeconds);
    MayCloseFlag = false;
    IsShowing = true;
    exec();
    IsShowing = false;
}

void TDlgWaiting::TickWaiting(int delta)
{
    RemainingSeconds += delta;
    lbRemT->setNum(RemainingSeconds);
}

void TDlgWaiting::EndWaiting()
{
    MayCloseFlag = true;
    if (isVisible()) {
        done(QDialog::Accepted);
    }
    IsShowing = false;
}

void TDlgWaiting::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) {
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            move(screen->availableGeometry().center() - rect().center());
        }
    }
    QDialog::showEvent(event);
}

void TDlgWaiting::closeEvent(QCloseEvent* event)
{
    if (!MayCloseFlag) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TDlgWaiting::reject()
{
    if (MayCloseFlag) {
        QDialog::reject();
    }
}
