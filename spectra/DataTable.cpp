#include "spectra/DataTable.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "spectra/SpCurveZQ735.h"

TDataTableColumns DataTableColumns(TSpCurveZQ735& curve, bool timeDrive, float xStart, float xEnd,
                                   int32_t scanTime)
{
    TDataTableColumns t;
    t.TimeDrive = timeDrive;
    // One consistent copy, also while a scan still appends to the curve.
    std::lock_guard<TSpMutex> lock(curve.Mutex);
    const int32_t n = curve.GetCount();
    const float* v = curve.GetData();
    t.Y.assign(v, v + n);
    t.X.resize(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i)
        t.X[static_cast<size_t>(i)] = curve.XAtIndex(i);
    if (!timeDrive)
        return t;
    // Entries beyond the drive's own length keep their stored abscissa. The
    // last time is the drive's end (scanTime for the instrument's own
    // drives, which start at 0 and take a point a second).
    float time = 0.0f;
    for (int32_t i = 0; i < n && i < scanTime; ++i) {
        if (i > 0) {
            time += (xEnd - xStart) / static_cast<float>(scanTime - 1);
            if (i == scanTime - 1)
                time = xEnd - xStart;
        }
        t.X[static_cast<size_t>(i)] = xStart + time;
    }
    return t;
}

namespace {

std::string TwoDecimals(float v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%3.2f", static_cast<double>(v));
    return buf;
}

}  // namespace

std::vector<std::string> DataTableRow(const TDataTableColumns& t, int32_t row)
{
    const auto n = static_cast<int32_t>(std::min(t.X.size(), t.Y.size()));
    if (row == 0)
        return {"序号", t.TimeDrive ? "时间" : "波数", "测量值"};
    if (row < 0 || row > n)
        return {};
    const auto i = static_cast<size_t>(row - 1);
    return {std::to_string(row), TwoDecimals(t.X[i]), TwoDecimals(t.Y[i])};
}

std::string JoinGridRows(const std::vector<std::vector<std::string>>& rows)
{
    std::string text;
    for (size_t r = 0; r < rows.size(); ++r) {
        if (r > 0)
            text += "\r\n";
        for (size_t c = 0; c < rows[r].size(); ++c) {
            if (c > 0)
                text += '\t';
            text += rows[r][c];
        }
    }
    return text;
}

std::string DataTableText(const TDataTableColumns& t, int32_t first, int32_t last)
{
    const auto n = static_cast<int32_t>(std::min(t.X.size(), t.Y.size()));
    first = std::max(first, 0);
    last = std::min(last, n);
    std::vector<std::vector<std::string>> rows;
    for (int32_t r = first; r <= last; ++r)
        rows.push_back(DataTableRow(t, r));
    return JoinGridRows(rows);
}

std::vector<int32_t> DataTableIntervalRows(int32_t n, int32_t interval)
{
    const int64_t step = static_cast<int64_t>(std::max(interval, 0)) + 1;
    std::vector<int32_t> rows{0};
    for (int64_t r = 1; r <= n; r += step)
        rows.push_back(static_cast<int32_t>(r));
    return rows;
}
