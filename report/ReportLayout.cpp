#include "report/ReportLayout.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string_view>

namespace {

int32_t Trunc(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (v <= std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

// The number in a size text: blanks around, sign, digits with one point, an
// exponent. False for anything else (the edits only let those characters in).
bool ParseSize(const std::string& text, float& value)
{
    const char* s = text.c_str();
    char* end = nullptr;
    const double v = std::strtod(s, &end);
    if (end == s)
        return false;
    for (const char* p = s; p != end; ++p)
        if (std::string_view("+-.0123456789eE \t").find(*p) == std::string_view::npos)
            return false;
    while (*end == ' ' || *end == '\t')
        ++end;
    if (*end != '\0' || !std::isfinite(v) || std::fabs(v) > std::numeric_limits<float>::max())
        return false;
    value = static_cast<float>(v);
    return true;
}

void ValidateField(std::string& text, float& value, float limit)
{
    bool blank = true;
    for (char c : text)
        blank = blank && (c == ' ' || c == '\t');
    if (blank) {
        text = "0.0";
        value = 0.0f;
        return;
    }
    float v = 0.0f;
    if (!ParseSize(text, v)) {
        value = 0.0f;
        return;
    }
    if (v < 0.0f)
        text = "0";
    else if (v > limit)
        text = FormatCm(limit);
    float taken = 0.0f;
    ParseSize(text, taken);
    value = taken;
}

std::string General15(float v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", static_cast<double>(v));
    return buf;
}

}  // namespace

void SetReportOrientation(TReportSizes& s, bool landscape)
{
    s.Landscape = landscape;
    s.PaperWidthCm = landscape ? 28.0f : 19.5f;
    s.PaperHeightCm = landscape ? 19.5f : 28.0f;
}

std::string FormatCm(float v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%4.1f", static_cast<double>(v));
    return buf;
}

void ValidateLayout(TReportSizeTexts& t, TReportSizes& s)
{
    ValidateField(t.Left, s.MarginLeftCm, s.PaperWidthCm);
    ValidateField(t.Right, s.MarginRightCm, s.PaperWidthCm);
    ValidateField(t.Top, s.MarginTopCm, s.PaperHeightCm);
    ValidateField(t.PlotWidth, s.PlotWidthCm, s.PaperWidthCm);
    ValidateField(t.PlotHeight, s.PlotHeightCm, s.PaperHeightCm);
}

void DeriveLayout(TReportSizeTexts& t, TReportSizes& s)
{
    ValidateLayout(t, s);
    s.PlotWidthCm = s.PaperWidthCm - s.MarginRightCm - s.MarginLeftCm - 0.1f;
    t.PlotWidth = FormatCm(s.PlotWidthCm);
    s.PlotHeightCm = s.PlotWidthCm * 0.55f;
    t.PlotHeight = FormatCm(s.PlotHeightCm);
}

TPreviewPlan PlanPreview(int32_t w, int32_t h, const TReportSizes& s, const TReportBlocks& b)
{
    TPreviewPlan p;
    const double W = w, H = h;
    const double sx = s.PaperWidthCm > 0.0f ? W / s.PaperWidthCm : 0.0;
    const double sy = s.PaperHeightCm > 0.0f ? H / s.PaperHeightCm : 0.0;
    const double left = sx * s.MarginLeftCm, right = sx * s.MarginRightCm;
    int32_t y = 0;
    p.Title = b.Title;
    p.Params = b.Params;
    p.Maker = b.Maker;

    if (s.Landscape) {
        p.Page = {20, 40, w - 20, h - 40};
        if (b.Title) {
            p.TitleBar1 = {Trunc(5 * (W - 20) / 12), 40, Trunc(7 * (W - 20) / 12), 42};
            p.TitleBar2 = {Trunc(10 * (W - 20) / 12), 40, w - 24, 42};
            p.RuleY = 43;
            p.RuleX0 = 20;
            p.RuleX1 = w - 20;
            y += 5;
        }
        y += Trunc(sy * s.MarginTopCm);
        p.Plot = {Trunc(left + 22), y + 42, Trunc(W - 22 - right), Trunc(y + sy * s.PlotHeightCm - 48)};
        y = p.Plot.Bottom;
        if (b.Params) {
            y += 3;
            p.ParamsBlock = {35, y, w - 35, y + 2};
            y += 1;
        }
        if (b.Maker) {
            y += 3;
            p.MakerLine = {35, y, Trunc(W / 2 + 20), y + 2};
        }
        return p;
    }

    p.Page = {40, 20, w - 40, h - 20};
    if (b.Title) {
        p.TitleBar1 = {Trunc(5 * (W - 40) / 12), 20, Trunc(7 * (W - 40) / 12), 22};
        p.TitleBar2 = {Trunc(10 * (W - 40) / 12), 20, w - 44, 22};
        p.RuleY = 23;
        p.RuleX0 = 40;
        p.RuleX1 = w - 40;
        y += 5;
    }
    y += Trunc(sy * s.MarginTopCm);
    p.Plot = {Trunc(left + 42), y + 22, Trunc(W - 42 - right), Trunc(y + sy * s.PlotHeightCm - 10)};
    y += 70;

    const bool lists = b.Peaks || b.Valleys;
    const int32_t r = y;
    const int32_t pl = b.Params && lists ? y + 20 : y;
    const int32_t d = lists || b.Params ? pl + 20 : y;
    const int32_t m = b.Data ? d + 10 : lists ? pl + 10 : b.Params ? y + 30 : y;
    if (b.Params)
        p.ParamsBlock = {55, r + 10, 75, r + 20};
    p.Peaks = b.Peaks;
    p.Valleys = b.Valleys;
    p.Data = b.Data;
    if (b.Peaks)
        p.PeaksBlock = {55, pl + 10, 85, pl + 20};
    if (b.Valleys)
        p.ValleysBlock = {100, pl + 10, 130, pl + 20};
    if (b.Data)
        p.DataBlock = {55, d + 10, 75, d + 20};
    if (b.Maker)
        p.MakerLine = {45, m + 20, Trunc(W / 2 + 40), m + 25};
    return p;
}

TReportPage PlanReportPage(double dpiX, double dpiY, int32_t wp, int32_t hp, TReportSizeTexts& t,
                           TReportSizes& s)
{
    TReportPage page;
    page.PpcmX = dpiX / 2.54;
    page.PpcmY = dpiY / 2.54;
    page.Wp = wp;
    page.Hp = hp;
    if (page.PpcmX > 0.0 && page.PpcmY > 0.0) {
        s.PaperWidthCm = static_cast<float>(wp / page.PpcmX);
        s.PaperHeightCm = static_cast<float>(hp / page.PpcmY);
    }
    ValidateLayout(t, s);
    page.LabelX = Trunc(3 * page.PpcmX);
    page.ColonX = page.LabelX + Trunc(2 * page.PpcmX);
    page.Left = Trunc(page.PpcmX * s.MarginLeftCm + 50);
    page.Top = Trunc(page.PpcmY * s.MarginTopCm);
    page.PlotHeight = Trunc(page.PpcmY * s.PlotHeightCm);
    page.PlotWidth = Trunc(page.PpcmX * s.PlotWidthCm - 1);
    // The platform's 12-point font: a height of 12/72 inch, rounded.
    page.LineHeight = Trunc(std::floor(12.0 * dpiY / 72.0 + 0.5));
    page.ListX = Trunc(page.PpcmX);
    return page;
}

TPreviewRect ReportPlotRect(const TReportPage& page, int32_t y)
{
    TPreviewRect r{page.Left, y, page.Left + page.PlotWidth - 5, y + page.PlotHeight - 5};
    if (r.Right > page.Wp)
        r.Right = page.Wp;
    if (r.Bottom > page.Hp)
        r.Bottom = page.Hp;
    return r;
}

std::vector<int32_t> ReportDataRows(int32_t rowCount, int32_t interval)
{
    std::vector<int32_t> rows;
    if (rowCount <= 0)
        return rows;
    rows.push_back(0);
    const int64_t k = static_cast<int64_t>(interval < 0 ? 0 : interval) + 1;
    for (int64_t r = 1; r < rowCount; r += k)
        rows.push_back(static_cast<int32_t>(r));
    return rows;
}

bool ReportDateUnset(const TScanDateTime& d)
{
    return d.Year == -1 && d.Month == -1 && d.Day == -1 && d.Hour == -1 && d.Minute == -1 && d.Second == -1;
}

std::string ReportDateText(const TScanDateTime& d)
{
    char buf[96];
    std::snprintf(buf, sizeof buf, "%d-%d-%d %d:%d:%d", d.Year, d.Month, d.Day, d.Hour, d.Minute, d.Second);
    return buf;
}

std::string ReportRangeText(const TMeasureParams& p)
{
    return General15(p.XStart) + " - " + General15(p.XEnd) + (p.ScanMode == 2 ? " 秒" : " cm-1");
}
