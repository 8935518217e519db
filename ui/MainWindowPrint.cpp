// The main window's "打印" command (the page itself: report/, the window: TFormPrntSetting).

#include "report/SpectrumReport.h"
#include "ui/FormDataTable.h"
#include "ui/FormPrntSetting.h"
#include "ui/MainWindow.h"
#include "ui/XiShouFeng.h"

void TForm1::OnPrint()
{
    // Reading with the cursor ends (and zooming with it): the report shows the plot at rest.
    SetCursorRead(false);
    FFormPrntSetting->SetSource(FGraph.get(), FModel.get(), &FScanDateTime);
    if (!FFormPrntSetting->isVisible()) {
        FFormPrntSetting->adjustSize();
        const QRect frame = FFormPrntSetting->frameGeometry();
        FFormPrntSetting->move(geometry().center() - QPoint(frame.width() / 2, frame.height() / 2));
    }
    FFormPrntSetting->show();
    FFormPrntSetting->raise();
    FFormPrntSetting->activateWindow();
}

void TForm1::ConnectPrintLists()
{
    // The lists go over with the option, so that the page always prints what
    // the table shows at that moment.
    auto peakRows = [this] {
        const TXiShouFeng& t = *FXiShouFeng;
        // "含半高宽和面积" puts the band columns on the page as in the copies.
        const bool bands = t.BandColumns();
        FFormPrntSetting->SetPeakRows(
            PeakReportRows(
                t.PeakX().data(), t.PeakY().data(), static_cast<int>(t.PeakX().size()), false,
                bands && t.PeakBands().size() == t.PeakX().size() ? t.PeakBands().data() : nullptr),
            PeakReportRows(
                t.ValleyX().data(), t.ValleyY().data(), static_cast<int>(t.ValleyX().size()), true,
                bands && t.ValleyBands().size() == t.ValleyX().size() ? t.ValleyBands().data() : nullptr),
            t.Curve());
    };
    auto dataRows = [this] {
        const TDataTableColumns& c = FFormDataTable->Columns();
        FFormPrntSetting->SetDataRows(DataReportRows(c.X, c.Y, c.TimeDrive), FFormDataTable->Interval());
    };
    connect(FXiShouFeng, &TXiShouFeng::PrintPeaksChanged, this, [this, peakRows](bool on) {
        peakRows();
        FFormPrntSetting->SetPrintPeaks(on);
    });
    connect(FXiShouFeng, &TXiShouFeng::PrintValleysChanged, this, [this, peakRows](bool on) {
        peakRows();
        FFormPrntSetting->SetPrintValleys(on);
    });
    connect(FXiShouFeng, &TXiShouFeng::BandColumnsChanged, this, [peakRows](bool) { peakRows(); });
    connect(FFormDataTable, &TFormDataTable::PrintDataChanged, this, [this, dataRows](bool on) {
        dataRows();
        FFormPrntSetting->SetPrintData(on);
    });
    connect(FFormDataTable, &TFormDataTable::IntervalChanged, this, [dataRows](int) { dataRows(); });
}
