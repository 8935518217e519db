#pragma once
// The print window "打印设置": orientation, margins, the plot height and the
// blocks of the one-page spectrum report, a schematic preview of the page,
// a preview of the real page, and printing to the default printer or to a
// PDF file. The page itself is drawn by the report library (report/), the
// same code the command line's `report` uses.
//
// The peak table and the data table hand their lists and print flags in
// through SetPeakRows/SetDataRows and SetPrintPeaks/SetPrintValleys/
// SetPrintData; the indicator boxes here only show those flags.

#include <QDialog>
#include <QImage>
#include <functional>

#include "report/ReportLayout.h"
#include "report/SpectrumReport.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QRadioButton;
class QWidget;
class TApparaZQ735;
class TSpGraph735;

class TFormPrntSetting : public QDialog {
    Q_OBJECT
public:
    static constexpr int PreviewWidth = 208;
    static constexpr int PreviewHeight = 184;

    explicit TFormPrntSetting(QWidget* parent = nullptr);
    ~TFormPrntSetting() override;

    // What is printed: the graph's current curve with the record of its slot
    // and the main window's scan date. Any may be null (nothing to print).
    void SetSource(TSpGraph735* graph, TApparaZQ735* model, TScanDateTime* date);

    // The list windows' print flags: stored, shown ticked and enabled exactly
    // when set, and the preview redrawn.
    void SetPrintPeaks(bool on);
    void SetPrintValleys(bool on);
    void SetPrintData(bool on);
    bool PrintPeaks() const { return FPeaks; }
    bool PrintValleys() const { return FValleys; }
    bool PrintData() const { return FData; }
    // The lists themselves, each with its header row first.
    // `curve`: the one the lists were found on; they are printed only with it.
    void SetPeakRows(std::vector<TReportRow> peaks, std::vector<TReportRow> valleys,
                     const TSpCurveZQ735* curve = nullptr);
    void SetDataRows(std::vector<TReportRow> rows, int interval);

    // Reads the five size edits into the state, correcting their texts.
    void ValidateLayout();
    // ValidateLayout, then the plot width and height from the paper and margins.
    void DeriveLayout();
    // The schematic preview of the page on IMPre.
    void DrawPreview();
    const QImage& PreviewImage() const { return FPreview; }

    // The report on an open printer painter (the document begun in the
    // window's orientation). False when there is nothing to print.
    bool PrintSpectrumReport(QPainter& painter);
    // The report as a PDF file; false (after a message) when it could not be written.
    bool PrintToPdf(const QString& path);

    const TReportSizes& Sizes() const { return FSizes; }
    TReportBlocks Blocks() const;
    const TReportLists& Lists() const { return FLists; }

    // "打印": without a current curve only closes. Otherwise prints to the
    // default printer, or to a PDF file chosen in a file dialog when there is
    // no printer or "打印到PDF文件" is ticked, and closes.
    void OnPrint();
    // "打印预览…": the real page in a preview window before printing.
    void OnPrintPreview();

    // Where the PDF goes; the default asks with a file dialog (empty: cancelled).
    void SetPdfPathChooser(std::function<QString()> chooser) { FChoosePdf = std::move(chooser); }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetOrientation(bool landscape);
    void RestoreIndicator(QCheckBox* box, bool flag);
    TReportSizeTexts ReadTexts() const;
    void WriteTexts(const TReportSizeTexts& t);
    TReportSource Source() const;
    QString AskPdfPath();
    bool HasDefaultPrinter() const;
    void SetupPrinter(QPrinter& printer) const;

    TSpGraph735* FGraph = nullptr;
    TApparaZQ735* FModel = nullptr;
    TScanDateTime* FDate = nullptr;

    TReportSizes FSizes;
    bool FPeaks = false, FValleys = false, FData = false;
    TReportLists FLists;
    QImage FPreview;
    std::function<QString()> FChoosePdf;

    QRadioButton* rbPortrait;
    QRadioButton* rbLandscape;
    QLineEdit* EditLeft;
    QLineEdit* EditRight;
    QLineEdit* EditTop;
    QLineEdit* EditPutuHeight;
    QLineEdit* EditPutuWidth;
    QWidget* FBoxes;  // the six check boxes at fixed places
    QCheckBox* CBBegin;
    QCheckBox* CBPara;
    QCheckBox* CBChangInfo;
    QCheckBox* CBPrnFJ;
    QCheckBox* CBPrnFG;
    QCheckBox* CBPrnData;
    QCheckBox* CBToPdf;
    QLabel* IMPre;
    QPushButton* BTPrint;
    QPushButton* BTPreview;
    QPushButton* BTCancel;
};
