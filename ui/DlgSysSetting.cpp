#include "ui/DlgSysSetting.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "ui/DialogStyle.h"
#include "ui/FormPassWord.h"
#include "ui/Messages.h"
#include "ui/RadioGroup.h"

TDlgSysSetting::TDlgSysSetting(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DlgSysSetting"));
    setWindowTitle(QStringLiteral("系统参数设置"));
    RGMotorS = new TRadioGroup(QStringLiteral("RGMotorS"), QStringLiteral("电机选择"),
                               {QStringLiteral("进口"), QStringLiteral("国产")}, 2, this);
    CBZSG = new QCheckBox(QStringLiteral("是否杂散光校正"), this);
    CBZSG->setObjectName(QStringLiteral("CBZSG"));
    CBDebug = new QCheckBox(QStringLiteral("开启调试"), this);
    CBDebug->setObjectName(QStringLiteral("CBDebug"));
    btnOK = MakeButton(this, QStringLiteral("btnOK"), QStringLiteral("确定"), true);
    btnCancel = MakeButton(this, QStringLiteral("btnCancel"), QStringLiteral("取消"));
    connect(btnOK, &QPushButton::clicked, this, [this] {
        Accepted = true;
        accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, &TDlgSysSetting::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(RGMotorS);
    layout->addWidget(CBZSG);
    layout->addWidget(CBDebug);
    layout->addLayout(buttons);
}

bool TDlgSysSetting::EditSettings(TSysSettings& settings)
{
    RGMotorS->SetItemIndex(settings.MotorType);
    CBZSG->setChecked(settings.StrayLightCorr != 0);
    CBDebug->setChecked(settings.DebugMode != 0);
    exec();
    if (Accepted) {
        // No choice in the group (a motor type the file held but the dialog
        // does not know) keeps the motor type as it was.
        if (RGMotorS->ItemIndex() >= 0) {
            settings.MotorType = static_cast<std::uint8_t>(RGMotorS->ItemIndex());
        }
        settings.StrayLightCorr = CBZSG->isChecked() ? 1 : 0;
        settings.DebugMode = CBDebug->isChecked() ? 1 : 0;
    }
    return Accepted;
}

void TDlgSysSetting::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) {
        Accepted = false;
    }
    QDialog::showEvent(event);
}

void TDlgSysSetting::reject()
{
    Accepted = false;
    QDialog::reject();
}

bool RunSysSettingsCommand(TFormPassWord& password, TDlgSysSetting& dialog, TSysSettings& settings,
                           QWidget* parent)
{
    if (!password.Execute()) {
        return false;
    }
    TSysSettings edited = settings;
    if (!dialog.EditSettings(edited)) {
        return false;
    }
    settings = edited;
    if (WriteConfig(QString::fromLatin1(kConfigFileName), settings)) {
        ShowInfo(parent, QStringLiteral("系统参数存盘成功！"));
    } else {
        ShowInfo(parent, QStringLiteral("系统参数存盘失败！"));
    }
    return true;
}
