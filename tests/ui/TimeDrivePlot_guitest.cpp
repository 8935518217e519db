// A time drive on the main window's plot when the window changes size: the
// time labels follow the frame to its new place under the plot.

#include <QImage>

#include "MainWindowFixture.h"
#include "acquisition/ApparaZQ735.h"
#include "surface/SpImage.h"

namespace {

class TimeDrivePlot : public MainWindowFixture {};

TEST_F(TimeDrivePlot, AfterAResizeTheTimeLabelsStayUnderTheFrame)
{
    TForm1Options options;
    options.StartWorker = false;
    OpenWindow(options);

    // Slot 0 holds a 100 s time drive, as a finished one leaves it.
    TApparaZQ735& model = *Form->Model();
    TMeasureParams& p = *model.ParamsOfSlot(0);
    p.ScanMode = 2;
    p.XStart = 0.0f;
    p.XEnd = 100.0f;
    p.ScanTime = 100.0f;
    model.SlotParamsChanged();
    TSpGraph735& g = *Form->Graph();
    g.SetViewRange(0.0f, 100.0f, 0.0f, 100.0f, 0.0f, 0, 101);
    TSpCurveZQ735* c = g.CurveAt(g.NewCurve());
    ASSERT_NE(c, nullptr);
    c->SetScanRange(0.0f, 100.0f, 0.0f, 100.0f, 0.0f, 0, 101);
    const std::vector<float> values(40, 90.0f);
    c->AppendData(values.data(), 40);
    g.CurveChanged();

    const int oldBottom = g.FrameBottom;
    const int oldHeight = Form->Surface()->Height();
    Form->resize(Form->width(), Form->height() + 200);
    ASSERT_TRUE(PumpUntil([&] { return Form->Surface()->Height() >= oldHeight + 150; }, 5000));
    ASSERT_GT(g.PlotBottom, oldBottom + 3 * g.LabelExtent.H);

    // Where the labels stood under the old frame is inside the plot now:
    // nothing but its white ground, the grey grid and the curve.
    const QImage& picture = *Form->Surface()->Bitmap();
    const QRgb curve = SpColor(c->GetColor()).rgb();
    int strays = 0;
    for (int y = oldBottom + 1; y <= oldBottom + 2 * g.LabelExtent.H; ++y) {
        for (int x = g.PlotLeft + 1; x < g.PlotRight; ++x) {
            const QRgb px = picture.pixel(x, y);
            strays += px != qRgb(255, 255, 255) && px != qRgb(128, 128, 128) && px != curve;
        }
    }
    EXPECT_EQ(strays, 0);
    // And under the new frame, between its ends, the time labels are written.
    int labels = 0;
    for (int y = g.FrameBottom + 1; y < g.ReadoutY; ++y)
        for (int x = g.FrameLeft + g.LabelExtent.W; x < g.FrameRight - g.LabelExtent.W; ++x)
            labels += picture.pixel(x, y) != qRgb(255, 255, 255);
    EXPECT_GT(labels, 0);
}

}  // namespace
