// The file and processing side of a spectrum: every processing command on a
// 3601-point curve (4000 -> 400 cm-1 at 1 cm-1), JCAMP-DX export and import
// of a 2601-point curve, and opening and saving a spectrum file that holds
// all 20 curves. Each is what one menu command costs the window thread.
// Goals: processing 0.5 ms, JCAMP-DX 5 ms, spectrum files 10 ms each.

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <cmath>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

#include "acquisition/ApparaZQ735.h"
#include "acquisition/MessageSink.h"
#include "formats/Jcamp.h"
#include "formats/Spectrum.h"
#include "plot/SpGraph735.h"
#include "spectra/PeakSearch.h"
#include "spectra/Processing.h"
#include "spectra/SpCurveZQ735.h"
#include "surface/SpImage.h"

namespace {

// A transmittance spectrum with bands and a little noise.
std::vector<float> Spectrum(int n, int seed = 0)
{
    std::vector<float> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double t = i;
        double y = 90.0 + 2.0 * std::sin(t * 7.7 + seed);
        for (int b = 1; b <= 12; ++b) {
            const double d = (t - b * n / 13.0) / (4.0 + b);
            y -= 50.0 / (1.0 + d * d);
        }
        v[static_cast<size_t>(i)] = static_cast<float>(y);
    }
    return v;
}

constexpr int kProcessingPoints = 3601;

template <class F>
void RunOnCopy(benchmark::State& state, F op)
{
    const std::vector<float> original = Spectrum(kProcessingPoints);
    std::vector<float> v;
    for (auto _ : state) {
        state.PauseTiming();
        v = original;
        state.ResumeTiming();
        op(v);
        benchmark::DoNotOptimize(v.data());
    }
}

void BM_ConvertTA(benchmark::State& state)
{
    RunOnCopy(state, [](std::vector<float>& v) { TransmittanceToAbsorbance(v.data(), kProcessingPoints); });
}
void BM_Smooth(benchmark::State& state)
{
    RunOnCopy(state, [](std::vector<float>& v) { SmoothValues(v.data(), kProcessingPoints); });
}
// The fourth derivative is the first derivative applied four times.
void BM_Derivative4(benchmark::State& state)
{
    RunOnCopy(state, [](std::vector<float>& v) {
        for (int k = 0; k < 4; ++k)
            DifferentiateValues(v.data(), kProcessingPoints);
    });
}
void BM_PeakSearch(benchmark::State& state)
{
    RunOnCopy(state, [](std::vector<float>& v) {
        TExtremaFound f = SearchExtrema(v.data(), 0, kProcessingPoints - 1, 1.0f, 200, 200);
        benchmark::DoNotOptimize(f.Peaks.data());
    });
}
void BM_ArithmeticCurves(benchmark::State& state)
{
    const std::vector<float> b = Spectrum(kProcessingPoints, 3);
    RunOnCopy(state, [&b](std::vector<float>& v) {
        CombineWithValues(v.data(), kProcessingPoints, b.data(), kProcessingPoints, ArithDiv);
    });
}
void BM_ArithmeticConstant(benchmark::State& state)
{
    RunOnCopy(state, [](std::vector<float>& v) { CombineWithConstant(v.data(), kProcessingPoints, ArithMul, 1.5f); });
}
BENCHMARK(BM_ConvertTA)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Smooth)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Derivative4)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PeakSearch)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ArithmeticCurves)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ArithmeticConstant)->Unit(benchmark::kMicrosecond);

TSpectrum JcampSpectrum()
{
    TSpectrum s;
    s.Title = "bench";
    s.Params.ScanMode = 0;
    TSpectrumPart part;
    part.FirstX = 4000.0;
    part.LastX = 400.0;
    for (float y : Spectrum(2601))
        part.Y.push_back(y);
    s.Parts.push_back(std::move(part));
    return s;
}

void BM_JcampExport(benchmark::State& state)
{
    const TSpectrum s = JcampSpectrum();
    for (auto _ : state) {
        std::string text = WriteJcamp(s);
        benchmark::DoNotOptimize(text.data());
    }
}
void BM_JcampImport(benchmark::State& state)
{
    const std::string text = WriteJcamp(JcampSpectrum());
    for (auto _ : state) {
        TSpectrum out;
        std::string error;
        if (!ReadJcamp(text, out, error)) {
            state.SkipWithError(error.c_str());
            break;
        }
        benchmark::DoNotOptimize(out.Parts.data());
    }
}
BENCHMARK(BM_JcampExport)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_JcampImport)->Unit(benchmark::kMicrosecond);

class TQuietSink : public TMessageSink {
public:
    void Post(unsigned, intptr_t, intptr_t) override {}
    void ShowError(const std::string& text) override { throw std::runtime_error(text); }
};

// The window's model and graph without an instrument, with 20 full curves.
struct TFileScene {
    TFileScene()
    {
        Dir = std::filesystem::temp_directory_path() / ("zq735-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(Dir);
        Canvas.fill(Qt::white);
        Surface = std::make_unique<TSpImage>(nullptr, &Canvas, 0, 0, Canvas.width(), Canvas.height());
        Graph = std::make_unique<TSpGraph735>(nullptr, Surface.get());
        Graph->SetStartRanges();
        Model = std::make_unique<TApparaZQ735>(Sink, *Graph, Dir.string());
        for (int k = 0; k < 20; ++k) {
            const int slot = Graph->NewCurve();
            TSpCurveZQ735* c = Graph->CurveAt(slot);
            const TPointCounts n = Model->PointsBetween(4000.0f, 400.0f);
            c->SetScanRange(4000.0f, 400.0f, 0.0f, 100.0f, 2000.0f, n.Upper, n.Lower);
            std::vector<float> v = Spectrum(c->GetInfo().Capacity, k);
            c->AppendData(v.data(), static_cast<int32_t>(v.size()));
        }
        File = (Dir / "twenty.ir").string();
    }
    ~TFileScene()
    {
        Model.reset();
        Graph.reset();
        std::filesystem::remove_all(Dir);
    }
    std::filesystem::path Dir;
    TQuietSink Sink;
    QImage Canvas{1600, 900, QImage::Format_RGB32};
    std::unique_ptr<TSpImage> Surface;
    std::unique_ptr<TSpGraph735> Graph;
    std::unique_ptr<TApparaZQ735> Model;
    std::string File;
};

void BM_SpectrumFileSave(benchmark::State& state)
{
    TFileScene scene;
    TScanDateTime date{2026, 12, 10, 12, 0, 0};
    for (auto _ : state) {
        if (scene.Model->SaveSpectrumFile(scene.File, date) != 0) {
            state.SkipWithError("save failed");
            break;
        }
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(scene.File));
}
void BM_SpectrumFileOpen(benchmark::State& state)
{
    TFileScene scene;
    TScanDateTime date{2026, 12, 10, 12, 0, 0};
    if (scene.Model->SaveSpectrumFile(scene.File, date) != 0)
        throw std::runtime_error("save failed");
    for (auto _ : state) {
        TScanDateTime read;
        if (scene.Model->OpenSpectrumFile(scene.File, read) != 0) {
            state.SkipWithError("open failed");
            break;
        }
    }
}
BENCHMARK(BM_SpectrumFileSave)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpectrumFileOpen)->Unit(benchmark::kMillisecond);

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
