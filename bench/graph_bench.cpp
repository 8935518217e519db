// Full repaint of the spectrum graph: frame, labels, grid and 20 full
// wavenumber curves (4000 -> 400 cm-1, 2601 points each) on a 1600 x 900
// picture. This is what every processing command and every zoom costs the
// window thread. Goal: median under 3 ms.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <cmath>
#include <vector>

#include "plot/SpGraph735.h"
#include "surface/SpImage.h"
#include "spectra/SpCurveZQ735.h"

namespace {

void FillCurves(TSpGraph735& graph, int curves)
{
    std::vector<float> values(2601);
    for (int k = 0; k < curves; ++k) {
        const int slot = graph.NewCurve();
        TSpCurveZQ735* c = graph.CurveAt(slot);
        for (size_t i = 0; i < values.size(); ++i) {
            const double t = static_cast<double>(i);
            // Bands and a little noise, so that neighbouring points land on
            // different rows as in a measured spectrum.
            values[i] = static_cast<float>(50.0 + 30.0 * std::sin(t * 0.013 + k) + 10.0 * std::sin(t * 0.21) +
                                           2.0 * std::sin(t * 7.7 + k * 3.0));
        }
        c->AppendData(values.data(), static_cast<int32_t>(values.size()));
    }
}

void BM_GraphFullRepaint(benchmark::State& state)
{
    QImage picture(1600, 900, QImage::Format_RGB32);
    picture.fill(Qt::white);
    TSpImage surface(nullptr, &picture, 0, 0, 1600, 900);
    TSpGraph735 graph(nullptr, &surface);
    graph.SetAxisLimits(-4.0e7f, 4.0e7f, -4095.0f, 4095.0f, 2000.0f);
    graph.SetViewRange(4000.0f, 400.0f, 0.0f, 100.0f, 2000.0f, 1001, 1601);
    FillCurves(graph, static_cast<int>(state.range(0)));
    for (auto _ : state) {
        graph.CurveChanged();
        benchmark::DoNotOptimize(picture.constBits());
    }
    state.counters["curves"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_GraphFullRepaint)->Arg(0)->Arg(20)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
