#pragma once
// The quantitative table: standards and samples, the least-squares working
// curve mass = k·A + b through the standards, the quartz mass and content of
// the samples, the working-curve file (".irc") and the state of the window's
// grid (cells, current cell, row selection, which buttons are live).
//
// The grid's cells live here as UTF-8 texts, so that the window, the printout
// and `zq735-cli quant` all read one table and every rule (what may be
// selected, what an edit does, when a row is complete) is tested without
// widgets. Item i always holds what grid row i+1 shows in its stored columns.
//
// The fit works in 32-bit floats rounded after each addition, with products
// formed in extended precision before they are added or subtracted: files
// and labels of the program depend on those exact residues (standards
// (0.2, 1), (0.4, 2) give b = -5.96e-8, not 0).

#include <array>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "quant/NDItem.h"
#include "surface/SpImage.h"

enum : int {
    NDColLabel = 0,
    NDColName = 1,
    NDColNumber = 2,
    NDColAbs = 3,
    NDColQuartz = 4,
    NDColCorr = 5,
    NDColContent = 6,
    NDColCount = 7,
    NDColDate = 8,
    NDColRemark = 9,
    NDColumns = 10
};

// "%1.<n>f" of the value widened to double.
std::string FormatFixed(double value, int decimals);
// " (mg)", " (ug)", " (ng)".
const char* NDUnitSuffix(int unitIndex);
// "mg", "ug", "ng".
const char* NDUnitName(int unitIndex);
// "2004-7-19 17:20:23" and back (false when the text is no such date).
std::string NDDateText(const TNDSystemTime& t);
bool NDParseDate(const std::string& text, TNDSystemTime& t);

// Working-curve file results besides 0.
enum : int {
    NDFileCannotOpen = -1,   // cannot open or create, or wrong magic
    NDFileVersion = -2,      // written by a newer program
    NDFileTooManyRows = -3,  // more rows than the table holds
    NDFileDamaged = -4,      // ends early or holds impossible counts
    NDFileBadValue = -5,     // a value that is not a finite number
};
// The window's message for a negative result of LoadCurveFile.
const char* NDLoadMessage(int result);

// The quality of a built curve (shown beside the relation; nothing of it is
// stored).
struct TNDFitStats {
    bool Valid = false;             // a curve is built
    std::vector<double> Residuals;  // per standard: its mass - k·A - b
    bool HasStdError = false;       // needs three standards or more
    double StdError = 0;            // sqrt(sum of squares / (n - 2)), mass unit
    bool HasLod = false;
    double Lod = 0;                 // 3 · StdError / |k|, in Abs
    double LodMass = 0;             // the same limit in the mass unit: |k| · Lod
    double AbsMin = 0, AbsMax = 0;  // the standards' Abs range
};

class TNDTable {
public:
    static constexpr int MaxItems = 500;
    static constexpr int FileVersion = 101;
    static constexpr int NameBytes = 19;
    static constexpr int RemarkBytes = 49;

    TNDTable();

    // --- table and file -----------------------------------------------------
    void ResetTable();
    bool AddRow();
    bool AllRowsComplete() const;
    // False when some row lacks a number in Abs, quartz or corrected mass,
    // except an incomplete last row of a grid of two or more rows; count is
    // then the rows a save writes.
    bool CheckSaveable(int& count) const;
    void FillGridFromItems();
    // 0, or NDFileCannotOpen when the file cannot be written (also when the
    // table is not saveable). The file is written beside its final name and
    // renamed, so a failed save never destroys the file it was to replace.
    int SaveCurveFile(const std::string& path) const;
    // 0 or a negative NDFile* result; nothing changes unless it is 0.
    int LoadCurveFile(const std::string& path);
    // "打开" after a successful LoadCurveFile: grid from the items, a fresh
    // row, the stored unit applied (which rebuilds a built curve), the chart,
    // the current cell, the buttons; Modified cleared.
    void FinishOpen();

    // --- calculation ----------------------------------------------------------
    void CalcRegression();
    void BuildCurve();
    // 0 measured; -1 the Abs cell of the selected row holds no number ("请输入Abs");
    // 1 nothing to do (no curve, or no sample row selected).
    int MeasureSample();
    void ChangeUnit(int unitIndex);
    // Headers of the mass columns for a unit (and UnitIndex).
    void ApplyUnitHeaders(int unitIndex);
    // Recomputes the content cell of a row from its two mass cells.
    void UpdateContent(int row);
    // Line ends, the widened mass range and the relation labels; draws the
    // chart when a surface is attached.
    void DrawCurveChart();
    TNDFitStats FitStats() const;
    // The limit of detection in Abs and in the mass unit ("0.001234 Abs =
    // 0.0123 mg (3s/|k|)"), or empty while there is none.
    std::string LodText() const;
    // What makes the curve or the results doubtful though they are kept:
    // standards of one Abs, standards of no or negative mass, a falling
    // curve, contents above 100 %. One sentence each; empty when none.
    std::vector<std::string> CurveWarnings() const;
    // A sample row whose Abs lies outside the standards' Abs range.
    bool Extrapolated(int row) const;

    // --- the grid as the operator works it -------------------------------------
    int RowCount() const { return static_cast<int>(Cells.size()); }
    int DataRows() const { return RowCount() - 1; }
    const std::string& Cell(int row, int col) const
    {
        return Cells[static_cast<size_t>(row)][static_cast<size_t>(col)];
    }
    bool CellIsNumber(int row, int col) const;
    bool CellValue(int row, int col, long double& value) const;
    bool IsStandardRow(int row) const { return CurveBuilt && row >= 1 && row <= StdCount; }
    bool IsSampleRow(int row) const
    {
        return row >= 1 && row < RowCount() && (!CurveBuilt || row > StdCount);
    }

    // Whether the cell may become the current cell.
    bool CanSelectCell(int row, int col) const;
    // The current cell moves there as a left click would make it: refused
    // cells are refused (from column 0 the focus then goes to column 2 of the
    // current row). Returns whether the cell became current.
    bool FocusCell(int row, int col);
    // The operator changed the text of a cell being edited; returns the text
    // the cell keeps (cut at the byte limit). Numeric cells take their text
    // already filtered.
    std::string EditCell(int row, int col, const std::string& text);
    // "删除" once confirmed; false when nothing may be deleted.
    bool CanDelete() const;
    bool DeleteSelectedRow();
    // "从谱图取值": the row whose Abs an absorbance from a spectrum would fill,
    // or -1, and the filling itself (as if typed).
    int AbsTargetRow() const;
    bool SetAbsFromSpectrum(float abs);
    void UpdateButtons();

    // --- state ------------------------------------------------------------------
    std::vector<TNDItem> Items;
    int ItemCount = 0;
    int StdCount = 0;
    bool CurveBuilt = false;
    int UnitIndex = 0;
    float XMin = 0, XMax = 0, YMin = 0, YMax = 0;
    float Slope = 0, Intercept = 0, CorrCoef = 0;
    float LineX[2] = {0, 0};
    float LineY[2] = {0, 0};
    int SelRow = -1;
    bool Modified = false;
    int AbsDecimals = 6;
    int MassDecimals = 4;

    // Rows of ten cells; row 0 is the header.
    std::vector<std::array<std::string, NDColumns>> Cells;
    int CurRow = 1;
    int CurCol = 1;
    bool RowSelect = false;  // the grid selects whole rows (a row chosen through column 0)
    bool AddEnabled = false;
    bool BuildEnabled = false;
    bool DeleteEnabled = false;
    bool MeasureEnabled = false;
    std::string LabelCA = "C=";
    std::string LabelR = "R=";

    // The chart's picture; when null only the chart's state is kept.
    TSpImage* Chart = nullptr;
    TSpRect FrameRect;
    TSpRect PlotRect;

    // The local time of new rows (tests fix it).
    std::function<TNDSystemTime()> Clock = &NDNow;

private:
    // A float of the table together with the value it was rounded from, so
    // that unit changes work on full precision and come back to where they
    // started. The value counts only while the float still is its rounding:
    // whatever writes the float alone thereby retires the value.
    struct TExact {
        double V = std::numeric_limits<double>::quiet_NaN();
        double Of(float f) const { return static_cast<float>(V) == f ? V : f; }
    };
    // The mass a row holds in its quartz (col NDColQuartz) or corrected
    // (NDColCorr) cell: the stored value in full precision while the cell
    // shows it, else the typed text's value. False when the cell holds no number.
    bool CellMass(int row, int col, long double& value) const;
    double StoredMass(int item, int col) const;
    void SetMass(int item, int col, double value);
    void ScaleUnit(int unitIndex);
    void RecomputeRanges();
    std::string RowLabel(int row) const;
    void SetRowItemTexts(int row);
    void WriteItemFromRow(int row);
    void WidenRanges(float x, float y);
    void SetRowCount(int rows);

    std::vector<std::array<TExact, 2>> MassExact;  // per item: quartz, corrected
    TExact SlopeExact, InterceptExact;
};
