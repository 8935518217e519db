// The main window's commands: menu items, tool buttons and the range panel.

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <ctime>
#include <mutex>

#include "acquisition/ZQ735Task.h"
#include "plot/SpGraph735.h"
#include "spectra/SpCurveZQ735.h"
#include "ui/DlgAbout.h"
#include "ui/DlgInputOne.h"
#include "ui/DlgSysSetting.h"
#include "ui/FormCanShu.h"
#include "ui/FormPassWord.h"
#include "ui/MainWindow.h"
#include "ui/Messages.h"
#include "ui/NumericText.h"
#include "ui/PlotWidget.h"
#include "ui/RangeCheck.h"

namespace {

const QString kSpectrumFilter = QStringLiteral("红外光谱文件(*.ir)");

// A spectrum file name from the platform's file dialog; empty when cancelled.
QString AskSpectrumFile(QWidget* parent, bool save)
{
    QFileDialog dialog(parent, save ? QStringLiteral("存盘") : QStringLiteral("打开"), QDir::currentPath(),
                       kSpectrumFilter);
    // The same dialog everywhere (and one that tests can answer).
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setDefaultSuffix(QStringLiteral("ir"));
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().front();
}

TScanDateTime Now()
{
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return {static_cast<int16_t>(tm.tm_year + 1900), static_cast<int16_t>(tm.tm_mon + 1),
            static_cast<int16_t>(tm.tm_mday),        static_cast<int16_t>(tm.tm_hour),
            static_cast<int16_t>(tm.tm_min),         static_cast<int16_t>(tm.tm_sec)};
}

}  // namespace

// --- file -------------------------------------------------------------------------------

void TForm1::OnNew()
{
    if (!FModel || !AskAboutUnsavedCurves())
        return;
    ClearCurves();
}

void TForm1::ClearCurves()
{
    FModel->ClearAll();
    ClearUndo();
    SetCursorRead(false);
    FPlot->update();
}

namespace {

// FNV-1a over what a spectrum file keeps of a curve.
uint64_t CurveDigest(TSpCurveZQ735& c, const TMeasureParams* p)
{
    uint64_t h = 1469598103934665603ull;
    auto add = [&h](const void* data, size_t n) {
        const auto* b = static_cast<const unsigned char*>(data);
        for (size_t i = 0; i < n; ++i)
            h = (h ^ b[i]) * 1099511628211ull;
    };
    {
        std::lock_guard lock(c.Mutex);
        add(c.Info.Name, 100);  // Name ... YUnit
        add(&c.Info.PointCount, sizeof c.Info.PointCount);
        add(c.GetData(), static_cast<size_t>(std::max(c.Info.PointCount, 0)) * sizeof(float));
    }
    if (p != nullptr)
        add(p, sizeof *p);
    return h;
}

}  // namespace

bool TForm1::HasUnsavedCurves() const
{
    if (!FGraph || !FModel)
        return false;
    for (int slot = 0; slot < SlotCount; ++slot) {
        TSpCurveZQ735* c = FGraph->CurveAt(slot);
        if (c == nullptr)
            continue;
        const std::pair<uint64_t, uint64_t> now{c->Identity, CurveDigest(*c, FModel->ParamsOfSlot(slot))};
        if (std::find(FSavedCurves.begin(), FSavedCurves.end(), now) == FSavedCurves.end())
            return true;
    }
    return false;
}

void TForm1::MarkCurvesSaved()
{
    FSavedCurves.clear();
    for (int slot = 0; slot < SlotCount; ++slot)
        if (TSpCurveZQ735* c = FGraph->CurveAt(slot))
            FSavedCurves.emplace_back(c->Identity, CurveDigest(*c, FModel->ParamsOfSlot(slot)));
}

bool TForm1::AskAboutUnsavedCurves()
{
    if (!HasUnsavedCurves())
        return true;
    QMessageBox box(QMessageBox::Warning, QStringLiteral("提示"), QStringLiteral("光谱尚未存盘，是否保存？"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
    box.setObjectName(QStringLiteral("UnsavedCurves"));
    box.button(QMessageBox::Yes)->setText(QStringLiteral("是"));
    box.button(QMessageBox::No)->setText(QStringLiteral("否"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("取消"));
    box.setDefaultButton(QMessageBox::Yes);
    const int answer = box.exec();
    if (answer == QMessageBox::Yes)
        return SaveCurves();
    if (answer != QMessageBox::No)
        return false;
    // The operator throws the recovered scan away with the rest.
    if (FRecoveryKept) {
        FModel->DiscardRecovery();
        FRecoveryKept = false;
    }
    return true;
}

void TForm1::OnOpen()
{
    if (!FModel)
        return;
    const QString path = AskSpectrumFile(this, false);
    if (!path.isEmpty())
        OpenSpectrumPath(path);
}

bool TForm1::OpenSpectrumPath(const QString& path)
{
    const int r = FModel->OpenSpectrumFile(path.toStdString(), FScanDateTime);
    FPlot->update();
    if (r == -2) {
        ShowWarning(this, QStringLiteral("错误"), QStringLiteral("不是光谱文件"));
        return false;
    }
    if (r == -1) {
        ShowWarning(this, QStringLiteral("错误"), QStringLiteral("无法打开文件"));
        return false;
    }
    ClearUndo();
    MarkCurvesSaved();
    // The cursor mode carries over to the curves just read.
    SetCursorRead(FCursorOn);
    ShowRangesInEdits();
    FPlot->update();
    return true;
}

void TForm1::OnSave()
{
    SaveCurves();
}

bool TForm1::SaveCurves()
{
    if (!FModel || FGraph->FirstCurve() == nullptr)
        return false;
    const QString path = AskSpectrumFile(this, true);
    if (path.isEmpty())
        return false;
    if (FModel->SaveSpectrumFile(path.toStdString(), FScanDateTime) == -1) {
        ShowWarning(this, QStringLiteral("错误"), QStringLiteral("无法存储文件"));
        return false;
    }
    // Saving removed the recovered scan's file: the spectrum is in this one.
    FRecoveryKept = false;
    MarkCurvesSaved();
    return true;
}

void TForm1::OnParams()
{
    if (!FModel)
        return;
    TFormCanShu& dialog = *FFormCanShu;
    const TMeasureParams current = FModel->CurrentParams();
    if (dialog.Execute(TFormCanShu::SourceParams(current, FModel->ParamsOfSlot(0)))) {
        const TMeasureParams& chosen = dialog.Params;
        const TMeasureParams* shown = FModel->ParamsOfSlot(FGraph->CurrentIndex());
        const bool conflict =
            shown != nullptr &&
            (chosen.Mode != shown->Mode || ((chosen.ScanMode == 2) != (shown->ScanMode == 2))) &&
            FGraph->CurveCount > 0;
        bool apply = true;
        if (conflict) {
            QMessageBox box(QMessageBox::NoIcon, QStringLiteral("参数设置"),
                            QStringLiteral("设置的参数与当前参数不对应，是否确定保存当前曲线？\n"
                                           "是——保存\n否——不保存\n取消——不设置参数"),
                            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
            box.setObjectName(QStringLiteral("ParamsConflict"));
            box.button(QMessageBox::Yes)->setText(QStringLiteral("是"));
            box.button(QMessageBox::No)->setText(QStringLiteral("否"));
            box.button(QMessageBox::Cancel)->setText(QStringLiteral("取消"));
            const int answer = box.exec();
            if (answer == QMessageBox::Yes) {
                SaveCurves();
            } else if (answer == QMessageBox::No) {
                // "不保存" was the answer already: the curves go without a second question.
                if (FRecoveryKept) {
                    FModel->DiscardRecovery();
                    FRecoveryKept = false;
                }
                ClearCurves();
            } else
                apply = false;
        }
        if (apply) {
            FModel->SetParams(chosen);
            FTask->RequestApply();
            ShowRangesInEdits();
        }
    }
    FWavelengthMode = dialog.WavelengthMode();
    FGraph->SetWavelengthMode(FWavelengthMode);
    FPlot->update();
}

// --- view ---------------------------------------------------------------------------------

void TForm1::OnCursorRead()
{
    SetCursorRead(!FCursorOn);
}

void TForm1::OnAmplify()
{
    SetZoomMode(!FZoomOn);
}

void TForm1::OnRefresh()
{
    if (!FGraph)
        return;
    for (int slot = 0; slot < SlotCount; ++slot) {
        if (TSpCurveZQ735* c = FGraph->CurveAt(slot))
            c->SetPeakMarks(false, false);
    }
    FGraph->CurveChanged();
    FPlot->update();
}

void TForm1::OnDrawGrid()
{
    // The item's own toggle has already flipped the check mark.
    if (!FGraph)
        return;
    FGraph->SetShowGrid(mnDrawGrid->isChecked());
    FGraph->CurveChanged();
    FPlot->update();
}

// --- measurement --------------------------------------------------------------------------

void TForm1::OnScan()
{
    if (!FTask)
        return;
    // The spectra get the date of the scan's start, also when it fails.
    FScanDateTime = Now();
    FTask->RequestScan(20);
}

void TForm1::OnBackgroundScan()
{
    if (FModel) {
        TakeSampleOut();
        FModel->StartBackgroundScan();
    }
    FPlot->update();
}

void TForm1::TakeSampleOut()
{
    if (Options.SampleInBeam) {
        Options.SampleInBeam(false);
        FSampleOut = true;
    }
}

void TForm1::PutSampleBack()
{
    if (FSampleOut) {
        Options.SampleInBeam(true);
        FSampleOut = false;
    }
}

void TForm1::OnBaselineCorrection()
{
    if (!FModel)
        return;
    // The item has flipped its own check mark: that is the wish. The mark
    // then shows what the model made of it (no usable baseline: off).
    muBKEmd->setChecked(FModel->SetBaselineCorrection(muBKEmd->isChecked()));
}

// --- instrument ---------------------------------------------------------------------------

void TForm1::OnCalibrate()
{
    if (FTask)
        FTask->RequestCalibrate();
}

void TForm1::OnGotoWavenumber()
{
    if (!FTask)
        return;
    TDlgInputOne& input = *FDlgInputOne;
    input.SetPrompt(QStringLiteral("输入波数"));
    input.Value = FLastGoto;
    input.Decimals = 3;
    for (;;) {
        if (!input.Execute())
            return;
        if (GotoTargetValid(input.Value)) {
            FLastGoto = input.Value;
            FTask->RequestGoto(input.Value);
            return;
        }
        // The dialog comes back with the rejected value.
        ShowWarning(this, QStringLiteral("输入波数范围不正确"), GotoRangeMessage());
    }
}

void TForm1::OnSysReset()
{
    // The instrument is looked for again; the reset itself is offered when
    // it answers (state handling).
    RequestConnect();
}

void TForm1::OnBuild100()
{
    if (FModel) {
        TakeSampleOut();
        FModel->StartHundredScan();
    }
    ShowRangesInEdits();
    FPlot->update();
}

void TForm1::OnSysSettings()
{
    if (!FModel)
        return;
    const TSystemBlock before = FModel->SystemBlock();
    TSysSettings s;
    s.MotorType = static_cast<uint8_t>(before.MotorType & 0xFF);
    s.StrayLightCorr = before.StrayLightCorr;
    s.DebugMode = FDebugMode ? 1 : 0;
    if (!RunSysSettingsCommand(*FFormPassWord, *FDlgSysSetting, s, this))
        return;
    TakeSettings(s);
    UpdateInstrumentCommands(FBusy ? 4 : FInstrumentState);
}

void TForm1::OnAbout()
{
    FDlgAbout->exec();
}

void TForm1::OnStop()
{
    if (FTask)
        FTask->Stop();
}

// --- range panel --------------------------------------------------------------------------

void TForm1::OnApplyRanges()
{
    if (!FModel)
        return;
    QLineEdit* const edits[4] = {EditWs, EditWe, EditYs, EditYe};
    float v[4];
    if (!ReadRangeEdits(this, FModel->CurrentParams(), edits, v))
        return;
    FModel->SetRanges(v[0], v[1], v[2], v[3]);
    RemarkPeaks();
    FPlot->update();
}
