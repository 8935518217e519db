#include "ui/DlgSiZe1.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "acquisition/ApparaZQ735.h"
#include "acquisition/CurveProcessing.h"
#include "plot/SpGraph735.h"
#include "ui/CurvePicker.h"
#include "ui/CurveSelector.h"
#include "ui/DialogStyle.h"
#include "ui/Messages.h"
#include "ui/NumericText.h"

TDlgSiZe1::TDlgSiZe1(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DlgSiZe1"));
    setWindowTitle(QStringLiteral("谱线四则运算"));
    RemoveCloseBox(this);

    FFirst = new TCurvePicker(QStringLiteral("运算一"), "cbCurve1", "1", this);
    FSecond = new TCurvePicker(QStringLiteral("运算二"), "cbCurve2", "2", this);
    rbCurve = new QRadioButton(QStringLiteral("谱线"), this);
    rbCurve->setObjectName(QStringLiteral("rbCurve"));
    rbConst = new QRadioButton(QStringLiteral("常数"), this);
    rbConst->setObjectName(QStringLiteral("rbConst"));
    rbCurve->setChecked(true);
    edConst = new QLineEdit(QStringLiteral("100.0"), this);
    edConst->setObjectName(QStringLiteral("edConst"));
    InstallNumericFilter(edConst);

    auto* opGroup = new QGroupBox(QStringLiteral("运算方式"), this);
    cbArithmetic = new QComboBox(opGroup);
    cbArithmetic->setObjectName(QStringLiteral("cbArithmetic"));
    cbArithmetic->addItems({QStringLiteral("相加  +"), QStringLiteral("相减  -"), QStringLiteral("相乘×"),
                            QStringLiteral("相除 ÷")});
    cbArithmetic->setCurrentIndex(0);
    auto* opRow = new QVBoxLayout(opGroup);
    opRow->addWidget(cbArithmetic);

    auto* operand = new QVBoxLayout;
    operand->addWidget(FSecond);
    auto* constRow = new QHBoxLayout;
    constRow->addWidget(rbCurve);
    constRow->addWidget(rbConst);
    constRow->addWidget(edConst);
    operand->addLayout(constRow);

    auto* groups = new QHBoxLayout;
    groups->addWidget(FFirst, 0, Qt::AlignTop);
    groups->addWidget(opGroup, 0, Qt::AlignTop);
    groups->addLayout(operand);

    btnOK = MakeButton(this, QStringLiteral("btnOK"), QStringLiteral("确定"), true);
    btnCancel = MakeButton(this, QStringLiteral("btnCancel"), QStringLiteral("取消"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addLayout(buttons);

    connect(FFirst, &TCurvePicker::Chosen, this, &TDlgSiZe1::RefreshLabels);
    connect(FSecond, &TCurvePicker::Chosen, this, &TDlgSiZe1::RefreshLabels);
    connect(rbCurve, &QRadioButton::clicked, this, &TDlgSiZe1::OnOperandKind);
    connect(rbConst, &QRadioButton::clicked, this, &TDlgSiZe1::OnOperandKind);
    connect(btnOK, &QPushButton::clicked, this, &TDlgSiZe1::OnOK);
    connect(btnCancel, &QPushButton::clicked, this, &TDlgSiZe1::reject);
    OnOperandKind();
}

bool TDlgSiZe1::Open(TApparaZQ735& model, TSpGraph735& graph, const std::function<void(int)>& beforeChange)
{
    FModel = &model;
    FGraph = &graph;
    FBeforeChange = beforeChange;
    FFirst->Fill(&graph);
    FSecond->Fill(&graph);
    RefreshLabels();
    btnOK->setEnabled(FFirst->Count() > 0);
    OK = false;
    exec();
    FBeforeChange = {};
    return OK;
}

void TDlgSiZe1::OnOperandKind()
{
    const bool curve = rbCurve->isChecked();
    FSecond->Combo()->setEnabled(curve);
    edConst->setEnabled(!curve);
    // The edit that does not count is greyed.
    edConst->setStyleSheet(curve ? QStringLiteral("background-color: #C0C0C0;") : QString());
    RefreshLabels();
}

void TDlgSiZe1::RefreshLabels()
{
    FFirst->RefreshLabels(FModel);
    FSecond->RefreshLabels(FModel, rbCurve->isChecked());
}

void TDlgSiZe1::OnOK()
{
    if (FModel == nullptr)
        return;
    TSpCurveZQ735* first = FFirst->Curve();
    if (first == nullptr)
        return;
    const auto op = static_cast<TArithmeticOp>(cbArithmetic->currentIndex());
    const int slot = FFirst->Slot();
    const char* refused = nullptr;
    if (rbConst->isChecked()) {
        const QString text = edConst->text();
        if (text.isEmpty())
            return;
        float k = 0.0f;
        if (!TextToFloat(text, k)) {
            ShowConversionError(this, text);
            return;
        }
        if (FBeforeChange)
            FBeforeChange(slot);
        refused = ArithmeticWithConstant(*first, op, k);
    } else {
        TSpCurveZQ735* second = FSecond->Curve();
        if (second == nullptr)
            return;
        if (FBeforeChange)
            FBeforeChange(slot);
        refused = ArithmeticWithCurve(*first, *FModel->ParamsOfSlot(slot), *second,
                                      *FModel->ParamsOfSlot(FSecond->Slot()), op);
    }
    if (refused != nullptr) {
        ShowInfo(this, QString::fromUtf8(refused));
        return;
    }
    OK = true;
    accept();
}

void TDlgSiZe1::reject()
{
    OK = false;
    QDialog::reject();
}
