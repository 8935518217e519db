#include "ui/DelCurve1.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "acquisition/ApparaZQ735.h"
#include "plot/SpGraph735.h"
#include "ui/CurvePicker.h"
#include "ui/DialogStyle.h"

TDelCurve1::TDelCurve1(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DelCurve1"));
    setWindowTitle(QStringLiteral("删除曲线"));
    RemoveCloseBox(this);
    FPicker = new TCurvePicker(QString(), "cbCurve1", "1", this);
    btnDel = MakeButton(this, QStringLiteral("btnDel"), QStringLiteral("删除"));
    btnOK = MakeButton(this, QStringLiteral("btnOK"), QStringLiteral("确定"), true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnDel);
    buttons->addWidget(btnOK);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FPicker);
    layout->addLayout(buttons);
    connect(FPicker, &TCurvePicker::Chosen, this, [this] { FPicker->RefreshLabels(FModel); });
    connect(btnDel, &QPushButton::clicked, this, &TDelCurve1::OnDelete);
    connect(btnOK, &QPushButton::clicked, this, &TDelCurve1::accept);
}

void TDelCurve1::Open(TApparaZQ735& model, TSpGraph735& graph, const std::function<void(int)>& beforeDelete)
{
    FModel = &model;
    FGraph = &graph;
    FBeforeDelete = beforeDelete;
    Fill();
    exec();
    FBeforeDelete = {};
}

void TDelCurve1::Fill()
{
    FPicker->Fill(FGraph);
    FPicker->RefreshLabels(FModel);
    btnDel->setEnabled(FPicker->Count() > 0);
}

void TDelCurve1::OnDelete()
{
    if (FGraph == nullptr)
        return;
    const int slot = FPicker->Slot();
    if (FGraph->CurveAt(slot) != nullptr) {
        if (FBeforeDelete)
            FBeforeDelete(slot);
        FGraph->DeleteCurve(slot);
    }
    // The window's curve list follows, as after any deletion.
    FModel->Sink().Post(UM_CURVE_LIST, 2, slot);
    FGraph->CurveChanged();
    Fill();
}
