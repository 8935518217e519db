// The quantitative window reached from the main window's "浓度测量", taking a
// sample's Abs from the current spectrum of the graph ("从谱图取值").

#include <gtest/gtest.h>

#include <QToolButton>
#include <cmath>

#include "MainWindowFixture.h"
#include "ui/DlgNDFromSpectrum.h"
#include "ui/FrmND.h"

namespace {

class NDFromMainWindow : public MainWindowFixture {
protected:
    void SetUp() override
    {
        TForm1Options options;
        options.StartWorker = false;
        OpenWindow(options);
    }

    // A %T spectrum 4000 -> 400 cm-1 with a band of absorbance `abs` at 798
    // cm-1 on a 90 %T line.
    void AddBandCurve(double abs)
    {
        TSpGraph735& g = *Form->Graph();
        const int slot = g.NewCurve();
        ASSERT_GE(slot, 0);
        TSpCurveZQ735* c = g.CurveAt(slot);
        const int n = c->GetInfo().Capacity;
        std::vector<float> v(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            const double x = c->XAtIndex(i);
            const double a = abs * std::exp(-std::pow((x - 798.0) / 6.0, 2.0));
            v[static_cast<size_t>(i)] = static_cast<float>(90.0 * std::pow(10.0, -a));
        }
        c->AppendData(v.data(), n);
        g.SetCurrent(slot);
    }
};

TEST_F(NDFromMainWindow, MenuItemOpensTheWindowAndTheBandFillsTheSampleAbs)
{
    QAction* item = Action("N6");
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->isVisible());
    EXPECT_TRUE(item->isEnabled());
    AddBandCurve(0.25);

    QString abs;
    QString mass;
    WhenModal<TFrmND>([&](TFrmND* form) {
        TNDTable& t = form->Table();
        TNDTable& table = t;
        table.EditCell(1, NDColAbs, "0.1");
        table.EditCell(1, NDColQuartz, "1");
        table.AddRow();
        table.EditCell(2, NDColAbs, "0.3");
        table.EditCell(2, NDColQuartz, "3");
        table.BuildCurve();
        form->Refresh();
        // The sample row is chosen through its number cell.
        form->Grid()->setCurrentCell(2, NDColLabel);
        ASSERT_EQ(table.AbsTargetRow(), 3);
        WhenModal<TDlgNDFromSpectrum>([](TDlgNDFromSpectrum* d) {
            EXPECT_EQ(d->edBand->text(), QStringLiteral("798.0"));
            EXPECT_EQ(d->edBase1->text(), QStringLiteral("820.0"));
            EXPECT_EQ(d->edBase2->text(), QStringLiteral("760.0"));
            Click(d, "btnOK");
        });
        Click(form, "btnFromSpectrum");
        abs = form->Grid()->item(2, NDColAbs)->text();
        ASSERT_TRUE(form->findChild<QToolButton*>(QStringLiteral("btnCeLiang"))->isEnabled());
        Click(form, "btnCeLiang");
        mass = form->Grid()->item(2, NDColQuartz)->text();
        t.Modified = false;
        form->close();
    });
    item->trigger();
    ASSERT_FALSE(abs.isEmpty());
    EXPECT_NEAR(abs.toDouble(), 0.25, 0.002) << abs.toStdString();
    EXPECT_EQ(abs.size(), 8);  // six decimals
    // mass = 10·A + 0 with the standards (0.1, 1), (0.3, 3).
    EXPECT_NEAR(mass.toDouble(), 2.5, 0.02);
}

}  // namespace
