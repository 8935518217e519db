// zq735-cli peaks: the peak and valley lists of a spectrum file, found by
// the very search of "峰值检索" (the curve's FindPeaks over its visible range,
// at most 200 of each), with each band's full width at half height and area.

#include <QBuffer>
#include <QByteArray>
#include <QString>
#include <cstdio>
#include <string>
#include <vector>

#include "acquisition/MeasureParams.h"
#include "app/CliCommand.h"
#include "app/CliSpectrumFile.h"
#include "fileio/AtomicFile.h"
#include "spectra/PeakSearch.h"
#include "ui/RangeCheck.h"

namespace {

constexpr int32_t kCapacity = 200;

int Usage()
{
    std::fprintf(stderr,
                 "zq735-cli: usage: peaks FILE.ir [--curve N] --height H [--from X --to X] [--csv] [--png FILE]\n");
    return cli::ExitUsage;
}

void PrintList(const char* kind, const std::vector<float>& x, const std::vector<float>& y,
               const std::vector<TBandMetrics>& bands, int32_t n, bool csv)
{
    const std::string fwhmHead = std::string("fwhm/") + kBandFwhmUnit;
    const std::string areaHead = std::string("area/") + kBandAreaUnit;
    if (!csv)
        std::printf("%s: %d\n%4s %12s %10s %10s %16s\n", kind, n, "no", "x", "value", fwhmHead.c_str(),
                    areaHead.c_str());
    for (int32_t i = 0; i < n; ++i) {
        const auto k = static_cast<size_t>(i);
        const TBandMetrics b = k < bands.size() ? bands[k] : TBandMetrics{};
        if (csv) {
            std::printf("%s,%d,%s,%s,%s,%s\n", kind, i + 1, PeakAbscissaText(x[k]).c_str(),
                        PeakValueText(y[k]).c_str(), BandFwhmText(b).c_str(), BandAreaText(b).c_str());
        } else {
            // A %T maximum is no band: a dash where it has no width and area.
            const std::string fwhm = b.Measured ? BandFwhmText(b) : "-";
            const std::string area = b.Measured ? BandAreaText(b) : "-";
            std::printf("%4d %12s %10s %10s %16s\n", i + 1, PeakAbscissaText(x[k]).c_str(),
                        PeakValueText(y[k]).c_str(), fwhm.c_str(), area.c_str());
        }
    }
}

int RunPeaks(const std::vector<std::string>& args)
{
    std::string path, png;
    int curve = 1;
    double height = 0.0, from = 0.0, to = 0.0;
    bool haveHeight = false, haveFrom = false, haveTo = false, csv = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool more = i + 1 < args.size();
        if (a == "--curve" && more && cli::ParseInt(args[i + 1], 1, 20, curve)) {
            ++i;
        } else if (a == "--height" && more && cli::ParseNumber(args[i + 1], height)) {
            haveHeight = true;
            ++i;
        } else if (a == "--from" && more && cli::ParseNumber(args[i + 1], from)) {
            haveFrom = true;
            ++i;
        } else if (a == "--to" && more && cli::ParseNumber(args[i + 1], to)) {
            haveTo = true;
            ++i;
        } else if (a == "--png" && more) {
            png = args[++i];
        } else if (a == "--csv") {
            csv = true;
        } else if (path.empty() && a.rfind("--", 0) != 0) {
            path = a;
        } else {
            return Usage();
        }
    }
    if (path.empty() || !haveHeight || haveFrom != haveTo)
        return Usage();

    cli::TSpectrumFile file;
    if (const int r = file.Open(path); r != cli::ExitOk)
        return r;
    int slot = -1;
    TSpCurveZQ735* c = file.Curve(curve, &slot);
    if (c == nullptr) {
        std::fprintf(stderr, "zq735-cli: %s has no curve %d\n", path.c_str(), curve);
        return cli::ExitUsage;
    }
    file.Graph().SetCurrent(slot);
    const TMeasureParams params = file.Model().CurrentParams();
    if (haveFrom) {
        // The range panel's checks and its way of applying a view.
        const auto xs = static_cast<float>(from), xe = static_cast<float>(to);
        const QString message = ApplyRangesMessage(params, xs, xe, params.YStart, params.YEnd);
        if (!message.isEmpty()) {
            std::fprintf(stderr, "zq735-cli: 输入的坐标范围不正确\n%s\n", message.trimmed().toStdString().c_str());
            return cli::ExitUsage;
        }
        file.Model().SetRanges(xs, xe, params.YStart, params.YEnd);
    }

    std::vector<float> px(kCapacity), py(kCapacity), vx(kCapacity), vy(kCapacity);
    int32_t np = 0, nv = 0;
    c->FindPeaks(static_cast<float>(height), 0, px.data(), py.data(), vx.data(), vy.data(), kCapacity, kCapacity,
                 np, nv);
    const TMeasureParams* own = file.Model().ParamsOfSlot(slot);
    std::vector<TBandMetrics> peakBands, valleyBands;
    c->BandMetricsOf(
        own != nullptr ? AbsorptionBandsOf(own->Mode, own->ScanMode == 2) : TAbsorptionBands::None, peakBands,
        valleyBands);
    if (np == 0 && nv == 0)
        std::fprintf(stderr, "没有检索到峰值\n");
    if (!png.empty()) {
        // The plot as the window shows it: frame, curves and their marks.
        file.Graph().CurveChanged();
        // Encoded in memory and written in one step: a full disk leaves the
        // PNG before, not half a picture.
        QByteArray bytes;
        QBuffer buffer(&bytes);
        if (!buffer.open(QIODevice::WriteOnly) || !file.Picture().copy().save(&buffer, "PNG") ||
            WriteFileAtomic(png, bytes.constData(), static_cast<size_t>(bytes.size())) != 0) {
            std::fprintf(stderr, "zq735-cli: 无法存储文件 %s\n", png.c_str());
            return cli::ExitUsage;
        }
    }
    if (csv)
        std::printf("kind,no,x,value,fwhm (%s),area (%s)\n", kBandFwhmUnit, kBandAreaUnit);
    PrintList("peak", px, py, peakBands, np, csv);
    PrintList("valley", vx, vy, valleyBands, nv, csv);
    return cli::ExitOk;
}

const bool Registered = cli::Register(
    {"peaks",
     "  peaks FILE.ir [--curve N] --height H [--from X --to X] [--csv] [--png FILE]\n"
     "                          peaks and valleys of curve N (1: the first) standing out by at least H,\n"
     "                          in the view of the file or from X to X; the absorption bands (valleys\n"
     "                          of %T, peaks of Abs) with width at half height (cm-1) and area (Abs·cm-1),\n"
     "                          each between its own turning points whatever the range;\n"
     "                          --png saves the plot with the marks\n",
     &RunPeaks});

}  // namespace
