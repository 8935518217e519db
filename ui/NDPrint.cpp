#include "ui/NDPrint.h"

#include <QDateTime>
#include <QPainter>
#include <QPagedPaintDevice>
#include <vector>

#include "quant/NDChart.h"
#include "quant/NDTable.h"
#include "surface/SpImage.h"

namespace {

// Columns of the printed table: the date is left out.
constexpr int kPrintedColumns[] = {0, 1, 2, 3, 4, 5, 6, 7, 9};

class TPage {
public:
    TPage(QPagedPaintDevice& printer, QPainter& painter, const TNDTable& table, const QString& dateTime)
        : Printer(printer),
          Table(table),
          S(nullptr, &painter, 0, 0, printer.width(), printer.height()),
          DateTime(dateTime)
    {
        QFont font = SpDefaultFont();
        font.setPointSize(12);
        painter.setFont(font);
        Right = printer.width();
        Bottom = printer.height();
        PpcmX = static_cast<int>(static_cast<long double>(printer.logicalDpiX()) * (1.0L / 2.54L));
        PpcmY = static_cast<int>(static_cast<long double>(printer.logicalDpiY()) * (1.0L / 2.54L));
        PageWidthCm = static_cast<float>(Right - Left) / static_cast<float>(PpcmX);
        H = std::abs(painter.fontMetrics().height());
        Gc = static_cast<int>(PpcmX * 0.3);
        Gr = static_cast<int>(PpcmX * 0.2);
        Tl = static_cast<int>(Left + PpcmX * 0.5);
        S.SetBrushColor(SpRgb(255, 255, 255));
    }

    void Heading()
    {
        S.SetFontColor(0);
        S.SetPenColor(0);
        const QString title = QStringLiteral("红外分光光度计ZQ735浓度工作曲线");
        S.DrawText(Left + (Right - Left - S.TextExtent(title).width()) / 2, 1, title);
        S.DrawText(Right - S.TextExtent(DateTime).width() - 2, 1, DateTime);
        Y = H + 2;
        S.SetPenStyle(SpPenDash);
        S.MoveTo(Left + 1, Y);
        S.LineTo(Right - 1, Y);
        S.SetPenStyle(SpPenSolid);
        Y = static_cast<int>(PpcmY * 0.5 + Y + 2);
    }

    void Footer()
    {
        const int y = Bottom - H - 2;
        S.SetPenColor(0);
        S.SetPenStyle(SpPenDash);
        S.MoveTo(Left + 1, y);
        S.LineTo(Right - 1, y);
        S.SetPenStyle(SpPenSolid);
        S.SetFontColor(0);
        const QString number = QString::number(PageNumber);
        S.DrawText((Left + Right) / 2 - S.TextExtent(number).width() / 2, y + 2, number);
    }

    void Centred(const QString& text)
    {
        S.DrawText(Left + (Right - Left - S.TextExtent(text).width()) / 2, Y, text);
    }

    void Curve()
    {
        TSpRect box;
        box.Left = static_cast<int>(PpcmX * (PageWidthCm - 6) * 0.5 + Left);
        box.Right = static_cast<int>(PpcmX * 6 + box.Left);
        box.Top = Y;
        box.Bottom = static_cast<int>(PpcmY * 6 + box.Top);
        const TNDTable& t = Table;
        TSpRect frame, plot;
        DrawChartFrame(S, box, t.XMin, t.XMax, t.YMin, t.YMax, frame, plot);
        if (t.CurveBuilt) {
            DrawCurveLine(S, t.XMin, t.XMax, t.YMin, t.YMax, t.LineX, t.LineY, 2, plot, kNDCurveColor, true);
            for (int i = 0; i < t.StdCount; ++i) {
                const TNDItem& it = t.Items[static_cast<size_t>(i)];
                DrawNumberedPoint(S, t.XMin, t.XMax, t.YMin, t.YMax, it.AbsValue, it.QuartzMass, i + 1, plot,
                                  kNDStandardColor, false);
            }
            for (int r = t.StdCount + 1; r < t.RowCount(); ++r) {
                long double a, m;
                if (!t.CellValue(r, NDColAbs, a) || !t.CellValue(r, NDColQuartz, m))
                    continue;
                DrawNumberedPoint(S, t.XMin, t.XMax, t.YMin, t.YMax, static_cast<float>(a),
                                  static_cast<float>(m), r - t.StdCount, plot, kNDSampleColor, true);
            }
        }
        Y = static_cast<int>(PpcmY * 0.8 + box.Bottom);
        S.SetPenStyle(SpPenSolid);
        S.SetPenColor(0);
        S.SetFontColor(0);
        Centred(QStringLiteral("关系函数  ") + QString::fromStdString(t.LabelCA));
        Y += H;
        Centred(QStringLiteral("相关系数  ") + QString::fromStdString(t.LabelR));
        if (const std::string lod = t.LodText(); !lod.empty()) {
            Y += H;
            Centred(QStringLiteral("检出限  ") + QString::fromStdString(lod));
        }
        Y = static_cast<int>(PpcmY * 0.8 + Y + H);
    }

    void RowTexts(int row)
    {
        int x = Tl + Gc / 2;
        for (size_t i = 0; i < std::size(kPrintedColumns); ++i) {
            const QString text = QString::fromStdString(Table.Cell(row, kPrintedColumns[i]));
            S.DrawText(x + (Widths[i] - S.TextExtent(text).width()) / 2, Y, text);
            x += Widths[i] + Gc;
        }
    }

    void Rule()
    {
        S.MoveTo(Tl, Y);
        S.LineTo(Tr, Y);
    }

    void Verticals(int top)
    {
        int x = Tl;
        S.MoveTo(x, Y);
        S.LineTo(x, top);
        for (int w : Widths) {
            x += Gc + w;
            S.MoveTo(x, Y);
            S.LineTo(x, top);
        }
    }

    void Data()
    {
        S.SetPenStyle(SpPenSolid);
        S.SetPenColor(0);
        S.SetFontColor(0);
        Widths.clear();
        Tr = Tl;
        for (int c : kPrintedColumns) {
            int w = 0;
            for (int r = 0; r < Table.RowCount(); ++r)
                w = std::max(w, S.TextExtent(QString::fromStdString(Table.Cell(r, c))).width());
            Widths.push_back(w);
            Tr += w + Gc;
        }
        int top = Y;
        Rule();
        Y += Gr / 2;
        for (int r = 0; r < Table.RowCount(); ++r) {
            Y += Gr / 2;
            RowTexts(r);
            Y = Y + H + Gr / 2;
            Rule();
            if (r + 1 < Table.RowCount() && Y > Bottom - 2 * H) {
                Verticals(top);
                Footer();
                Printer.newPage();
                ++PageNumber;
                Heading();
                S.SetPenStyle(SpPenSolid);
                S.DrawText(Tl, Y, QStringLiteral("<续表>"));
                Y = static_cast<int>(PpcmY * 0.1 + Y + H);
                top = Y;
                Rule();
                Y += Gr / 2;
                RowTexts(0);
                Y = Y + H + Gr / 2;
                Rule();
            }
        }
        Verticals(top);
    }

    QPagedPaintDevice& Printer;
    const TNDTable& Table;
    TSpImage S;
    QString DateTime;
    int Left = 0, Right = 0, Top = 0, Bottom = 0;
    int PpcmX = 0, PpcmY = 0;
    float PageWidthCm = 0;
    int H = 0, Gc = 0, Gr = 0, Tl = 0, Tr = 0;
    int Y = 0;
    int PageNumber = 1;
    std::vector<int> Widths;
};

}  // namespace

int PrintCurveReport(QPagedPaintDevice& printer, const TNDTable& table, bool printCurve, bool printData,
                     const QString& dateTime)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return 0;
    const QString when = dateTime.isEmpty()
                             ? QDateTime::currentDateTime().toString(QStringLiteral("yyyy-M-d H:mm:ss"))
                             : dateTime;
    int pages = 0;
    {
        TPage page(printer, painter, table, when);
        page.Heading();
        if (printCurve)
            page.Curve();
        if (printData)
            page.Data();
        page.Footer();
        pages = page.PageNumber;
    }
    painter.end();
    return pages;
}
