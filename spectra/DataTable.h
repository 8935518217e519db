#pragma once
// The columns of the data table (the window "数据列表", its copy, the
// report's data list and `zq735-cli table`): every stored point of a curve
// with its abscissa, or its time in seconds when the curves are a time drive.
// The texts of its rows and the copied text are made here too, so that the
// window and the command line write the same bytes.

#include <cstdint>
#include <string>
#include <vector>

class TSpCurveZQ735;

struct TDataTableColumns {
    std::vector<float> X;
    std::vector<float> Y;
    bool TimeDrive = false;
};

// A time drive's abscissas are its times xStart … xEnd in scanTime points
// (the instrument takes a point a second: 0 … scanTime), accumulated in
// single precision the way the instrument counts them, the last one exactly
// xEnd. `timeDrive` and the three numbers come from the parameter record of
// curve slot 0.
TDataTableColumns DataTableColumns(TSpCurveZQ735& curve, bool timeDrive, float xStart, float xEnd,
                                   int32_t scanTime);

// The three cells of grid row `row` (UTF-8): row 0 is the header "序号",
// "时间" or "波数", "测量值"; row r (1 … n) the ordinal r, the abscissa and the
// value, both "%3.2f". A row outside the table has no cells.
std::vector<std::string> DataTableRow(const TDataTableColumns& t, int32_t row);

// Rows of cells as the grids copy them to the clipboard: cells joined by a
// tab, rows by CR LF, no line break after the last row.
std::string JoinGridRows(const std::vector<std::vector<std::string>>& rows);

// Grid rows first … last (clamped into the table) joined as above; the whole
// table, header included, is DataTableText(t, 0, n).
std::string DataTableText(const TDataTableColumns& t, int32_t first, int32_t last);

// The rows a printout with row interval p lists: the header row 0, then rows
// 1, 1 + (p + 1), 1 + 2(p + 1), … up to n. A negative interval counts as 0.
std::vector<int32_t> DataTableIntervalRows(int32_t n, int32_t interval);
