#pragma once
// The one-page report of the graph's current spectrum: a title line with the
// scan date, the plot drawn again at the device's resolution, the curve's
// measurement parameters, the peak, valley and data lists other windows
// prepared (portrait only) and the maker line. It draws on any open
// QPainter: the printer the print window opens, or a PDF writer.

#include <QString>
#include <array>
#include <string>
#include <vector>

#include "acquisition/ApparaZQ735.h"
#include "acquisition/MeasureParams.h"
#include "report/ReportLayout.h"
#include "spectra/PeakSearch.h"

class QPainter;
class TSpGraph735;
class TSpCurveZQ735;

// One row of a list: three cells, UTF-8 (five in a peak list with its band
// columns). Every list begins with its header row.
using TReportRow = std::vector<std::string>;

struct TReportLists {
    std::vector<TReportRow> Peaks;
    std::vector<TReportRow> Valleys;
    std::vector<TReportRow> Data;
    // The data window's interval: rows 1, 1 + (k + 1), 1 + 2(k + 1), ... are printed.
    int DataInterval = 0;
    // The curve the peak and valley lists were found on (null: the printed
    // one). Lists of another curve are left off the page: under the printed
    // curve's name they would be read as its bands.
    const TSpCurveZQ735* PeakCurve = nullptr;
};

// Whether the peak and valley lists belong to the curve the page prints.
bool PeakListsOfPrintedCurve(const TSpGraph735* graph, const TReportLists& lists);

// What the report reads besides the sizes: the graph (its current curve and
// the plot), the measurement record of that curve's slot, and the scan date.
struct TReportSource {
    TSpGraph735* Graph = nullptr;
    const TMeasureParams* Params = nullptr;
    // Filled with the local date and time when unset, so later prints show the same.
    TScanDateTime* Date = nullptr;
};

// The maker's contact line of the footer.
extern const char* const kReportMakerLine;
// The title text, blanks included.
extern const char* const kReportTitle;

// True when the graph has a current curve in slot 0 ... 19: there is a report.
bool CanPrintReport(const TSpGraph735* graph);

// Draws the page on `painter`, whose device is the printer's printable area
// (origin at its top-left corner) and whose document has begun in the
// orientation of `sizes`. The paper size in `sizes` becomes that area and the
// size texts are validated against it. Nothing is drawn (false) without a
// current curve or a record.
bool DrawSpectrumReport(QPainter& painter, const TReportSource& source, const TReportBlocks& blocks,
                        const TReportLists& lists, TReportSizes& sizes, TReportSizeTexts& texts);

// The same page as a PDF file: A4 with margins that leave the nominal usable
// paper of 19.5 x 28.0 cm, 600 pixels per inch, drawn in memory and written
// in one step. False (with `error`) when the file cannot be written (the file
// before stays as it was) or there is nothing to print.
bool PrintSpectrumReportToPdf(const QString& path, const TReportSource& source, const TReportBlocks& blocks,
                              const TReportLists& lists, TReportSizes& sizes, TReportSizeTexts& texts,
                              std::string* error = nullptr);

// --- the lists as the peak table and the data table show them ---------------

// Header "序号", "波长", "峰尖数值" (peaks) or "峰谷数值" (valleys), then one row
// per entry: its number, the abscissa in "%3.3f" and the value in "%3.1f".
// With `bands` (one per entry) and at least one of them measured, two more
// columns: the width at half height and the area, their units in the header.
// A page with such a list sizes each column to its widest cell, where the
// fixed spacing would take the lists off the paper.
std::vector<TReportRow> PeakReportRows(const float* x, const float* y, int count, bool valleys,
                                       const TBandMetrics* bands = nullptr);
// Header "序号", "时间" (time drive) or "波数", "测量值", then one row per
// point: its number, the abscissa and the value in "%3.2f".
std::vector<TReportRow> DataReportRows(const std::vector<float>& x, const std::vector<float>& y, bool timeDrive);
