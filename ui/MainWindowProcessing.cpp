// The main window's spectrum-processing commands: %T/Abs conversion,
// absorption and scale expansion, smoothing and derivatives, arithmetic,
// baseline position, deletion and attributes, and "撤销", which takes the
// curve-changing ones back.

#include <QAction>
#include <cstring>
#include <vector>

#include "acquisition/CurveProcessing.h"
#include "plot/SpGraph735.h"
#include "spectra/Processing.h"
#include "spectra/SpCurveZQ735.h"
#include "ui/DelCurve1.h"
#include "ui/DlgInKeDu.h"
#include "ui/DlgInputOne.h"
#include "ui/DlgSiZe1.h"
#include "ui/FormCurveAttr.h"
#include "ui/MainWindow.h"
#include "ui/Messages.h"
#include "ui/PlotWidget.h"
#include "ui/SpDlgAdjBKK.h"

// --- undo -----------------------------------------------------------------------------------

TProcessingUndo& TForm1::UndoStack()
{
    // Made with the model it works on, which exists from the first activation on.
    if (!FUndo)
        FUndo = std::make_unique<TProcessingUndo>(*FModel);
    return *FUndo;
}

void TForm1::CommitUndo(TProcessingUndo::TEntry before)
{
    UndoStack().Commit(std::move(before));
    UpdateUndoItem();
}

void TForm1::ClearUndo()
{
    if (FUndo)
        FUndo->Clear();
    UpdateUndoItem();
}

void TForm1::UpdateUndoItem()
{
    if (mnUndo != nullptr)
        SetItemEnabled(mnUndo, !FBusy && FUndo && FUndo->CanUndo());
}

void TForm1::OnUndo()
{
    if (!FModel || FBusy)
        return;
    using TResult = TProcessingUndo::TResult;
    const TResult r = UndoStack().Undo();
    // A refused entry is gone from the stack: the item may turn off before the message.
    UpdateUndoItem();
    if (r == TResult::Done) {
        RebuildCurveList();
        ShowRangesInEdits();
        FPlot->update();
    } else if (r == TResult::CurveGone) {
        ShowInfo(this, QStringLiteral("无法撤销：该操作所改变的光谱已被删除或已被其它光谱替换。"));
    } else if (r == TResult::NoFreeSlot) {
        ShowInfo(this, QStringLiteral("无法撤销删除：已没有空闲的曲线位置。"));
    }
}

// --- conversion and expansion -----------------------------------------------------------------

void TForm1::OnConvertTA()
{
    // A scan's curve must not change under the worker's hands.
    if (!FModel || FBusy)
        return;
    TProcessingUndo::TEntry before = UndoStack().SnapshotAll(true);
    const bool converted = ConvertAllTA(*FModel);
    CommitUndo(std::move(before));
    FPlot->update();
    if (!converted)
        ShowInfo(this, QString::fromUtf8(kConvertRefusedText));
}

void TForm1::OnAbsorptionExpand()
{
    if (!FModel || FBusy)
        return;
    TDlgInputOne& input = *FDlgInputOne;
    input.SetPrompt(QStringLiteral("请输入吸收系数"));
    input.Decimals = 4;
    if (!input.Execute())
        return;
    TSpCurveZQ735* curve = FGraph->CurrentCurve();
    if (curve == nullptr)
        return;
    TProcessingUndo::TEntry before = UndoStack().Snapshot({FGraph->CurrentIndex()});
    if (const char* refused = ExpandAbsorption(*curve, input.Value)) {
        ShowInfo(this, QString::fromUtf8(refused));
        return;
    }
    CommitUndo(std::move(before));
    FPlot->update();
}

void TForm1::OnScaleExpand()
{
    if (!FModel)
        return;
    if (FDlgInKeDu == nullptr)
        FDlgInKeDu = new TDlgInKeDu(this);
    const TMeasureParams p = FModel->CurrentParams();
    if (!FDlgInKeDu->Execute(p.XStart, p.XEnd, p.YStart, p.YEnd, p))
        return;
    FModel->SetRanges(FDlgInKeDu->XStart, FDlgInKeDu->XEnd, FDlgInKeDu->YStart, FDlgInKeDu->YEnd);
    ShowRangesInEdits();
    // The peak marks follow the new view with the last height entered.
    RemarkPeaks();
    FPlot->update();
}

// --- smoothing and derivatives ----------------------------------------------------------------

void TForm1::OnSmooth()
{
    TSpCurveZQ735* curve = FGraph && !FBusy ? FGraph->CurrentCurve() : nullptr;
    if (curve == nullptr)
        return;
    TProcessingUndo::TEntry before = UndoStack().Snapshot({FGraph->CurrentIndex()});
    Smooth(*curve);
    CommitUndo(std::move(before));
    FPlot->update();
}

void TForm1::OnDerivative(int times)
{
    TSpCurveZQ735* curve = FGraph && !FBusy ? FGraph->CurrentCurve() : nullptr;
    if (curve == nullptr)
        return;
    // The n-th derivative is one command: one undo takes it all back.
    TProcessingUndo::TEntry before = UndoStack().Snapshot({FGraph->CurrentIndex()});
    {
        TGraphUpdateHold hold(*FGraph);  // one repaint, not one per pass
        for (int i = 0; i < times; ++i)
            Differentiate(*curve);
    }
    CommitUndo(std::move(before));
    FPlot->update();
}

// --- arithmetic -------------------------------------------------------------------------------

void TForm1::OnArithmetic()
{
    if (!FModel || FBusy)
        return;
    if (FDlgSiZe1 == nullptr)
        FDlgSiZe1 = new TDlgSiZe1(this);
    TProcessingUndo::TEntry before;
    const bool ok = FDlgSiZe1->Open(*FModel, *FGraph, [&](int slot) { before = UndoStack().Snapshot({slot}); });
    if (ok)
        FGraph->CurveChanged();
    CommitUndo(std::move(before));
    FPlot->update();
}

// --- baseline position ------------------------------------------------------------------------

void TForm1::OnAdjustBaseline()
{
    if (!FModel)
        return;
    if (FSpDlgAdjBKK == nullptr)
        FSpDlgAdjBKK = new TSpDlgAdjBKK(this);
    TSpDlgAdjBKK& dialog = *FSpDlgAdjBKK;
    dialog.SetPrompt(QStringLiteral("调整基线位置"));
    dialog.SetCurrent(FModel->SystemBlock().FullCoef);
    if (!dialog.Execute())
        return;
    TSystemBlock block = FModel->SystemBlock();
    block.FullCoef = dialog.Value;
    FModel->SetSystemBlock(&block);
}

// --- deletion and attributes ------------------------------------------------------------------

void TForm1::OnDeleteDialog()
{
    if (!FModel || FBusy)
        return;
    if (FDelCurve1 == nullptr)
        FDelCurve1 = new TDelCurve1(this);
    FDelCurve1->Open(*FModel, *FGraph, [this](int slot) {
        UndoStack().RecordDeletion(slot);
        UpdateUndoItem();
    });
    FPlot->update();
}

void TForm1::OnCurveAttributes()
{
    if (!FModel)
        return;
    if (FFormCurveAttr == nullptr)
        FFormCurveAttr = new TFormCurveAttr(this);
    const int slot = FGraph->CurrentIndex();
    TSpCurveZQ735* curve = FGraph->CurrentCurve();
    TMeasureParams* params = FModel->ParamsOfSlot(slot);
    TMeasureParams copy;
    if (params != nullptr)
        copy = *params;
    else
        std::memset(static_cast<void*>(&copy), 0, sizeof copy);
    TProcessingUndo::TEntry before = UndoStack().Snapshot({slot});
    if (FFormCurveAttr->Execute(curve, &copy)) {
        if (params != nullptr) {
            *params = copy;
            FModel->SlotParamsChanged();
        }
        ShowCurrentCurveInfo();
    }
    CommitUndo(std::move(before));
    FPlot->update();
}
