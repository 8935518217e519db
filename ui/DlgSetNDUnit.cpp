#include "ui/DlgSetNDUnit.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/DialogStyle.h"

TDlgSetNDUnit::TDlgSetNDUnit(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DlgSetNDUnit"));
    setWindowTitle(QStringLiteral("提示"));
    auto* label = new QLabel(QStringLiteral("设置浓度单位"), this);
    cbUnit = new QComboBox(this);
    cbUnit->setObjectName(QStringLiteral("cbUnit"));
    cbUnit->addItems({QStringLiteral("mg"), QStringLiteral("ug"), QStringLiteral("ng")});
    btnOK = MakeButton(this, QStringLiteral("btnOK"), QStringLiteral("确定"), true);
    btnCancel = MakeButton(this, QStringLiteral("btnCancel"), QStringLiteral("取消"));
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(cbUnit);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addLayout(buttons);
}

bool TDlgSetNDUnit::Execute(int& unitIndex)
{
    cbUnit->setCurrentIndex(unitIndex >= 0 && unitIndex <= 2 ? unitIndex : 0);
    if (exec() != QDialog::Accepted)
        return false;
    unitIndex = cbUnit->currentIndex();
    return true;
}
