// The main window's commands on the current curve's values: the peak search
// with its table and marks, the re-marking after a view change, and the data
// table.

#include <QAction>
#include <array>

#include "acquisition/ApparaZQ735.h"
#include "plot/SpGraph735.h"
#include "spectra/DataTable.h"
#include "spectra/SpCurveZQ735.h"
#include "ui/DlgInputOne.h"
#include "ui/FormDataTable.h"
#include "ui/MainWindow.h"
#include "ui/Messages.h"
#include "ui/PlotWidget.h"
#include "ui/XiShouFeng.h"

// Entries the peak table and the marks hold at most, per list.
constexpr int32_t kPeakCapacity = 200;

struct TPeakOutputs {
    std::array<float, kPeakCapacity> PeakX{}, PeakY{}, ValleyX{}, ValleyY{};
    int32_t Peaks = 0;
    int32_t Valleys = 0;
};

namespace {

void Search(TSpCurveZQ735& c, float threshold, TPeakOutputs& out)
{
    c.FindPeaks(threshold, 0, out.PeakX.data(), out.PeakY.data(), out.ValleyX.data(), out.ValleyY.data(),
                kPeakCapacity, kPeakCapacity, out.Peaks, out.Valleys);
}

}  // namespace

void TForm1::OnPeakSearch()
{
    if (!FGraph)
        return;
    TDlgInputOne& input = *FDlgInputOne;
    input.SetPrompt(QStringLiteral("输入峰值高度"));
    input.Decimals = 4;
    // The dialog is shared with other commands; the height offered is the
    // last one searched with, not whatever number was asked for since.
    if (FPeakThreshold)
        input.Value = *FPeakThreshold;
    if (!input.Execute())
        return;
    FPeakThreshold = input.Value;
    TSpCurveZQ735* c = FGraph->CurrentCurve();
    if (c == nullptr)
        return;
    TPeakOutputs found;
    Search(*c, input.Value, found);
    FPlot->update();
    if (found.Peaks == 0 && found.Valleys == 0) {
        ShowInfo(this, QStringLiteral("没有检索到峰值"));
        return;
    }
    FillPeakTable(*c, found);
    FXiShouFeng->show();
    FXiShouFeng->raise();
}

void TForm1::FillPeakTable(TSpCurveZQ735& c, const TPeakOutputs& found)
{
    // Only absorption bands have a width and an area: the valleys of a %T
    // spectrum (measured on their absorbance), the peaks of an Abs one.
    const TMeasureParams* p = FModel ? FModel->ParamsOfSlot(FGraph->IndexOfCurve(&c)) : nullptr;
    std::vector<TBandMetrics> peakBands, valleyBands;
    c.BandMetricsOf(p != nullptr ? AbsorptionBandsOf(p->Mode, p->ScanMode == 2) : TAbsorptionBands::None,
                    peakBands, valleyBands);
    FXiShouFeng->SetCurve(&c);
    FXiShouFeng->Fill(found.PeakX.data(), found.PeakY.data(), found.ValleyX.data(), found.ValleyY.data(),
                      found.Peaks, found.Valleys, peakBands.data(), valleyBands.data());
}

void TForm1::RemarkPeaks()
{
    if (!FGraph || !FPeakThreshold)
        return;
    OnRefresh();
    if (TSpCurveZQ735* c = FGraph->CurrentCurve()) {
        TPeakOutputs found;
        Search(*c, *FPeakThreshold, found);
        c->DrawPeakMarks();
        // The table (and what it passes to the printout) follows the marks,
        // so that a page never lists other bands than it marks.
        FillPeakTable(*c, found);
    }
    FPlot->update();
}

void TForm1::OnDataTable()
{
    if (!FGraph)
        return;
    TSpCurveZQ735* c = FGraph->CurrentCurve();
    if (c == nullptr)
        return;
    // A time drive is told by the record of slot 0, as the drive's times are.
    const TMeasureParams* p = FModel ? FModel->ParamsOfSlot(0) : nullptr;
    const bool timeDrive = p != nullptr && p->ScanMode == 2;
    FFormDataTable->Fill(DataTableColumns(*c, timeDrive, p != nullptr ? p->XStart : 0.0f,
                                          p != nullptr ? p->XEnd : 0.0f,
                                          p != nullptr ? static_cast<int32_t>(p->ScanTime) : 0));
    FFormDataTable->show();
    FFormDataTable->raise();
}
