#include "report/SpectrumReport.h"

#include <QFontMetrics>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>
#include <cstdio>
#include <ctime>

#include "plot/SpGraph735.h"
#include "report/GraphPrint.h"
#include "report/PdfFile.h"
#include "spectra/SpCurveZQ735.h"
#include "surface/SpImage.h"
#include "text/GbkText.h"

const char* const kReportMakerLine = "ZQ735红外分光光度计    售后服务与技术支持：请与本仪器的制造厂家或当地经销商联系";
const char* const kReportTitle = "  红外分光光度计ZQ735  ";

namespace {

QString Q(const std::string& utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

// Text with the top-left corner of its cell at (x, y), as the platform's text output.
class TPageText {
public:
    explicit TPageText(QPainter& p) : P(p) {}
    void Draw(int x, int y, const QString& text) { P.drawText(x, y + P.fontMetrics().ascent(), text); }
    void Draw(int x, int y, const std::string& utf8) { Draw(x, y, Q(utf8)); }
    int Width(const QString& text) const { return P.fontMetrics().horizontalAdvance(text); }
    int Width(const std::string& utf8) const { return Width(Q(utf8)); }

private:
    QPainter& P;
};

void FillDateIfUnset(TScanDateTime& d)
{
    if (!ReportDateUnset(d))
        return;
    const std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    d.Year = static_cast<int16_t>(t.tm_year + 1900);
    d.Month = static_cast<int16_t>(t.tm_mon + 1);
    d.Day = static_cast<int16_t>(t.tm_mday);
    d.Hour = static_cast<int16_t>(t.tm_hour);
    d.Minute = static_cast<int16_t>(t.tm_min);
    d.Second = static_cast<int16_t>(t.tm_sec);
}

// The note's printed lines: lines end at LF, CR characters are dropped.
std::vector<std::string> NoteLines(const std::string& note)
{
    std::vector<std::string> lines(1);
    for (char c : note) {
        if (c == '\n')
            lines.emplace_back();
        else if (c != '\r')
            lines.back() += c;
    }
    return lines;
}

std::string Format(const char* fmt, double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

// Draws the rows of a list at its columns from `y`; returns the y below it.
// Rows below `bottom` would be cut off by the printer: they are counted, not
// drawn, so a long data list costs no time and leaves no hidden text.
int DrawRows(TPageText& text, const std::vector<TReportRow>& rows, const std::vector<int32_t>& which,
             const int* col, int y, int h, int bottom)
{
    for (int32_t r : which) {
        if (y >= bottom) {
            y += h;
            continue;
        }
        const TReportRow& row = rows[static_cast<size_t>(r)];
        for (size_t c = 0; c < row.size(); ++c)
            text.Draw(col[c], y, row[c]);
        y += h;
    }
    return y;
}

std::vector<int32_t> AllRows(size_t n)
{
    std::vector<int32_t> rows(n);
    for (size_t i = 0; i < n; ++i)
        rows[i] = static_cast<int32_t>(i);
    return rows;
}

}  // namespace

bool CanPrintReport(const TSpGraph735* graph)
{
    if (graph == nullptr)
        return false;
    const int index = graph->CurrentIndex();
    return index >= 0 && index < TSpGraph735::SlotCount && graph->CurrentCurve() != nullptr;
}

bool PeakListsOfPrintedCurve(const TSpGraph735* graph, const TReportLists& lists)
{
    return lists.PeakCurve == nullptr || (graph != nullptr && graph->CurrentCurve() == lists.PeakCurve);
}

bool DrawSpectrumReport(QPainter& painter, const TReportSource& source, const TReportBlocks& blocks,
                        const TReportLists& lists, TReportSizes& sizes, TReportSizeTexts& texts)
{
    if (!CanPrintReport(source.Graph) || source.Params == nullptr || painter.device() == nullptr)
        return false;
    TSpGraph735& graph = *source.Graph;
    const TMeasureParams& p = *source.Params;
    QPaintDevice& device = *painter.device();

    const TReportPage page = PlanReportPage(device.logicalDpiX(), device.logicalDpiY(), device.width(),
                                            device.height(), texts, sizes);
    TScanDateTime date;
    if (source.Date != nullptr) {
        FillDateIfUnset(*source.Date);
        date = *source.Date;
    } else {
        FillDateIfUnset(date);
    }
    const std::string dateText = ReportDateText(date);
    const std::string name = GbkFieldToUtf8(graph.CurrentCurve()->GetInfo().Name);

    painter.save();
    QFont font = SpDefaultFont();
    font.setPixelSize(std::max(page.LineHeight, 1));
    painter.setFont(font);
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(Qt::white);
    TPageText text(painter);
    const int h = page.LineHeight;
    int y = 0;

    if (blocks.Title) {
        text.Draw(page.Wp * 8 / 24, 0, std::string(kReportTitle));
        text.Draw(page.Wp * 17 / 24, 0, dateText);
        y = h;
        painter.setPen(QPen(Qt::black, 0, Qt::DashLine));
        painter.drawLine(0, y, page.Wp, y);
        painter.setPen(QPen(Qt::black, 0));
        y = 2 * h;
    }

    y += page.Top;
    const TPreviewRect plot = ReportPlotRect(page, y);
    DrawGraphForPrint(graph, painter, QRect(QPoint(plot.Left, plot.Top), QPoint(plot.Right - 1, plot.Bottom - 1)),
                      device.logicalDpiY());
    painter.setFont(font);
    painter.setPen(QPen(Qt::black, 0));
    const int bottom = plot.Bottom;
    const std::string range = ReportRangeText(p);
    const bool timeDrive = p.ScanMode == 2;

    if (sizes.Landscape) {
        y = y + bottom - 150;
        if (blocks.Params) {
            int x = page.ListX;
            for (const std::string& item :
                 {"名称: " + name, std::string("测量模式: ") + ModeText(p), std::string("扫描速度: ") + SpeedText(p),
                  std::string("狭缝宽度: ") + SlitText(p), std::string("响应时间: ") + ResponseText(p),
                  (timeDrive ? "时间长度: " : "波数范围: ") + range}) {
                text.Draw(x, y, item);
                x += text.Width(item) + page.ListX;
            }
        }
    } else {
        y = y + bottom;
        if (blocks.Params) {
            const std::vector<std::string> note = NoteLines(GbkFieldToUtf8(p.Note));
            const std::pair<const char*, std::string> items[] = {
                {"名称", name},
                {"测量模式", ModeText(p)},
                {"扫描速度", SpeedText(p)},
                {"狭缝宽度", SlitText(p)},
                {"响应时间", ResponseText(p)},
                {timeDrive ? "时间长度" : "波数范围", range},
                {"批号", GbkFieldToUtf8(p.BatchNo)},
                {"备注", note.front()},
            };
            for (const auto& [label, value] : items) {
                text.Draw(page.LabelX, y, std::string(label));
                text.Draw(page.ColonX, y, std::string(":"));
                text.Draw(page.ColonX + h, y, value);
                y += h;
            }
            for (size_t i = 1; i < note.size(); ++i) {
                text.Draw(page.ColonX + h, y, note[i]);
                y += h;
            }
        }
        y += 2 * h;

        const int c0 = page.ListX;
        const int c1 = c0 + text.Width(std::string("1234567"));
        const int c2 = c1 + text.Width(std::string("12345.123456"));
        const int c3 = c2 + text.Width(std::string("峰尖数值123456789"));
        const int c4 = c3 + text.Width(std::string("1234567"));
        const int c5 = c4 + text.Width(std::string("12345.123456"));
        int below = y;
        const bool ownLists = PeakListsOfPrintedCurve(&graph, lists);
        auto withBands = [](const std::vector<TReportRow>& rows) {
            return !rows.empty() && rows[0].size() > 3;
        };
        if (withBands(lists.Peaks) || withBands(lists.Valleys)) {
            // Five columns at the fixed spacing would run off the paper:
            // each column as wide as its widest cell, the lists side by side.
            const int gap = text.Width(std::string("12"));
            auto columns = [&](const std::vector<TReportRow>& rows, int x, std::vector<int>& col) {
                col.assign(rows.empty() ? 0 : rows[0].size(), x);
                for (size_t c = 0; c < col.size(); ++c) {
                    col[c] = x;
                    int w = 0;
                    for (const TReportRow& r : rows)
                        if (c < r.size())
                            w = std::max(w, text.Width(r[c]));
                    x += w + gap;
                }
                return x + gap;
            };
            std::vector<int> col;
            int x = c0;
            if (blocks.Peaks && ownLists) {
                x = columns(lists.Peaks, x, col);
                below = std::max(below, DrawRows(text, lists.Peaks, AllRows(lists.Peaks.size()), col.data(),
                                                 y, h, page.Hp));
            }
            if (blocks.Valleys && ownLists) {
                columns(lists.Valleys, x, col);
                below = std::max(below, DrawRows(text, lists.Valleys, AllRows(lists.Valleys.size()),
                                                 col.data(), y, h, page.Hp));
            }
        } else {
            if (blocks.Peaks && ownLists) {
                const int col[3] = {c0, c1, c2};
                below = std::max(
                    below, DrawRows(text, lists.Peaks, AllRows(lists.Peaks.size()), col, y, h, page.Hp));
            }
            if (blocks.Valleys && ownLists) {
                const int col[3] = {c3, c4, c5};
                below = std::max(
                    below, DrawRows(text, lists.Valleys, AllRows(lists.Valleys.size()), col, y, h, page.Hp));
            }
        }
        y = below;
        if (blocks.Data) {
            y += h;
            const int col[3] = {c0, c1, c2};
            y = DrawRows(text, lists.Data,
                         ReportDataRows(static_cast<int32_t>(lists.Data.size()), lists.DataInterval), col, y, h,
                         page.Hp);
        }
    }

    y -= h;
    if (blocks.Maker) {
        y += static_cast<int>(page.PpcmY);
        text.Draw(page.ListX, y, std::string(kReportMakerLine));
    }
    painter.restore();
    return true;
}

bool PrintSpectrumReportToPdf(const QString& path, const TReportSource& source, const TReportBlocks& blocks,
                              const TReportLists& lists, TReportSizes& sizes, TReportSizeTexts& texts,
                              std::string* error)
{
    auto fail = [error](const char* why) {
        if (error != nullptr)
            *error = why;
        return false;
    };
    if (!CanPrintReport(source.Graph) || source.Params == nullptr)
        return fail("没有当前光谱");
    TPdfFile pdf;
    QPdfWriter& writer = pdf.Writer();
    writer.setResolution(600);
    writer.setTitle(QString::fromUtf8(kReportTitle).trimmed());
    writer.setCreator(QStringLiteral("ZQ735"));
    // A4 less these margins is the nominal usable paper, 19.5 x 28.0 cm.
    const QMarginsF margins = sizes.Landscape ? QMarginsF(8.5, 7.5, 8.5, 7.5) : QMarginsF(7.5, 8.5, 7.5, 8.5);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4),
                                     sizes.Landscape ? QPageLayout::Landscape : QPageLayout::Portrait, margins,
                                     QPageLayout::Millimeter));
    QPainter painter;
    if (!painter.begin(&writer))
        return fail("无法写入文件");
    const bool drawn = DrawSpectrumReport(painter, source, blocks, lists, sizes, texts);
    if (!painter.end())
        return fail("无法写入文件");
    if (!drawn)
        return fail("没有当前光谱");
    if (const int err = pdf.Save(path); err != 0) {
        if (error != nullptr)
            *error = PdfWriteError(err).toStdString();
        return false;
    }
    return true;
}

std::vector<TReportRow> PeakReportRows(const float* x, const float* y, int count, bool valleys,
                                       const TBandMetrics* bands)
{
    const bool withBands = bands != nullptr && std::any_of(bands, bands + std::max(count, 0),
                                                           [](const TBandMetrics& b) { return b.Measured; });
    std::vector<TReportRow> rows;
    rows.push_back({"序号", "波长", valleys ? "峰谷数值" : "峰尖数值"});
    if (withBands) {
        rows[0].push_back(std::string("半高宽(") + kBandFwhmUnit + ")");
        rows[0].push_back(std::string("面积(") + kBandAreaUnit + ")");
    }
    for (int i = 0; i < count; ++i) {
        rows.push_back({std::to_string(i + 1), Format("%3.3f", static_cast<double>(x[i])),
                        Format("%3.1f", static_cast<double>(y[i]))});
        if (withBands) {
            rows.back().push_back(BandFwhmText(bands[i]));
            rows.back().push_back(BandAreaText(bands[i]));
        }
    }
    return rows;
}

std::vector<TReportRow> DataReportRows(const std::vector<float>& x, const std::vector<float>& y, bool timeDrive)
{
    std::vector<TReportRow> rows;
    rows.push_back({"序号", timeDrive ? "时间" : "波数", "测量值"});
    const size_t n = std::min(x.size(), y.size());
    for (size_t i = 0; i < n; ++i)
        rows.push_back({std::to_string(i + 1), Format("%3.2f", static_cast<double>(x[i])),
                        Format("%3.2f", static_cast<double>(y[i]))});
    return rows;
}
