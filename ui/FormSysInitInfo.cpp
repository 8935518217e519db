#include "ui/FormSysInitInfo.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

namespace {

constexpr int kWidth = 420;
constexpr int kRowTop = 130;
constexpr int kRowHeight = 32;

}  // namespace

TFormSysInitInfo::TFormSysInitInfo(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormSysInitInfo"));
    setWindowTitle(QStringLiteral("系统初始化"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);

    // Fixed positions: the short window simply cuts off the step rows below.
    auto* title = new QLabel(QStringLiteral("ZQ735红外分光光度计系统初始化"), this);
    title->setObjectName(QStringLiteral("lbTitle"));
    QFont big = title->font();
    big.setPixelSize(16);
    big.setBold(true);
    title->setFont(big);
    title->setAlignment(Qt::AlignCenter);
    title->setGeometry(10, 8, kWidth - 20, 28);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setGeometry(10, 46, kWidth - 20, 20);

    Button1 = new QPushButton(QStringLiteral("细节"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setAutoDefault(false);
    Button1->setGeometry(kWidth - 90, 80, 80, 28);
    connect(Button1, &QPushButton::clicked, this, &TFormSysInitInfo::ToggleDetails);

    // Index = step kind - 1; the light-source row (kind 5) is never shown.
    const char* captions[5] = {"波 长 复 位 ：", "滤光片复位：", "狭 缝 复 位 ：", "挡 零 复 位 ：",
                               "光 源 检 测 ："};
    for (int i = 0; i < 5; ++i) {
        Captions[i] = new QLabel(QString::fromUtf8(captions[i]), this);
        Captions[i]->setObjectName(QStringLiteral("lbStep%1").arg(i + 1));
        Captions[i]->setGeometry(40, kRowTop + i * kRowHeight, 160, 24);
        Results[i] = new QLabel(this);
        Results[i]->setObjectName(QStringLiteral("lbResult%1").arg(i + 1));
        Results[i]->setGeometry(210, kRowTop + i * kRowHeight, 100, 24);
    }
    ClearSteps();

    CloseTimer.setSingleShot(true);
    CloseTimer.setInterval(kHoldMs);
    connect(&CloseTimer, &QTimer::timeout, this, [this] { done(QDialog::Accepted); });

    setFixedSize(kWidth, kShortHeight);
}

QLabel* TFormSysInitInfo::StepCaption(int kind) const
{
    return kind >= 1 && kind <= 5 ? Captions[kind - 1] : nullptr;
}

QLabel* TFormSysInitInfo::StepResult(int kind) const
{
    return kind >= 1 && kind <= 5 ? Results[kind - 1] : nullptr;
}

void TFormSysInitInfo::ClearSteps()
{
    for (int i = 0; i < 5; ++i) {
        Captions[i]->hide();
        Captions[i]->setEnabled(false);
        Results[i]->clear();
    }
    ProgressBar1->setValue(0);
}

void TFormSysInitInfo::ShowResetProgress(int type, int kind, int value)
{
    if (NeedsResetFlag) {
        ClearSteps();
    }
    switch (type) {
        case 0: {
            ProgressBar1->setRange(0, std::max(value, 0));
            ProgressBar1->setValue(0);
            if (QLabel* caption = StepCaption(kind)) {
                caption->show();
                caption->setEnabled(true);
            }
            if (NeedsResetFlag) {
                NeedsResetFlag = false;
                if (CloseTimer.isActive()) {
                    // A new reset began while the last one's result was still on
                    // display: the window is open already and simply stays open.
                    CloseTimer.stop();
                } else {
                    exec();
                }
            }
            break;
        }
        case 1:
            // A step stream may report more steps than the phase announced.
            ProgressBar1->setValue(std::min(ProgressBar1->value() + value, ProgressBar1->maximum()));
            break;
        case 2:
            if (QLabel* result = StepResult(kind)) {
                result->setText(value < 0 || value == 210 ? QStringLiteral("错误") : QStringLiteral("正确"));
                result->show();
                result->setEnabled(true);
            }
            break;
        case 3:
            NeedsResetFlag = true;
            // The operator gets a second to read the results. A timer rather than
            // a sleep: the window thread keeps painting and handling messages.
            if (isVisible()) {
                CloseTimer.start();
            }
            break;
        default:
            break;
    }
}

void TFormSysInitInfo::ToggleDetails()
{
    if (Button1->text() == QStringLiteral("隐藏")) {
        setFixedSize(kWidth, kShortHeight);
        Button1->setText(QStringLiteral("细节"));
    } else {
        setFixedSize(kWidth, kTallHeight);
        Button1->setText(QStringLiteral("隐藏"));
    }
}

void TFormSysInitInfo::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) {
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            move(area.center() - rect().center());
        }
    }
    QDialog::showEvent(event);
}

void TFormSysInitInfo::closeEvent(QCloseEvent* event)
{
    // Only the end of the reset closes the window.
    event->ignore();
}

void TFormSysInitInfo::reject() {}
