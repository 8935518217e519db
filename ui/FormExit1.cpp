#include "ui/FormExit1.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "ui/DialogStyle.h"

TFormExit1::TFormExit1(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormExit1"));
    setWindowTitle(QStringLiteral("退出系统"));
    auto* label = new QLabel(QStringLiteral("提示：是否要退出系统？"), this);
    label->setObjectName(QStringLiteral("Label1"));
    btnOK = MakeButton(this, QStringLiteral("btnOK"), QStringLiteral("确定"), true);
    btnCancel = MakeButton(this, QStringLiteral("btnCancel"), QStringLiteral("取消"));
    connect(btnOK, &QPushButton::clicked, this, [this] {
        Confirmed = true;
        accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, &TFormExit1::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addLayout(buttons);
}

bool TFormExit1::Execute()
{
    exec();
    return Confirmed;
}

void TFormExit1::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) {
        Confirmed = false;
    }
    QDialog::showEvent(event);
}

void TFormExit1::reject()
{
    Confirmed = false;
    QDialog::reject();
}
