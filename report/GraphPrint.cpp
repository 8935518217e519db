#include "report/GraphPrint.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>
#include <vector>

#include "plot/SpGraph735.h"
#include "spectra/SpCurveZQ735.h"
#include "surface/SpImage.h"

namespace {

// A copy of `c` owned by `owner`, with what its drawing reads besides the
// values: the descriptor (colour, names, segments) and the marks.
std::unique_ptr<TSpCurveZQ735> CopyCurve(TSpCurveZQ735& c, TSpGraph735& owner)
{
    TCurveInfo info;
    std::vector<float> values;
    bool showPeaks, showValleys;
    uint8_t labelMode;
    std::vector<int32_t> peaks, valleys;
    {
        std::lock_guard<TSpMutex> lock(c.Mutex);
        info = c.Info;
        values.assign(c.Values.begin(), c.Values.begin() + std::clamp<int32_t>(info.PointCount, 0,
                                                                                  static_cast<int32_t>(c.Values.size())));
        info.PointCount = static_cast<int32_t>(values.size());
        showPeaks = c.ShowPeakMarks;
        showValleys = c.ShowValleyMarks;
        labelMode = c.PeakLabelMode;
        peaks = c.PeakList;
        valleys = c.ValleyList;
    }
    // The segments take their frame from the descriptor when they are made
    // and keep it: it must be the print graph's, not the screen's.
    info.FrameLeft = owner.FrameLeft;
    info.FrameRight = owner.FrameRight;
    info.FrameTop = owner.FrameTop;
    info.FrameBottom = owner.FrameBottom;
    info.PlotLeft = owner.PlotLeft;
    info.PlotRight = owner.PlotRight;
    info.PlotTop = owner.PlotTop;
    info.PlotBottom = owner.PlotBottom;
    info.SplitPixel = owner.SplitPixel();
    auto copy = std::make_unique<TSpCurveZQ735>(&owner, info, values.empty() ? nullptr : values.data());
    copy->ShowPeakMarks = showPeaks;
    copy->ShowValleyMarks = showValleys;
    copy->PeakLabelMode = labelMode;
    copy->PeakList = std::move(peaks);
    copy->ValleyList = std::move(valleys);
    return copy;
}

QFont PrintFont(double dpi)
{
    QFont f = SpDefaultFont();
    f.setPixelSize(std::max(1, static_cast<int>(std::lround(12.0 * dpi / 96.0))));
    return f;
}

}  // namespace

void DrawGraphForPrint(TSpGraph735& screen, QPainter& painter, const QRect& target, double dpi)
{
    if (target.width() <= 0 || target.height() <= 0)
        return;
    const QFont font = PrintFont(dpi);

    // Set up unseen: the graph draws on every construction and range change,
    // and none of those intermediate pictures may reach the page.
    QImage scratch(1, 1, QImage::Format_RGB32);
    QPainter scratchPainter(&scratch);
    TSpImage surface(screen.OwnerHandle, &scratchPainter, 0, 0, target.width(), target.height());
    surface.GetCanvas()->setFont(font);

    TSpGraph735 graph(screen.OwnerHandle, &surface);
    graph.BackColor = screen.BackColor;
    graph.FrameColor = screen.FrameColor;
    graph.GridColor = screen.GridColor;
    graph.TextColor = screen.TextColor;
    graph.SetCurveColors(screen.SlotColors.data(), screen.MaxCurves);
    graph.SetShowGrid(screen.ShowGrid);
    graph.SetWavelengthMode(screen.WavelengthMode);
    graph.SetAxisLimits(screen.XLimitMin, screen.XLimitMax, screen.YLimitMin, screen.YLimitMax, screen.SplitX);
    graph.SetViewRange(screen.XViewFrom, screen.XViewTo, screen.YViewFrom, screen.YViewTo, screen.SplitX,
                       screen.Seg1Count, screen.Seg2Count);
    int current = -1;
    for (int slot = 0; slot < TSpGraph735::SlotCount; ++slot) {
        TSpCurveZQ735* c = screen.CurveAt(slot);
        if (c == nullptr)
            continue;
        std::unique_ptr<TSpCurveZQ735> copy = CopyCurve(*c, graph);
        const int s = graph.AddCurve(copy.get());
        if (s < 0)
            continue;
        copy.release();
        if (slot == screen.CurrentIndex())
            current = s;
    }
    graph.SetCurrent(current);

    painter.save();
    painter.translate(target.topLeft());
    painter.setClipRect(QRect(QPoint(0, 0), target.size()), Qt::IntersectClip);
    surface.SetCanvas(&painter);
    painter.setFont(font);
    graph.CurveChanged();
    // The graph and its curves go with the scratch painter, never the page's.
    surface.SetCanvas(&scratchPainter);
    painter.restore();
}
