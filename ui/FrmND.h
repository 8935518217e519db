#pragma once
// "浓度测量": the quantitative window. The operator types standards (Abs and
// quartz mass), builds the working curve, measures samples, changes the mass
// unit, saves, opens and prints tables. The table and all its rules are
// TNDTable (quant/); this window shows it in a grid, asks the operator's
// questions and hands every action to the table, then shows the result.
//
// Beyond typing, a row's Abs can be taken from the current spectrum of the
// main window's graph ("从谱图取值"), and the quality of a built curve is
// shown: each standard's residual, the standard error of estimate and the
// limit of detection; samples read off outside the standards' Abs range are
// flagged "外推".

#include <QDialog>
#include <QImage>
#include <QTableWidget>
#include <functional>
#include <memory>

#include "quant/NDTable.h"

class QLabel;
class QListWidget;
class QToolButton;
class QPrinter;
class TDlgNDFromSpectrum;
class TDlgNDPrnSet;
class TDlgSetNDUnit;
class TSpGraph735;
class TSpImage;
class TFrmND;

// The grid: asks the window before its current cell moves, so that refused
// cells are never entered, whether by mouse, keys or program.
class TNDGrid : public QTableWidget {
    Q_OBJECT
public:
    explicit TNDGrid(TFrmND* form);
    // Moves the current cell without asking (the table already agreed).
    void PlaceCurrent(int row, int col);
    // An editor is open on the current cell.
    bool Editing() const { return state() == EditingState; }
    // The cell under the open editor, or an invalid index.
    QModelIndex EditedIndex() const;
    // Closes an open editor without writing its text back: the table already
    // holds every keystroke.
    void DropEditor();

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    TFrmND* Form;
    bool Placing = false;
};

class TFrmND : public QDialog {
    Q_OBJECT
public:
    // `graph` gives the main window's graph for "从谱图取值" (may give null).
    explicit TFrmND(std::function<TSpGraph735*()> graph = {}, QWidget* parent = nullptr);
    ~TFrmND() override;

    // Shows the window modally with a new table.
    void Execute();

    TNDTable& Table() { return FTable; }
    const QImage& ChartImage() const { return FChartImage; }
    TNDGrid* Grid() const { return StringGrid1; }
    TDlgSetNDUnit& UnitDialog() const { return *FDlgSetNDUnit; }
    TDlgNDPrnSet& PrintDialog() const { return *FDlgNDPrnSet; }
    // Tests and the headless print: print to this PDF file instead of the
    // system printer.
    void SetPrintFile(const QString& pdfPath) { FPrintFile = pdfPath; }

    // The operator's commands.
    void OnNew();
    void OnOpen();
    void OnSave();
    void OnPrint();
    void OnAddItem();
    void OnDelete();
    void OnBuild();
    void OnMeasure();
    void OnSetUnit();
    void OnReturn();
    void OnFromSpectrum();
    // 1 written, 0 cancelled, -1 refused or failed.
    int SaveWithDialog();

    // The grid asks before its current cell moves (see TNDGrid).
    bool RequestCell(int row, int col);
    // The editor of a cell changed its text.
    void CellEdited(QWidget* editor, int row, int col);
    // Everything shown from the table: cells, colours, current cell,
    // buttons, chart, labels and the curve's quality.
    void Refresh();

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;

private:
    void ResetTable();
    bool AskSaveFirst();  // "新建" and "打开": false when the operator cancelled a save
    int Question(const QString& text, bool withCancel);
    void Warn(const QString& text);
    void RefreshCells();
    void RefreshButtons();
    void RefreshChart();
    void RefreshQuality();
    void ApplyColumnWidths();
    QString AskFile(bool save);
    bool PrintTo(QPrinter& printer);

    TNDTable FTable;
    std::function<TSpGraph735*()> FGraph;
    QImage FChartImage;
    std::unique_ptr<TSpImage> FChartSurface;
    QString FPrintFile;
    int FUnitShown = -1;
    bool FClosing = false;
    bool FRefreshing = false;
    bool FRefreshAgain = false;
    bool FEditing = false;

    TDlgSetNDUnit* FDlgSetNDUnit;
    TDlgNDPrnSet* FDlgNDPrnSet;
    TDlgNDFromSpectrum* FDlgFromSpectrum;

    QToolButton* tbNew;
    QToolButton* tbOpen;
    QToolButton* tbSave;
    QToolButton* tbPrint;
    QToolButton* btnAddItem;
    QToolButton* btnDel;
    QToolButton* btnBuildStd;
    QToolButton* btnCeLiang;
    QToolButton* ToolButton1;
    QToolButton* btnFromSpectrum;
    QToolButton* btnReturn;
    QLabel* Image1;
    QLabel* labelC_A;
    QLabel* labelR;
    QLabel* labelSE;
    QLabel* labelLOD;
    QLabel* labelNotice;
    QListWidget* lstResidual;
    TNDGrid* StringGrid1;
};
