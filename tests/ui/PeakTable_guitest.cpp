// The peak table and the data table, alone and from the main window's
// commands; the read cursor driven by the window's keys and mouse.

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QKeyEvent>
#include <QMouseEvent>
#include <cstdio>
#include <string>

#include "MainWindowFixture.h"
#include "spectra/DataTable.h"
#include "ui/DlgInputOne.h"
#include "ui/FormDataTable.h"
#include "ui/PlotWidget.h"
#include "ui/StringGrid.h"
#include "ui/UpDown.h"
#include "report/SpectrumReport.h"
#include "ui/FormPrntSetting.h"
#include "ui/XiShouFeng.h"

#include "tests/support/Run.h"

namespace {

QString Clipboard()
{
    return QApplication::clipboard()->text();
}

// What the print-option signals said last, and how often.
struct TOption {
    int Count = 0;
    bool Last = false;
    void operator()(bool on)
    {
        ++Count;
        Last = on;
    }
};

TEST(PeakTable, FillCopyAndPrintOptions)
{
    TXiShouFeng t;
    TOption peaks, valleys;
    QObject::connect(&t, &TXiShouFeng::PrintPeaksChanged, [&](bool on) { peaks(on); });
    QObject::connect(&t, &TXiShouFeng::PrintValleysChanged, [&](bool on) { valleys(on); });
    const float px[2] = {3025.4f, 2850.0f}, py[2] = {12.34f, 8.0f};
    const TBandMetrics bands[2] = {{12.5f, 1.25f, true}, {4.0f, 0.5f, false}};
    t.Fill(px, py, nullptr, nullptr, 2, 0, bands, nullptr);
    EXPECT_EQ(t.PeakGrid()->rowCount(), 3);
    EXPECT_EQ(t.ValleyGrid()->rowCount(), 1);
    auto* fj = Child<QCheckBox>(&t, "cbPrintFJ");
    auto* fg = Child<QCheckBox>(&t, "cbPrintFG");
    EXPECT_TRUE(fj->isEnabled());
    EXPECT_FALSE(fg->isEnabled());
    EXPECT_FALSE(fg->isChecked());
    EXPECT_EQ(peaks.Count, 1);

    t.CopyAll(t.PeakGrid());
    EXPECT_EQ(Clipboard(), QStringLiteral("序号\t波长\t峰尖数值\r\n1\t3025.400\t12.3\r\n2\t2850.000\t8.0"));
    Child<QCheckBox>(&t, "cbBandColumns")->setChecked(true);
    t.CopyAll(t.PeakGrid());
    // With their units; an extreme that is no band has neither figure.
    EXPECT_EQ(Clipboard(),
              QStringLiteral(
                  "序号\t波长\t峰尖数值\t半高宽(cm-1)\t面积(Abs·cm-1)\r\n1\t3025.400\t12.3\t12.5\t1.250\r\n"
                  "2\t2850.000\t8.0\t\t"));
    t.CopyAll(t.ValleyGrid());
    EXPECT_EQ(Clipboard(), QStringLiteral("序号\t波长\t峰谷数值\t半高宽(cm-1)\t面积(Abs·cm-1)"));
    // A block: row 2, columns 1 and 2.
    t.PeakGrid()->clearSelection();
    t.PeakGrid()->setRangeSelected(QTableWidgetSelectionRange(2, 1, 2, 2), true);
    t.CopySelection(t.PeakGrid());
    EXPECT_EQ(Clipboard(), QStringLiteral("2850.000\t8.0"));

    // Ticked and showing: on; closing: off for both, the box stays ticked.
    fj->click();
    EXPECT_FALSE(peaks.Last);  // not showing yet
    t.show();
    EXPECT_TRUE(peaks.Last);
    EXPECT_TRUE(t.PrintPeaks());
    EXPECT_FALSE(valleys.Last);
    Click(&t, "btnOK");
    EXPECT_FALSE(t.isVisible());
    EXPECT_FALSE(peaks.Last);
    EXPECT_FALSE(valleys.Last);
    EXPECT_TRUE(fj->isChecked());
    // An empty list unticks and disables its box.
    t.Fill(nullptr, nullptr, px, py, 0, 2);
    EXPECT_FALSE(fj->isChecked());
    EXPECT_FALSE(fj->isEnabled());
}

TEST(DataTableWindow, RowsIntervalCopyAndPrintOption)
{
    TFormDataTable w;
    TOption print;
    QObject::connect(&w, &TFormDataTable::PrintDataChanged, [&](bool on) { print(on); });
    TDataTableColumns t;
    for (int i = 0; i < 3601; ++i) {
        t.X.push_back(4000.0f - static_cast<float>(i));
        t.Y.push_back(static_cast<float>(i % 100));
    }
    w.Fill(t);
    EXPECT_EQ(w.Grid()->rowCount(), 3602);
    auto* ud = Child<TUpDown>(&w, "udJG");
    EXPECT_EQ(ud->Max(), 3600);
    EXPECT_EQ(w.Interval(), 360);
    EXPECT_FALSE(ud->isEnabled());

    // "复制全部": n + 1 lines, CR LF between them, none after the last,
    // byte for byte what `zq735-cli table` writes.
    w.CopyAll();
    const QString all = Clipboard();
    EXPECT_EQ(all.count(QStringLiteral("\r\n")), 3601);
    EXPECT_FALSE(all.endsWith(QStringLiteral("\n")));
    EXPECT_EQ(all.toStdString(), DataTableText(t, 0, 3601));
    // One selected row: its three cells and no line break.
    w.Grid()->clearSelection();
    w.Grid()->selectRow(3);
    w.CopySelection();
    EXPECT_EQ(Clipboard(), QStringLiteral("3\t3998.00\t2.00"));

    // Showing passes nothing; a click while showing passes the option.
    w.show();
    const int before = print.Count;
    EXPECT_FALSE(w.PrintData());
    EXPECT_EQ(print.Count, before);
    Child<QCheckBox>(&w, "cbPrintData")->click();
    EXPECT_TRUE(print.Last);
    EXPECT_TRUE(ud->isEnabled());
    w.close();
    EXPECT_FALSE(print.Last);

    // An empty curve: the header row alone, the box off and disabled.
    w.Fill(TDataTableColumns{});
    EXPECT_EQ(w.Grid()->rowCount(), 1);
    EXPECT_FALSE(Child<QCheckBox>(&w, "cbPrintData")->isChecked());
    EXPECT_FALSE(Child<QCheckBox>(&w, "cbPrintData")->isEnabled());
    EXPECT_EQ(ud->Max(), 0);
}

class PeakCommands : public MainWindowFixture {
protected:
    void SetUp() override
    {
        TForm1Options options;
        options.StartWorker = false;
        OpenWindow(options);
    }

    // "峰值检索" with the threshold typed into the input dialog.
    void SearchWith(const QString& threshold, std::vector<TModalStep> more = {})
    {
        std::vector<TModalStep> steps{OnModal<TDlgInputOne>([threshold](TDlgInputOne* d) {
            EXPECT_EQ(d->windowTitle(), QStringLiteral("输入峰值高度"));
            d->Edit()->setText(threshold);
            Click(d, "btnOK");
        })};
        steps.insert(steps.end(), more.begin(), more.end());
        TModalScript script(steps);
        Action("tbFengZhiJS")->trigger();
        EXPECT_TRUE(script.Done());
    }

    // A %T curve with a deep band at a third of its points and a weaker one
    // at two thirds: the first band's valley completes where the curve turns
    // down into the second.
    TSpCurveZQ735* AddBandsCurve()
    {
        TSpGraph735& g = *Form->Graph();
        const int slot = g.NewCurve();
        TSpCurveZQ735* c = g.CurveAt(slot);
        const int n = c->GetInfo().Capacity;
        std::vector<float> v(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            const float d1 = static_cast<float>(i - n / 3), d2 = static_cast<float>(i - 2 * n / 3);
            v[static_cast<size_t>(i)] = 90.0f - 60.0f / (1.0f + d1 * d1 / 400.0f) - 30.0f / (1.0f + d2 * d2 / 100.0f);
        }
        c->AppendData(v.data(), n);
        g.SetCurrent(slot);
        g.CurveChanged();
        Form->RebuildCurveList();
        return c;
    }

    void Key(int qtKey)
    {
        // Where the platform delivers it: the focus widget, else the window.
        if (QApplication::activeWindow() != Form.get()) {
            Form->activateWindow();
            PumpUntil([&] { return QApplication::activeWindow() == Form.get(); }, 2000);
        }
        QWidget* target = QApplication::focusWidget();
        if (target == nullptr)
            target = QApplication::activeWindow();
        ASSERT_NE(target, nullptr);
        QKeyEvent press(QEvent::KeyPress, qtKey, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &press);
    }
};

TEST_F(PeakCommands, SearchListsAndMarksTheValleyRefreshClearsAndApplyRemarks)
{
    TSpCurveZQ735* c = AddBandsCurve();
    Form->Plot()->update();
    const QImage before = Form->Surface()->Bitmap()->copy();
    SearchWith(QStringLiteral("5"));
    TXiShouFeng& table = Form->XiShouFeng();
    EXPECT_TRUE(table.isVisible());
    ASSERT_EQ(table.ValleyX().size(), 1u);
    EXPECT_NEAR(table.ValleyX()[0], c->XAtIndex(c->GetCount() / 3), 2.0f);
    ASSERT_EQ(table.ValleyBands().size(), 1u);
    EXPECT_GT(table.ValleyBands()[0].Fwhm, 0.0f);
    EXPECT_TRUE(c->ShowValleyMarks);
    EXPECT_NE(*Form->Surface()->Bitmap(), before);
    table.close();

    // "刷新": the marks go.
    Action("tbRefresh")->trigger();
    EXPECT_FALSE(c->ShowValleyMarks);

    // "应用" after an accepted threshold searches again, without the table.
    Edit("EditWs")->setText(QStringLiteral("3000"));
    Click(Form.get(), "Button1");
    EXPECT_TRUE(c->ShowValleyMarks);
    EXPECT_EQ(c->ValleyList.size(), 1u);
    EXPECT_FALSE(table.isVisible());

    // Nothing above the threshold: the message, no table.
    TBoxSeen seen;
    SearchWith(QStringLiteral("100"), {BoxStep(seen)});
    EXPECT_EQ(seen.Text, QStringLiteral("没有检索到峰值"));
    EXPECT_FALSE(table.isVisible());
}

// Standard output of zq735-cli, with the test's data folder.
std::string RunCli(const QString& dataDir, const std::string& args)
{
    return ::RunCli(args, dataDir.toStdString()).Out;
}

TEST_F(PeakCommands, CliListsWhatTheWindowLists)
{
    AddBandsCurve();
    const QString file = Path(QStringLiteral("bands.ir"));
    TScanDateTime date;
    ASSERT_NE(Form->Model()->SaveSpectrumFile(file.toStdString(), date), -1);
    SearchWith(QStringLiteral("5"));
    const TXiShouFeng& t = Form->XiShouFeng();
    ASSERT_FALSE(t.ValleyX().empty());
    std::string expected = "kind,no,x,value,fwhm (cm-1),area (Abs·cm-1)\n";
    auto list = [&](const char* kind, const std::vector<float>& x, const std::vector<float>& y,
                    const std::vector<TBandMetrics>& b) {
        for (size_t i = 0; i < x.size(); ++i)
            expected += std::string(kind) + "," + std::to_string(i + 1) + "," + PeakAbscissaText(x[i]) + "," +
                        PeakValueText(y[i]) + "," + BandFwhmText(b[i]) + "," + BandAreaText(b[i]) + "\n";
    };
    list("peak", t.PeakX(), t.PeakY(), t.PeakBands());
    list("valley", t.ValleyX(), t.ValleyY(), t.ValleyBands());
    EXPECT_EQ(RunCli(Dir.path(), "peaks '" + file.toStdString() + "' --height 5 --csv"), expected);

    // And the data table as "复制全部" copies it.
    Action("mnDataTable")->trigger();
    Form->FormDataTable().CopyAll();
    EXPECT_EQ(RunCli(Dir.path(), "table '" + file.toStdString() + "'"), Clipboard().toStdString());
}

TEST_F(PeakCommands, DataTableOfTheCurrentCurve)
{
    TSpCurveZQ735* c = AddTestCurve();
    Action("mnDataTable")->trigger();
    TFormDataTable& w = Form->FormDataTable();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.Grid()->rowCount(), c->GetCount() + 1);
    w.CopyAll();
    EXPECT_EQ(Clipboard().count(QStringLiteral("\r\n")), c->GetCount());
    EXPECT_TRUE(Clipboard().startsWith(QStringLiteral("序号\t波数\t测量值\r\n1\t4000.00\t")));
    w.close();
}

TEST_F(PeakCommands, CursorFollowsKeysAndDragAndThreeMarksShowTheHeight)
{
    TSpCurveZQ735* c = AddBandsCurve();
    Action("mnCursorRead")->trigger();
    ASSERT_TRUE(Form->CursorRead());
    EXPECT_TRUE(c->CursorShown);
    const int32_t readout = Form->Graph()->ReadoutLength;
    EXPECT_GT(readout, 0);
    Key(Qt::Key_Right);
    Key(Qt::Key_Right);
    EXPECT_EQ(c->CursorIndex, 2);
    Key(Qt::Key_Left);
    EXPECT_EQ(c->CursorIndex, 1);

    // A drag over the plot.
    TPlotWidget* plot = Form->Plot();
    const int x = Form->Graph()->PlotLeft + (Form->Graph()->PlotRight - Form->Graph()->PlotLeft) * 3 / 4;
    const QPointF at(x, 100);
    QMouseEvent press(QEvent::MouseButtonPress, at, plot->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(plot, &press);
    EXPECT_GT(c->CursorIndex, 1000);
    const QPointF further(x + 40, 100);
    QMouseEvent move(QEvent::MouseMove, further, plot->mapToGlobal(further), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(plot, &move);
    const int dragged = c->CursorIndex;
    EXPECT_GT(dragged, 1000);
    QMouseEvent release(QEvent::MouseButtonRelease, further, plot->mapToGlobal(further), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(plot, &release);

    // Three marks with "P": the height is shown in the input dialog.
    float shown = 0.0f;
    const int n = c->GetCount();
    const float* v = c->GetData();
    const int idx[3] = {n / 3 - 100, n / 3, n / 3 + 100};
    const float x0 = c->XAtIndex(idx[0]), x1 = c->XAtIndex(idx[1]), x2 = c->XAtIndex(idx[2]);
    const float expected = v[idx[1]] - (v[idx[0]] + (v[idx[2]] - v[idx[0]]) * (x1 - x0) / (x2 - x0));
    TModalScript script({OnModal<TDlgInputOne>([&shown](TDlgInputOne* d) {
        EXPECT_EQ(d->windowTitle(), QStringLiteral("峰高"));
        shown = d->Value;
        Click(d, "btnCancel");
    })});
    for (int i : idx) {
        c->MoveCursorToIndex(i);
        Key(Qt::Key_P);
    }
    EXPECT_TRUE(script.Done());
    EXPECT_NEAR(shown, expected, 1e-3);
    EXPECT_LT(shown, -40.0f);

    // Off: the read-out line is blanked.
    Action("mnCursorRead")->trigger();
    EXPECT_FALSE(c->CursorShown);
}

TEST_F(PeakCommands, RemarkingKeepsTheThresholdOfTheSearch)
{
    // The band and, every 200 points, a dip of 3: bands at a threshold of 1,
    // noise at the threshold of 5 searched with.
    TSpCurveZQ735* c = AddBandsCurve();
    for (int32_t i = 100; i < c->GetCount(); i += 200)
        c->GetData()[i] -= 3.0f;
    SearchWith(QStringLiteral("5"));
    Form->XiShouFeng().close();
    const std::vector<int32_t> valleys = c->ValleyList;
    ASSERT_FALSE(valleys.empty());

    // The shared input dialog answers other questions in between: an
    // expansion by 1 changes no value but leaves 1 in the dialog.
    TModalScript expand({OnModal<TDlgInputOne>([](TDlgInputOne* d) {
        d->Edit()->setText(QStringLiteral("1"));
        Click(d, "btnOK");
    })});
    Action("mnXiShouKZ")->trigger();
    ASSERT_TRUE(expand.Done());
    ASSERT_EQ(Form->DlgInputOne().Value, 1.0f);

    Click(Form.get(), "Button1");  // "应用"
    EXPECT_EQ(c->ValleyList, valleys);
    // The table follows the marks: what a page lists is what it marks.
    EXPECT_EQ(Form->XiShouFeng().ValleyX().size(), valleys.size());

    // The lists handed to the printout belong to the curve searched: under
    // another current curve they are not its lists.
    Child<QCheckBox>(&Form->XiShouFeng(), "cbPrintFG")->setChecked(true);
    Form->XiShouFeng().show();
    EXPECT_EQ(Form->FormPrntSetting().Lists().PeakCurve, c);
    EXPECT_TRUE(PeakListsOfPrintedCurve(Form->Graph(), Form->FormPrntSetting().Lists()));
    TSpCurveZQ735* other = AddBandsCurve();
    ASSERT_NE(other, c);
    EXPECT_FALSE(PeakListsOfPrintedCurve(Form->Graph(), Form->FormPrntSetting().Lists()));
    Form->XiShouFeng().close();
    Form->Graph()->SetCurrent(Form->Graph()->IndexOfCurve(c));

    // The next search offers the height searched with, not the coefficient.
    SearchWith(QStringLiteral("5"));
    TModalScript look({OnModal<TDlgInputOne>([](TDlgInputOne* d) {
        EXPECT_EQ(d->Edit()->text().toFloat(), 5.0f);
        Click(d, "btnCancel");
    })});
    Action("tbFengZhiJS")->trigger();
    EXPECT_TRUE(look.Done());
}

}  // namespace
