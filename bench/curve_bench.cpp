// Cost of drawing a spectrum while it is scanned: every measured point is
// appended and drawn at once (DrawNew), without repainting the spectrum. The
// goal is well under 50 us per point on a 2601-point wavenumber curve.

#include "surface/SpImage.h"
#include "spectra/CurveInfo.h"
#include "spectra/SpCurveOwner.h"
#include "spectra/SpCurveZQ735.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

class TBenchOwner : public TSpCurveOwner {
public:
    void CurveChanged() override {}
    int AttachCurve(TSpCurveZQ735*) override { return 0; }
    void CursorChanged(TSpCurveZQ735*, int, float, float) override {}
};

// The main window's plot picture and a 4000 -> 400 cm-1 curve on it, with
// the graph's geometry for a picture of that size.
struct TScene {
    TScene() : Picture(1200, 700, QImage::Format_RGB32)
    {
        Picture.fill(Qt::white);
        Surface = std::make_unique<TSpImage>(nullptr, &Picture, 0, 0, 1200, 700);
        Owner.Image = Surface.get();
        TCurveInfo info = ZeroCurveInfo();
        std::strcpy(info.Name, "bench");
        info.XViewFrom = info.XDataFrom = 4000.0f;
        info.XViewTo = info.XDataTo = 400.0f;
        info.YViewTo = info.YDataTo = 100.0f;
        info.Color = 0x00FF0000u;
        info.PlotLeft = info.FrameLeft = 60;
        info.PlotRight = info.FrameRight = 1170;
        info.FrameTop = 16;
        info.PlotTop = 32;
        info.FrameBottom = 620;
        info.PlotBottom = 604;
        info.SplitPixel = 60 + 1110 * 1000 / 2600;
        info.SplitX = 2000.0f;
        info.Seg1Count = 1001;
        info.Seg2Count = 1601;
        info.Capacity = 2601;
        Curve = std::make_unique<TSpCurveZQ735>(&Owner, info);
        Curve->SetLimits(-4.0e7f, 4.0e7f, -4095.0f, 4095.0f, info.SplitPixel);
        Curve->SetView(4000.0f, 400.0f, 0.0f, 100.0f, info.SplitPixel);
        Values.resize(2601);
        for (std::size_t i = 0; i < Values.size(); ++i)
            Values[i] = 50.0f + 40.0f * std::sin(static_cast<float>(i) * 0.013f);
    }

    QImage Picture;
    std::unique_ptr<TSpImage> Surface;
    TBenchOwner Owner;
    std::unique_ptr<TSpCurveZQ735> Curve;
    std::vector<float> Values;
};

// One scan point: the worker's append, then the window's incremental draw.
// The curve runs through all 2601 points and starts again, as the append
// rule makes a full curve do.
void BM_DrawNewOnePoint(benchmark::State& state)
{
    TScene scene;
    std::size_t i = 0;
    for (auto _ : state) {
        scene.Curve->AppendData(&scene.Values[i], 1);
        scene.Curve->DrawNew();
        i = (i + 1) % scene.Values.size();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DrawNewOnePoint);

// For comparison: the full repaint of the complete curve that DrawNew avoids.
void BM_PaintFullCurve(benchmark::State& state)
{
    TScene scene;
    scene.Curve->AppendData(scene.Values.data(), 2601);
    for (auto _ : state)
        scene.Curve->Paint();
}
BENCHMARK(BM_PaintFullCurve)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
