#pragma once
// The spectrum report's geometry as plain functions of plain numbers: the
// paper and plot sizes the print window edits, the schematic preview of the
// page, the pixel positions on the printer's page, and the texts of the date
// and the range. The print window and the page drawing use what these
// compute; the tests check them without a device.
//
// Sizes are in centimetres of the paper's printable area. The plot is as wide
// as the paper between the margins (less a millimetre) and 0.55 of that high
// unless the operator types another height; every size is kept inside the
// paper, and the texts of the edits are corrected to what was taken.

#include <cstdint>
#include <string>
#include <vector>

#include "acquisition/ApparaZQ735.h"
#include "acquisition/MeasureParams.h"

struct TReportSizes {
    float PaperWidthCm = 19.5f;
    float PaperHeightCm = 28.0f;
    float MarginLeftCm = 0.0f;
    float MarginRightCm = 0.0f;
    float MarginTopCm = 0.0f;
    float PlotWidthCm = 18.0f;
    float PlotHeightCm = 12.0f;
    bool Landscape = false;
};

// The texts of the five size edits, as the operator sees them.
struct TReportSizeTexts {
    std::string Left = "0.0";
    std::string Right = "0.0";
    std::string Top = "0.0";
    std::string PlotWidth = "18.0";
    std::string PlotHeight = "12.0";
};

// Which blocks the page carries. The lists are printed in portrait only.
struct TReportBlocks {
    bool Title = true;
    bool Params = true;
    bool Maker = true;
    bool Peaks = false;
    bool Valleys = false;
    bool Data = false;
};

// Nominal usable paper: 19.5 x 28.0 cm portrait, 28.0 x 19.5 cm landscape.
void SetReportOrientation(TReportSizes& s, bool landscape);

// "%4.1f" (a value below 10 keeps its leading blank).
std::string FormatCm(float v);

// Reads the five texts into the sizes, correcting them first: an empty text
// becomes "0.0" (0), a negative value "0", a value above its limit (the
// paper's width for the margins and the plot width, its height for the top
// margin and the plot height) the limit in "%4.1f". A text that is no number
// (a lone "-" or "." while the operator types) is left as it is and counts 0.
void ValidateLayout(TReportSizeTexts& t, TReportSizes& s);
// ValidateLayout, then the plot width from the paper and the margins and the
// plot height 0.55 of it, both shown in "%4.1f".
void DeriveLayout(TReportSizeTexts& t, TReportSizes& s);

// --- the schematic preview -------------------------------------------------

struct TPreviewRect {
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const TPreviewRect&) const = default;
};

struct TPreviewPlan {
    TPreviewRect Page;
    bool Title = false;
    TPreviewRect TitleBar1, TitleBar2;
    int32_t RuleY = 0, RuleX0 = 0, RuleX1 = 0;  // the dashed rule under the title
    TPreviewRect Plot;
    bool Params = false;
    TPreviewRect ParamsBlock;
    bool Peaks = false, Valleys = false, Data = false;
    TPreviewRect PeaksBlock, ValleysBlock, DataBlock;
    bool Maker = false;
    TPreviewRect MakerLine;
};

// The elements of the preview picture (w x h pixels) for the sizes and blocks.
TPreviewPlan PlanPreview(int32_t w, int32_t h, const TReportSizes& s, const TReportBlocks& b);

// --- the printed page --------------------------------------------------------

struct TReportPage {
    double PpcmX = 0.0, PpcmY = 0.0;  // printer pixels per centimetre, unrounded
    int32_t Wp = 0, Hp = 0;           // printable area in pixels
    int32_t LineHeight = 0;           // 12 points in pixels
    int32_t LabelX = 0, ColonX = 0;   // columns of the parameter block
    int32_t Left = 0, Top = 0;        // plot offset: left margin + 50 pixels, top margin
    int32_t PlotWidth = 0, PlotHeight = 0;
    int32_t ListX = 0;                // first column of the lists and of the maker line
};

// The page of a printer with the given resolution (pixels per inch) and
// printable area (pixels). The paper size of `s` becomes that area, and the
// sizes are validated against it (so `t` may change) before the pixels are
// taken from them.
TReportPage PlanReportPage(double dpiX, double dpiY, int32_t wp, int32_t hp, TReportSizeTexts& t,
                           TReportSizes& s);

// The plot's rectangle on the page when its top is at `y`: plot width and
// height less 5 pixels, kept on the page.
TPreviewRect ReportPlotRect(const TReportPage& page, int32_t y);

// Which rows of a data list are printed: the header row 0, then 1, 1 + k,
// 1 + 2k, ... below `rowCount`, with k = interval + 1 (a negative interval
// counts as 0).
std::vector<int32_t> ReportDataRows(int32_t rowCount, int32_t interval);

// --- texts -------------------------------------------------------------------

// year-month-day hour:minute:second, plain decimals without leading zeros.
std::string ReportDateText(const TScanDateTime& d);
// True when every field of the date is -1 (no scan date yet).
bool ReportDateUnset(const TScanDateTime& d);
// "4000 - 400 cm-1"; a time drive's range ends in " 秒". Each end is the
// 32-bit value in general format with 15 significant digits.
std::string ReportRangeText(const TMeasureParams& p);
