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

namespace {

// Entries the peak table and the marks hold at most, per list.
constexpr int32_t kPeakCapacity = 200;

struct TPeakOutputs {
    std::array<float, kPeakCapacity> PeakX{}, PeakY{}, ValleyX{}, ValleyY{};
    int32_t Peaks = 0;
    int32_t Valleys = 0;
};

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
    if (!input.Execute())
        return;
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
    // Bands of a %T spectrum are measured on their absorbance.
    const TMeasureParams* p = FModel ? FModel->ParamsOfSlot(FGraph->CurrentIndex()) : nullptr;
    std::vector<TBandMetrics> peakBands, valleyBands;
    c->BandMetricsOf(p != nullptr && p->Mode == 0, peakBands, valleyBands);
    FXiShouFeng->Fill(found.PeakX.data(), found.PeakY.data(), found.ValleyX.data(), found.ValleyY.data(),
                      found.Peaks, found.Valleys, peakBands.data(), valleyBands.data());
    FXiShouFeng->show();
    FXiShouFeng->raise();
}

void TForm1::RemarkPeaks()
{
    if (!FGraph || !FDlgInputOne->Accepted)
        return;
    OnRefresh();
    if (TSpCurveZQ735* c = FGraph->CurrentCurve()) {
        TPeakOutputs found;
        Search(*c, FDlgInputOne->Value, found);
        c->DrawPeakMarks();
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
