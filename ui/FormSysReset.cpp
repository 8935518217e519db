#include "ui/FormSysReset.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/DialogStyle.h"

TFormSysReset::TFormSysReset(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormSysReset"));
    setWindowTitle(QStringLiteral("系统提示"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont large = Label1->font();
    large.setPixelSize(18);
    Label1->setFont(large);
    btnOK = MakeButton(this, QStringLiteral("btnOK"), QStringLiteral("确定"), true);
    btnCancel = MakeButton(this, QStringLiteral("btnCancel"), QStringLiteral("取消"));
    connect(btnOK, &QPushButton::clicked, this, [this] {
        IsConfirmed = true;
        accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, [this] {
        IsConfirmed = false;
        QDialog::reject();
    });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addLayout(buttons);
    SetResetPrompt(0);
}

QString TFormSysReset::PromptText(int mode)
{
    if (mode == 1) {
        return QStringLiteral("仪器已就绪,请按\"确定\"按钮进行系统复位\n按\"取消\"按钮不进行复位");
    }
    return QStringLiteral(
        "没有检测到光谱仪,请检查\nA:光谱仪的电源开关是否打开\nB:光谱仪与计算机的连接电缆是否接上\n"
        "确认以上步骤完成后按\"确定\"按钮\n");
}

void TFormSysReset::SetResetPrompt(int mode)
{
    PromptMode = mode;
    Label1->setText(PromptText(mode));
    btnOK->setVisible(mode != 0);
    btnCancel->setVisible(mode != 0);
}

int TFormSysReset::ShowResetDialog(int request)
{
    SetResetPrompt(request == 5 ? 0 : request);
    if (IsShowing) {
        return 0;
    }
    return Execute();
}

int TFormSysReset::Execute()
{
    IsShowing = true;
    IsConfirmed = false;
    exec();
    IsShowing = false;
    return IsConfirmed ? PromptMode : 0;
}

void TFormSysReset::closeEvent(QCloseEvent* event)
{
    // While the instrument is being looked for, the answer decides what
    // happens next: the operator has to wait for it.
    if (PromptMode == 0) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TFormSysReset::reject()
{
    if (PromptMode == 0) {
        return;
    }
    IsConfirmed = false;
    QDialog::reject();
}

int ResetRequestForState(std::uint8_t old, std::uint8_t s)
{
    if (s == 0) {
        return old != 0 ? 3 : 0;
    }
    if (s == 1) {
        return 5;
    }
    return old == 0 || old == 1 ? 1 : 0;
}
