// The printed page, read back from the PDF: texts with pdftotext, the plot
// with pdftoppm.

#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>
#include <memory>
#include <sstream>
#include <vector>

#include "../support/GuiApp.h"
#include "PdfTools.h"
#include "plot/SpGraph735.h"
#include "report/SpectrumReport.h"
#include "spectra/SpCurveZQ735.h"
#include "spectra/SpTimeDrive.h"
#include "surface/SpImage.h"
#include "text/GbkText.h"

namespace {

// The line of `text` that holds `part`.
std::string LineWith(const std::string& text, const std::string& part)
{
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (Contains(line, part))
            return line;
    return {};
}

class SpectrumReport : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Dir.isValid());
        Canvas.fill(Qt::white);
        Surface = std::make_unique<TSpImage>(nullptr, &Canvas, 0, 0, Canvas.width(), Canvas.height());
        Graph = std::make_unique<TSpGraph735>(nullptr, Surface.get());
        Graph->SetStartRanges();
        SetGbkField(Params.BatchNo, "B-17");
        SetGbkField(Params.Note, "第一行\r\n第二行\n第三行");
    }

    // A flat line at 50 %T from 4000 to 400 cm-1, in 2 cm-1 steps above 2000 and 1 below.
    TSpCurveZQ735* AddFlatCurve()
    {
        const int slot = Graph->NewCurve();
        TSpCurveZQ735* c = Graph->CurveAt(slot);
        c->SetScanRange(4000.0f, 400.0f, 0.0f, 100.0f, 2000.0f, 1001, 1601);
        const std::vector<float> v(2601, 50.0f);
        c->AppendData(v.data(), static_cast<int32_t>(v.size()));
        SetGbkField(c->Info.Name, "聚苯乙烯膜");
        Graph->SetCurrent(slot);
        return c;
    }

    std::string Print(const TReportBlocks& blocks, bool landscape, const TReportLists& lists = {})
    {
        TReportSizes sizes;
        TReportSizeTexts texts;
        SetReportOrientation(sizes, landscape);
        DeriveLayout(texts, sizes);
        const std::string path = Dir.filePath(QStringLiteral("r%1.pdf").arg(++Printed)).toStdString();
        std::string error;
        EXPECT_TRUE(PrintSpectrumReportToPdf(QString::fromStdString(path), {Graph.get(), &Params, &Date}, blocks,
                                             lists, sizes, texts, &error))
            << error;
        EXPECT_EQ(PdfPages(path), 1);
        return path;
    }

    QTemporaryDir Dir;
    QImage Canvas{1000, 600, QImage::Format_RGB32};
    std::unique_ptr<TSpImage> Surface;
    std::unique_ptr<TSpGraph735> Graph;
    TMeasureParams Params;
    TScanDateTime Date{2010, 10, 26, 9, 5, 3};
    int Printed = 0;
};

TEST_F(SpectrumReport, PortraitPageCarriesTitleParametersAndLists)
{
    AddFlatCurve();
    const float px[] = {1601.5f, 1028.25f}, py[] = {10.5f, 20.25f};
    const float vx[] = {2850.0f}, vy[] = {5.0f};
    std::vector<float> dx, dy;
    for (int i = 0; i < 10; ++i) {
        dx.push_back(4000.0f - 2.0f * i);
        dy.push_back(40.0f + i);
    }
    TReportLists lists;
    lists.Peaks = PeakReportRows(px, py, 2, false);
    lists.Valleys = PeakReportRows(vx, vy, 1, true);
    lists.Data = DataReportRows(dx, dy, false);
    lists.DataInterval = 2;  // rows 1, 4, 7, 10
    TReportBlocks blocks;
    blocks.Peaks = blocks.Valleys = blocks.Data = true;

    const std::string text = PdfText(Print(blocks, false, lists));
    for (const char* part : {"红外分光光度计ZQ735", "2010-10-26 9:5:3", "聚苯乙烯膜", "透过率(%T)", "正常(1cm-1)",
                             "4000 - 400 cm-1", "B-17", "峰尖数值", "峰谷数值", "1601.500", "1028.250", "20.2",
                             "2850.000", "测量值", "3994.00", "3982.00", "售后服务"})
        EXPECT_TRUE(Contains(text, part)) << part << "\n" << text;
    // Parameter labels with their values on one line each.
    EXPECT_TRUE(Contains(LineWith(text, "测量模式"), "透过率(%T)"));
    EXPECT_TRUE(Contains(LineWith(text, "扫描速度"), "正常(1cm-1)"));
    EXPECT_TRUE(Contains(LineWith(text, "狭缝宽度"), "正常"));
    EXPECT_TRUE(Contains(LineWith(text, "响应时间"), "正常"));
    EXPECT_TRUE(Contains(LineWith(text, "波数范围"), "4000 - 400 cm-1"));
    EXPECT_TRUE(Contains(LineWith(text, "批号"), "B-17"));
    // A note of three lines: the first beside its label, no CR anywhere.
    EXPECT_TRUE(Contains(LineWith(text, "备注"), "第一行"));
    EXPECT_FALSE(Contains(LineWith(text, "第二行"), "备注"));
    EXPECT_FALSE(Contains(LineWith(text, "第三行"), "第二行"));
    EXPECT_FALSE(Contains(text, "\r"));
    // Data rows between the interval's are left out.
    EXPECT_FALSE(Contains(text, "3998.00"));
    EXPECT_FALSE(Contains(text, "3996.00"));
    EXPECT_FALSE(Contains(text, "时间长度"));
}

TEST_F(SpectrumReport, PeakListsPrintOnlyWithTheCurveTheyWereFoundOn)
{
    TSpCurveZQ735* first = AddFlatCurve();
    TSpCurveZQ735* second = AddFlatCurve();
    const float px[] = {1601.5f}, py[] = {10.5f};
    TReportLists lists;
    lists.Peaks = PeakReportRows(px, py, 1, false);
    lists.Valleys = PeakReportRows(px, py, 1, true);
    lists.PeakCurve = second;
    TReportBlocks blocks;
    blocks.Peaks = blocks.Valleys = true;

    // Curve 1 is printed: the lists of curve 2 stay off its page.
    Graph->SetCurrent(Graph->IndexOfCurve(first));
    EXPECT_FALSE(PeakListsOfPrintedCurve(Graph.get(), lists));
    const std::string other = PdfText(Print(blocks, false, lists));
    EXPECT_FALSE(Contains(other, "峰尖数值") || Contains(other, "峰谷数值") || Contains(other, "1601.500"))
        << other;

    Graph->SetCurrent(Graph->IndexOfCurve(second));
    EXPECT_TRUE(PeakListsOfPrintedCurve(Graph.get(), lists));
    const std::string own = PdfText(Print(blocks, false, lists));
    EXPECT_TRUE(Contains(own, "峰尖数值") && Contains(own, "峰谷数值") && Contains(own, "1601.500")) << own;
}

TEST_F(SpectrumReport, BandColumnsCarryTheirUnitsAndFitThePaper)
{
    AddFlatCurve();
    const float px[] = {2850.0f}, py[] = {90.5f};
    const float vx[] = {1601.5f, 1028.25f}, vy[] = {30.5f, 40.25f};
    const TBandMetrics bands[] = {{7.5f, 3.66f, true}, {8.25f, 4.125f, true}};
    TReportLists lists;
    lists.Peaks = PeakReportRows(px, py, 1, false, nullptr);
    lists.Valleys = PeakReportRows(vx, vy, 2, true, bands);
    ASSERT_EQ(lists.Valleys[0].size(), 5u);
    EXPECT_EQ(lists.Valleys[0][3], "半高宽(cm-1)");
    EXPECT_EQ(lists.Valleys[0][4], "面积(Abs·cm-1)");
    // Bands none of which was measured add no columns.
    const TBandMetrics none[] = {{}, {}};
    EXPECT_EQ(PeakReportRows(vx, vy, 2, true, none)[0].size(), 3u);

    TReportBlocks blocks;
    blocks.Peaks = blocks.Valleys = true;
    const std::string text = PdfText(Print(blocks, false, lists));
    for (const char* part : {"峰尖数值", "2850.000", "峰谷数值", "半高宽(cm-1)", "面积(Abs·cm-1)", "7.5",
                             "3.660", "8.2", "4.125"})
        EXPECT_TRUE(Contains(text, part)) << part << "\n" << text;
    // Side by side, each row whole on its line.
    EXPECT_TRUE(Contains(LineWith(text, "2850.000"), "1601.500")) << text;
    EXPECT_TRUE(Contains(LineWith(text, "1601.500"), "3.660")) << text;
    EXPECT_TRUE(Contains(LineWith(text, "1028.250"), "4.125")) << text;
}

TEST_F(SpectrumReport, TimeDriveRangeIsInSeconds)
{
    AddFlatCurve();
    Params.ScanMode = 2;
    Params.XStart = 0.0f;
    Params.XEnd = 1000.0f;
    const std::string portrait = PdfText(Print({}, false));
    EXPECT_TRUE(Contains(LineWith(portrait, "时间长度"), "0 - 1000 秒")) << portrait;
    EXPECT_FALSE(Contains(portrait, "波数范围"));
    const std::string landscape = PdfText(Print({}, true));
    EXPECT_TRUE(Contains(landscape, "时间长度: 0 - 1000 秒")) << landscape;
}

TEST_F(SpectrumReport, LandscapePrintsOneParameterLineAndNoLists)
{
    AddFlatCurve();
    const float px[] = {1601.5f}, py[] = {10.5f};
    TReportLists lists;
    lists.Peaks = PeakReportRows(px, py, 1, false);
    lists.Valleys = PeakReportRows(px, py, 1, true);
    lists.Data = DataReportRows({4000.0f}, {50.0f}, false);
    TReportBlocks blocks;
    blocks.Peaks = blocks.Valleys = blocks.Data = true;
    const std::string text = PdfText(Print(blocks, true, lists));
    const std::string line = LineWith(text, "名称: 聚苯乙烯膜");
    for (const char* part : {"测量模式: 透过率(%T)", "扫描速度: 正常(1cm-1)", "狭缝宽度: 正常", "响应时间: 正常",
                             "波数范围: 4000 - 400 cm-1"})
        EXPECT_TRUE(Contains(line, part)) << part << "\n" << text;
    for (const char* absent : {"峰尖数值", "峰谷数值", "测量值", "1601.500", "批号"})
        EXPECT_FALSE(Contains(text, absent)) << absent;
    EXPECT_TRUE(Contains(text, "2010-10-26 9:5:3"));
    EXPECT_TRUE(Contains(text, "售后服务"));
}

TEST_F(SpectrumReport, ListsEndAtThePageBottom)
{
    AddFlatCurve();
    std::vector<float> x, y;
    for (int i = 0; i < 5000; ++i) {
        x.push_back(5000.0f + i);
        y.push_back(1.0f);
    }
    TReportLists lists;
    lists.Data = DataReportRows(x, y, false);
    TReportBlocks blocks;
    blocks.Data = true;
    const std::string text = PdfText(Print(blocks, false, lists));
    EXPECT_TRUE(Contains(text, "5000.00"));
    EXPECT_FALSE(Contains(text, "9999.00"));  // far below the page
    EXPECT_FALSE(Contains(text, "售后服务"));  // the maker line too
}

// A time drive, drawn on its time axis: its labels go under the plot as on
// the screen, not where the screen's frame would put them on paper.
TEST_F(SpectrumReport, TimeDriveLabelsStayOutOfThePlot)
{
    struct TDrive : TSpTimeDriveSource {
        bool TimeDriveAxis(TSpTimeAxis& axis) const override
        {
            axis = {0.0f, 20.0f, 20};
            return true;
        }
    } drive;
    SpSetTimeDriveSource(&drive);
    Graph->SetViewRange(0.0f, 20.0f, 0.0f, 102.0f, 0.0f, 0, 20);
    const int slot = Graph->NewCurve();
    TSpCurveZQ735* c = Graph->CurveAt(slot);
    c->SetScanRange(0.0f, 20.0f, 0.0f, 102.0f, 0.0f, 0, 20);
    const std::vector<float> v(20, 50.0f);
    c->AppendData(v.data(), 20);
    Params.ScanMode = 2;
    const std::vector<TPdfWord> words = PdfWords(Print({}, false));
    SpSetTimeDriveSource(nullptr);

    // The plot lies right of the ordinate labels, between "102.0" and "0.0".
    const TPdfWord* top = nullptr;
    const TPdfWord* bottom = nullptr;
    for (const TPdfWord& w : words) {
        if (w.Text == "102.0" && top == nullptr)
            top = &w;
        if (w.Text == "0.0" && (bottom == nullptr || w.XMin < bottom->XMin))
            bottom = &w;
    }
    ASSERT_TRUE(top != nullptr && bottom != nullptr);
    int under = 0;
    for (const TPdfWord& w : words) {
        if (w.XMin > top->XMax + 1 && w.YMin > top->YMax && w.YMax < bottom->YMin)
            ADD_FAILURE() << "label inside the plot: " << w.Text << " at " << w.XMin << ", " << w.YMin;
        if (w.YMin > bottom->YMax && w.YMin < bottom->YMax + 30 && w.XMin > top->XMax + 1)
            ++under;
    }
    EXPECT_GT(under, 2);  // the time labels and the axis ends
}

TEST_F(SpectrumReport, BlocksCanBeLeftOut)
{
    AddFlatCurve();
    TReportBlocks blocks;
    blocks.Title = blocks.Params = blocks.Maker = false;
    const std::string text = PdfText(Print(blocks, false));
    for (const char* absent : {"红外分光光度计ZQ735", "2010-10-26", "测量模式", "备注", "售后服务"})
        EXPECT_FALSE(Contains(text, absent)) << absent;
}

TEST_F(SpectrumReport, UnsetDateIsFilledOnceAndKept)
{
    AddFlatCurve();
    Date = TScanDateTime{};
    const std::string first = PdfText(Print({}, false));
    ASSERT_FALSE(ReportDateUnset(Date));
    EXPECT_GE(Date.Year, 2024);
    const std::string dateText = ReportDateText(Date);
    EXPECT_TRUE(Contains(first, dateText)) << first;
    const TScanDateTime kept = Date;
    const std::string second = PdfText(Print({}, false));
    EXPECT_TRUE(Contains(second, dateText));
    EXPECT_EQ(Date.Second, kept.Second);
}

TEST_F(SpectrumReport, NothingIsPrintedWithoutACurrentCurve)
{
    TReportSizes sizes;
    TReportSizeTexts texts;
    std::string error;
    const QString path = Dir.filePath(QStringLiteral("none.pdf"));
    EXPECT_FALSE(PrintSpectrumReportToPdf(path, {Graph.get(), &Params, &Date}, {}, {}, sizes, texts, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(CanPrintReport(nullptr));
    // A folder that does not exist cannot take the file.
    AddFlatCurve();
    EXPECT_FALSE(PrintSpectrumReportToPdf(Dir.filePath(QStringLiteral("no/such/dir/r.pdf")),
                                          {Graph.get(), &Params, &Date}, {}, {}, sizes, texts, &error));
}

// The plot is drawn again at the printer's resolution: a flat curve is one
// thin line across the plot, not a band of stretched screen pixels.
TEST_F(SpectrumReport, PlotIsRedrawnSharpAtPrinterResolution)
{
    AddFlatCurve();
    const std::string path = Print({}, false);
    const QImage page = PdfPicture(path, 300);
    ASSERT_FALSE(page.isNull());
    int columns = 0, thickest = 0, firstColumn = page.width(), lastColumn = 0;
    std::vector<int> rows;
    for (int x = 0; x < page.width(); ++x) {
        int run = 0, longest = 0, row = -1;
        for (int y = 0; y < page.height(); ++y) {
            const QColor c = page.pixelColor(x, y);
            const bool blue = c.blue() > 200 && c.red() < 100 && c.green() < 100;
            run = blue ? run + 1 : 0;
            if (blue && row < 0)
                row = y;
            longest = std::max(longest, run);
        }
        if (longest > 0) {
            ++columns;
            thickest = std::max(thickest, longest);
            firstColumn = std::min(firstColumn, x);
            lastColumn = std::max(lastColumn, x);
            rows.push_back(row);
        }
    }
    // Across most of the 19.4 cm plot (about 2290 pixels at 300 dpi).
    EXPECT_GT(columns, 1800);
    EXPECT_GT(lastColumn - firstColumn, 1800);
    EXPECT_LE(thickest, 2);
    // Level: 50 % lies halfway down the plot, inside the page's upper half.
    std::sort(rows.begin(), rows.end());
    ASSERT_FALSE(rows.empty());
    EXPECT_LE(rows.back() - rows.front(), 2);
    EXPECT_GT(rows.front(), 200);
    EXPECT_LT(rows.front(), page.height() / 2);
}

}  // namespace
