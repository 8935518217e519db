#pragma once
// The peak table "峰值列表": the peaks (峰尖) and valleys (峰谷) of the last
// search, each in a grid with ordinal, abscissa and value, and with the
// band's full width at half height and its area beside them. Non-modal and
// always on top. The grids copy to the clipboard from their pop-up menus;
// the check boxes choose what the report printout lists.
//
// The print options are true only while the table is showing, its box is
// enabled (its list is not empty) and ticked. They are announced on every
// change that can alter them (filling, showing, a click, closing) through
// the signals, for the report's print window.

#include <QDialog>
#include <vector>

#include "spectra/PeakSearch.h"

class QCheckBox;
class TStringGrid;
class TSpCurveZQ735;

class TXiShouFeng : public QDialog {
    Q_OBJECT
public:
    explicit TXiShouFeng(QWidget* parent = nullptr);

    // Takes copies of the lists. `peakBands`/`valleyBands` (may be null) hold
    // the width and area of each band, in list order.
    void Fill(const float* peakX, const float* peakY, const float* valleyX, const float* valleyY, int peakCount,
              int valleyCount, const TBandMetrics* peakBands = nullptr, const TBandMetrics* valleyBands = nullptr);

    // The curve the lists were found on, handed on with them to the printout.
    void SetCurve(const TSpCurveZQ735* curve) { FCurve = curve; }
    const TSpCurveZQ735* Curve() const { return FCurve; }

    bool PrintPeaks() const;
    bool PrintValleys() const;
    // "含半高宽和面积": the copies and the printed lists carry the two band
    // columns as well.
    bool BandColumns() const;
    bool Showing() const { return FShowing; }

    // The lists as filled, for the printout.
    const std::vector<float>& PeakX() const { return FPeakX; }
    const std::vector<float>& PeakY() const { return FPeakY; }
    const std::vector<float>& ValleyX() const { return FValleyX; }
    const std::vector<float>& ValleyY() const { return FValleyY; }
    const std::vector<TBandMetrics>& PeakBands() const { return FPeakBands; }
    const std::vector<TBandMetrics>& ValleyBands() const { return FValleyBands; }

    TStringGrid* PeakGrid() const { return StringGrid1; }
    TStringGrid* ValleyGrid() const { return StringGrid2; }
    // The pop-up commands: the selected block, or the whole grid.
    void CopySelection(TStringGrid* grid);
    void CopyAll(TStringGrid* grid);

signals:
    void PrintPeaksChanged(bool on);
    void PrintValleysChanged(bool on);
    void BandColumnsChanged(bool on);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void PassPrintOptions();

    TStringGrid* StringGrid1;
    TStringGrid* StringGrid2;
    QCheckBox* cbPrintFJ;
    QCheckBox* cbPrintFG;
    QCheckBox* cbBandColumns;
    bool FShowing = false;
    const TSpCurveZQ735* FCurve = nullptr;

    std::vector<float> FPeakX, FPeakY, FValleyX, FValleyY;
    std::vector<TBandMetrics> FPeakBands, FValleyBands;
};
