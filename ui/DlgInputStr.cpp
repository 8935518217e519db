#include "ui/DlgInputStr.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include "ui/DialogStyle.h"
#include "ui/GbkLengthValidator.h"

TDlgInputStr::TDlgInputStr(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DlgInputStr"));
    RemoveCloseBox(this);
    setWindowTitle(QStringLiteral("输入窗口"));

    edValue = new QLineEdit(this);
    edValue->setObjectName(QStringLiteral("edValue"));
    LimitGbkLength(edValue, kMaxBytes);

    btnOK = MakeButton(this, QStringLiteral("btnOK"), QStringLiteral("确定"), true);
    btnCancel = MakeButton(this, QStringLiteral("btnCancel"), QStringLiteral("取消"));
    connect(btnOK, &QPushButton::clicked, this, &TDlgInputStr::OnOK);
    connect(btnCancel, &QPushButton::clicked, this, &TDlgInputStr::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(edValue);
    layout->addLayout(buttons);
}

bool TDlgInputStr::Execute()
{
    exec();
    return Accepted;
}

void TDlgInputStr::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) {
        edValue->setFocus();
        Accepted = false;
    }
    QDialog::showEvent(event);
}

void TDlgInputStr::OnOK()
{
    if (edValue->text().isEmpty()) {
        return;
    }
    Text = edValue->text();
    Accepted = true;
    accept();
}

void TDlgInputStr::reject()
{
    Accepted = false;
    QDialog::reject();
}
