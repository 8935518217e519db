#include "ui/DlgNDPrnSet.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "ui/DialogStyle.h"

TDlgNDPrnSet::TDlgNDPrnSet(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DlgNDPrnSet"));
    setWindowTitle(QStringLiteral("打印设置"));
    cbStd = new QCheckBox(QStringLiteral("打印工作曲线"), this);
    cbStd->setObjectName(QStringLiteral("cbStd"));
    cbData = new QCheckBox(QStringLiteral("打印测量数据"), this);
    cbData->setObjectName(QStringLiteral("cbData"));
    btnPrint = MakeButton(this, QStringLiteral("btnPrint"), QStringLiteral("打印"), true);
    btnCancel = MakeButton(this, QStringLiteral("btnCancel"), QStringLiteral("取消"));
    connect(btnPrint, &QPushButton::clicked, this, [this] {
        if (cbStd->isChecked() || cbData->isChecked())
            accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnPrint);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(cbStd);
    layout->addWidget(cbData);
    layout->addLayout(buttons);
}

bool TDlgNDPrnSet::Execute()
{
    return exec() == QDialog::Accepted;
}

bool TDlgNDPrnSet::PrintCurve() const
{
    return cbStd->isChecked();
}

bool TDlgNDPrnSet::PrintData() const
{
    return cbData->isChecked();
}
