// zq735-cli report: the print window's page of a spectrum file's curve, as a
// PDF, through the same report library the window prints with.

#include "acquisition/ApparaZQ735.h"
#include "acquisition/MessageSink.h"
#include "app/CliCommand.h"
#include "plot/SpGraph735.h"
#include "report/SpectrumReport.h"
#include "spectra/DataTable.h"
#include "spectra/SpCurveZQ735.h"
#include "surface/SpImage.h"
#include "ui/SysConfig.h"

#include <QImage>
#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

// No window: messages are dropped, errors go to standard error.
class TQuietSink : public TMessageSink {
public:
    void Post(unsigned, intptr_t, intptr_t) override {}
    void ShowError(const std::string& text) override { std::fprintf(stderr, "zq735-cli: %s\n", text.c_str()); }
};

struct TReportArgs {
    std::string File;
    std::string Out;
    int Curve = 0;  // 1-based; 0: the file's current curve
    bool Landscape = false;
    bool Peaks = false, Valleys = false, Data = false, Bands = false;
    double PeakHeight = 0.0, ValleyHeight = 0.0;
    int Interval = 0;
    TReportBlocks Blocks;
};

bool ParseArgs(const std::vector<std::string>& args, TReportArgs& a)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& w = args[i];
        const bool hasValue = i + 1 < args.size();
        if (w == "--landscape") {
            a.Landscape = true;
        } else if (w == "--no-title") {
            a.Blocks.Title = false;
        } else if (w == "--no-params") {
            a.Blocks.Params = false;
        } else if (w == "--bands") {
            a.Bands = true;
        } else if (w == "--no-maker") {
            a.Blocks.Maker = false;
        } else if (w == "--curve" && hasValue &&
                   cli::ParseInt(args[i + 1], 1, TSpGraph735::SlotCount, a.Curve)) {
            ++i;
        } else if (w == "--peaks" && hasValue && cli::ParseNumber(args[i + 1], a.PeakHeight)) {
            a.Peaks = true;
            ++i;
        } else if (w == "--valleys" && hasValue && cli::ParseNumber(args[i + 1], a.ValleyHeight)) {
            a.Valleys = true;
            ++i;
        } else if (w == "--data" && hasValue && cli::ParseInt(args[i + 1], 0, 1000000, a.Interval)) {
            a.Data = true;
            ++i;
        } else if (w == "-o" && hasValue && a.Out.empty()) {
            a.Out = args[++i];
        } else if (w.rfind("-", 0) != 0 && a.File.empty()) {
            a.File = w;
        } else {
            std::fprintf(stderr, "zq735-cli: report: bad argument '%s'\n", w.c_str());
            return false;
        }
    }
    if (a.Peaks && a.Valleys) {
        // A page marks and lists one search of its curve: two thresholds
        // would mark at one and list at the other.
        std::fprintf(stderr,
                     "zq735-cli: report: give --peaks H (peaks and valleys) or --valleys H (valleys "
                     "alone), not both\n");
        return false;
    }
    if (a.File.empty() || a.Out.empty()) {
        std::fprintf(stderr, "zq735-cli: usage: report FILE.ir [options] -o OUT.pdf\n");
        return false;
    }
    return true;
}

// One search of the peak table window, with its capacities: its lists and
// the marks on the plot. `valleysOnly` leaves the peaks off both.
void FindLists(TSpCurveZQ735& curve, double height, bool valleysOnly, TAbsorptionBands bands,
               TReportLists& lists)
{
    std::array<float, 200> px{}, py{}, vx{}, vy{};
    int32_t np = 0, nv = 0;
    curve.FindPeaks(static_cast<float>(height), 0, px.data(), py.data(), vx.data(), vy.data(), 200, 200, np, nv);
    std::vector<TBandMetrics> peakBands, valleyBands;
    curve.BandMetricsOf(bands, peakBands, valleyBands);
    const bool with = bands != TAbsorptionBands::None;
    if (valleysOnly) {
        // The search switched both kinds of marks on.
        if (np > 0 || nv > 0)
            curve.SetPeakMarks(false, true);
    } else {
        lists.Peaks = PeakReportRows(px.data(), py.data(), np, false, with ? peakBands.data() : nullptr);
    }
    lists.Valleys = PeakReportRows(vx.data(), vy.data(), nv, true, with ? valleyBands.data() : nullptr);
    lists.PeakCurve = &curve;
}

int RunReport(const std::vector<std::string>& args)
{
    TReportArgs a;
    if (!ParseArgs(args, a))
        return cli::ExitUsage;

    // The main window's plot picture and object graph, without the window.
    QImage canvas(1000, 600, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    TSpImage surface(nullptr, &canvas, 0, 0, canvas.width(), canvas.height());
    TSpGraph735 graph(nullptr, &surface);
    graph.SetStartRanges();
    TQuietSink sink;
    TApparaZQ735 model(sink, graph, DataFolder().toStdString());

    TScanDateTime date;
    const int r = model.OpenSpectrumFile(a.File, date);
    if (r == -1) {
        std::fprintf(stderr, "zq735-cli: 无法打开文件 %s\n", a.File.c_str());
        return cli::ExitUsage;
    }
    if (r < 0) {
        std::fprintf(stderr, "zq735-cli: 不是光谱文件 %s\n", a.File.c_str());
        return cli::ExitUsage;
    }
    if (a.Curve > 0 && graph.CurveAt(a.Curve - 1) == nullptr) {
        std::fprintf(stderr, "zq735-cli: report: the file has no curve %d\n", a.Curve);
        return cli::ExitUsage;
    }
    if (a.Curve > 0)
        graph.SetCurrent(a.Curve - 1);
    TSpCurveZQ735* curve = graph.CurrentCurve();
    if (!CanPrintReport(&graph) || curve == nullptr) {
        std::fprintf(stderr, "zq735-cli: report: the file holds no curve\n");
        return cli::ExitRefused;
    }

    TReportBlocks blocks = a.Blocks;
    TReportLists lists;
    // --peaks is "峰值检索" with both of its lists ticked for printing (in a
    // %T spectrum the bands are the valleys); --valleys is the same search
    // with only the valleys marked and listed.
    if (a.Peaks || a.Valleys) {
        const TMeasureParams* own = model.ParamsOfSlot(graph.CurrentIndex());
        const TAbsorptionBands bands = a.Bands && own != nullptr
                                           ? AbsorptionBandsOf(own->Mode, own->ScanMode == 2)
                                           : TAbsorptionBands::None;
        FindLists(*curve, a.Peaks ? a.PeakHeight : a.ValleyHeight, a.Valleys, bands, lists);
        blocks.Peaks = a.Peaks;
        blocks.Valleys = true;
    }
    if (a.Data) {
        const TMeasureParams& first = *model.ParamsOfSlot(0);
        const TDataTableColumns columns = DataTableColumns(*curve, first.ScanMode == 2, first.XStart, first.XEnd,
                                                           static_cast<int32_t>(first.ScanTime));
        lists.Data = DataReportRows(columns.X, columns.Y, columns.TimeDrive);
        lists.DataInterval = a.Interval;
        blocks.Data = true;
    }
    if (a.Landscape) {
        // Lists are not printed in landscape.
        blocks.Peaks = blocks.Valleys = blocks.Data = false;
    }

    // The print window as it opens: nominal paper, sizes derived from it.
    TReportSizes sizes;
    TReportSizeTexts texts;
    SetReportOrientation(sizes, a.Landscape);
    DeriveLayout(texts, sizes);

    const TReportSource source{&graph, model.ParamsOfSlot(graph.CurrentIndex()), &date};
    std::string error;
    if (!PrintSpectrumReportToPdf(QString::fromStdString(a.Out), source, blocks, lists, sizes, texts, &error)) {
        std::fprintf(stderr, "zq735-cli: report: %s %s\n", error.c_str(), a.Out.c_str());
        return cli::ExitUsage;
    }
    std::printf("printed curve %d to %s\n", graph.CurrentIndex() + 1, a.Out.c_str());
    return cli::ExitOk;
}

const bool Registered = cli::Register(
    {"report",
     "  report FILE.ir [--curve N] [--landscape] [--peaks H] [--valleys H] [--bands] [--data K]\n"
     "         [--no-title] [--no-params] [--no-maker] -o OUT.pdf\n"
     "                          the print window's page of the current (or Nth) curve as a PDF:\n"
     "                          --peaks marks and lists the peaks and valleys, --valleys the valleys\n"
     "                          alone, of at least height H (one of the two), --bands with the\n"
     "                          absorption bands' width at half height (cm-1) and area (Abs·cm-1),\n"
     "                          --data the data table with every (K+1)th point (portrait only)\n",
     &RunReport});

}  // namespace
