#include "spectra/SpCurveBase.h"

#include "surface/SpImage.h"
#include "spectra/CurveSplit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr double Eps = 1e-7;

// GBK bytes of the default texts; they are never drawn, only carried.
constexpr char DefaultName[] = "\xCE\xB4\xC3\xFC\xC3\xFB";    // 未命名
constexpr char DefaultXTitle[] = "\xBA\xE1\xD7\xF8\xB1\xEA";  // 横坐标
constexpr char DefaultYTitle[] = "\xD7\xDD\xD7\xF8\xB1\xEA";  // 纵坐标

// Truncation toward zero that cannot overflow: far-off abscissas and
// ordinates (limits reach 4.0e7, values can be anything a file holds) are
// saturated well outside any plot before the conversion. NaN gives 0.
int64_t TruncSat(double v)
{
    constexpr double Big = 1.0e12;
    if (std::isnan(v))
        return 0;
    return static_cast<int64_t>(ClampTo(v, -Big, Big));
}

int32_t ToI32(int64_t v)
{
    return static_cast<int32_t>(ClampTo<int64_t>(v, INT32_MIN, INT32_MAX));
}

void CopyText(char (&dst)[20], const char (&src)[20])
{
    std::memcpy(dst, src, sizeof dst - 1);
    dst[sizeof dst - 1] = '\0';
}

template <std::size_t N>
void SetText(char (&dst)[20], const char (&src)[N])
{
    static_assert(N <= 20);
    std::memset(dst, 0, sizeof dst);
    std::memcpy(dst, src, N);
}

// Clamp into [a, b] whichever way round they are given.
double ClampSpan(double v, double a, double b)
{
    return ClampTo(v, std::min(a, b), std::max(a, b));
}

} // namespace

TSpCurveBase::TSpCurveBase(TSpImage* image, const TCurveInfo& info, float* data)
    : Image(image)
{
    SetText(Name, DefaultName);
    SetText(XTitle, DefaultXTitle);
    SetText(YTitle, DefaultYTitle);
    SetText(XUnit, "cm-1");
    SetText(YUnit, "T");
    SetFrameRect(info.FrameLeft, info.FrameRight, info.FrameTop, info.FrameBottom);
    SetPlotRect(info.PlotLeft, info.PlotRight, info.PlotTop, info.PlotBottom);
    SetGraphFrame(FrameLeft, FrameRight);
    Assign(info, data);
}

void TSpCurveBase::Assign(const TCurveInfo& info, float* data)
{
    CopyText(Name, info.Name);
    CopyText(XTitle, info.XTitle);
    CopyText(YTitle, info.YTitle);
    Color = info.Color;
    SetLimits(info.XLimitMin, info.XLimitMax, info.YLimitMin, info.YLimitMax);
    SetViewRange(info.XViewFrom, info.XViewTo, info.YViewFrom, info.YViewTo);
    SetDataRange(info.XDataFrom, info.XDataTo, info.YDataFrom, info.YDataTo);
    Reserved1 = info.Reserved1;
    Reserved2 = info.Reserved2;

    const int32_t capacity = std::max(info.Capacity, 0);
    const int32_t count = std::max(info.PointCount, 0);
    if (data != nullptr && count == 0) {
        FOwned.clear();
        FOwned.shrink_to_fit();
        Data = data;
        OwnsData = false;
    } else {
        // An owned buffer grows only; a smaller capacity keeps it.
        if (FOwned.size() < static_cast<std::size_t>(capacity))
            FOwned.resize(static_cast<std::size_t>(capacity), 0.0f);
        Data = FOwned.data();
        OwnsData = true;
        // Values handed in with a count are kept rather than left as
        // whatever the buffer held.
        if (data != nullptr)
            std::copy_n(data, std::min(count, capacity), FOwned.begin());
    }
    Capacity = capacity;
    Count = std::min(count, Capacity);
    if (DrawnCount > Count)
        DrawnCount = 0;
}

void TSpCurveBase::Reconfigure(const TCurveInfo& info, float* data)
{
    SetFrameRect(info.FrameLeft, info.FrameRight, info.FrameTop, info.FrameBottom);
    SetPlotRect(info.PlotLeft, info.PlotRight, info.PlotTop, info.PlotBottom);
    Assign(info, data);
    Draw();
}

void TSpCurveBase::SetPlotRect(int32_t left, int32_t right, int32_t top, int32_t bottom)
{
    PlotLeft = std::min(left, right);
    PlotRight = std::max(left, right);
    PlotTop = std::min(top, bottom);
    PlotBottom = std::max(top, bottom);
}

void TSpCurveBase::SetFrameRect(int32_t left, int32_t right, int32_t top, int32_t bottom)
{
    FrameLeft = std::min(left, right);
    FrameRight = std::max(left, right);
    FrameTop = std::min(top, bottom);
    FrameBottom = std::max(top, bottom);
}

void TSpCurveBase::SetLimits(float xMin, float xMax, float yMin, float yMax)
{
    XLimitMin = std::min(xMin, xMax);
    XLimitMax = std::max(xMin, xMax);
    YLimitMin = std::min(yMin, yMax);
    YLimitMax = std::max(yMin, yMax);
}

void TSpCurveBase::SetViewRange(float xFrom, float xTo, float yFrom, float yTo)
{
    XViewFrom = ClampTo(xFrom, XLimitMin, XLimitMax);
    XViewTo = ClampTo(xTo, XLimitMin, XLimitMax);
    YViewFrom = ClampTo(yFrom, YLimitMin, YLimitMax);
    YViewTo = ClampTo(yTo, YLimitMin, YLimitMax);
}

void TSpCurveBase::SetDataRange(float xFrom, float xTo, float yFrom, float yTo)
{
    XDataFrom = ClampTo(xFrom, XLimitMin, XLimitMax);
    XDataTo = ClampTo(xTo, XLimitMin, XLimitMax);
    YDataFrom = ClampTo(yFrom, YLimitMin, YLimitMax);
    YDataTo = ClampTo(yTo, YLimitMin, YLimitMax);
}

void TSpCurveBase::SetGraphFrame(int32_t left, int32_t right)
{
    GraphFrameLeft = std::min(left, right);
    GraphFrameRight = std::max(left, right);
}

void TSpCurveBase::Clear()
{
    Count = 0;
    DrawnCount = 0;
}

void TSpCurveBase::AppendPoints(const float* values, int32_t n)
{
    if (Capacity <= 0 || n <= 0 || values == nullptr)
        return;
    if (Count + static_cast<int64_t>(n) > Capacity) {
        // What does not fit starts the segment again from index 0.
        n = n + Count - Capacity;
        while (n > Capacity)
            n -= Capacity;
        Count = 0;
        DrawnCount = 0;
        OnRestart();
    }
    std::copy_n(values, n, Data + Count);
    Count += n;
}

// --- mappings ------------------------------------------------------------

float TSpCurveBase::PixelToX(int32_t px) const
{
    TSpTimeAxis td;
    return SpCurrentTimeAxis(td) ? PixelToX(px, &td) : PixelToX(px, nullptr);
}

float TSpCurveBase::IndexToX(int32_t i) const
{
    TSpTimeAxis td;
    return SpCurrentTimeAxis(td) ? IndexToX(i, &td) : IndexToX(i, nullptr);
}

int32_t TSpCurveBase::XToIndex(float x) const
{
    TSpTimeAxis td;
    return SpCurrentTimeAxis(td) ? XToIndex(x, &td) : XToIndex(x, nullptr);
}

int32_t TSpCurveBase::XToPixel(float x) const
{
    TSpTimeAxis td;
    return SpCurrentTimeAxis(td) ? XToPixel(x, &td) : XToPixel(x, nullptr);
}

float TSpCurveBase::PixelToX(int32_t px, const TSpTimeAxis* td) const
{
    if (td != nullptr) {
        const double ts = td->Start, te = td->End;
        const int32_t gl = GraphFrameLeft, gr = GraphFrameRight;
        // A graph frame of no width has no time scale either.
        if (te == ts || gr == gl)
            return td->Start;
        const double p = ClampTo(px, gl, gr);
        return static_cast<float>(ClampSpan(ts + (p - gl) * (te - ts) / (gr - gl), ts, te));
    }
    if (PlotRight == PlotLeft)
        return XViewFrom;
    const double p = ClampTo(px, PlotLeft, PlotRight);
    const double x = XViewFrom + (p - PlotLeft) * (double(XViewTo) - XViewFrom) / (PlotRight - PlotLeft);
    return static_cast<float>(ClampTo<double>(x, XLimitMin, XLimitMax));
}

float TSpCurveBase::PixelToY(int32_t py) const
{
    if (PlotBottom == PlotTop)
        return YViewFrom;
    const double p = ClampTo(py, PlotTop, PlotBottom);
    const double y = YViewFrom + (PlotBottom - p) * (double(YViewTo) - YViewFrom) / (PlotBottom - PlotTop);
    return static_cast<float>(ClampTo<double>(y, YLimitMin, YLimitMax));
}

float TSpCurveBase::IndexToX(int32_t i, const TSpTimeAxis* td) const
{
    if (Capacity <= 1)
        return XDataFrom;
    if (td != nullptr) {
        const double ts = td->Start, te = td->End;
        return static_cast<float>(ClampSpan(ts + (te - ts) * i / (Capacity - 1), ts, te));
    }
    const double x = XDataFrom + i * (double(XDataTo) - XDataFrom) / (Capacity - 1);
    return static_cast<float>(ClampTo<double>(x, XLimitMin, XLimitMax));
}

int32_t TSpCurveBase::XToIndex(float x, const TSpTimeAxis* td) const
{
    if (Count <= 0)
        return 0;
    int64_t i;
    if (td != nullptr) {
        const double ts = td->Start, te = td->End;
        if (std::fabs(te - ts) < Eps)
            return 0;
        i = TruncSat((x - ts) * td->Points / (te - ts));
    } else {
        const double span = double(XDataTo) - XDataFrom;
        if (std::fabs(span) < Eps)
            return 0;
        // Capacity, not Capacity - 1: the abscissa of value i then maps a
        // little past i, so rounding in the float abscissa never drops it
        // to i - 1; the last value is reached through the clamp.
        i = TruncSat(Capacity * (x - double(XDataFrom)) / span);
    }
    return static_cast<int32_t>(ClampTo<int64_t>(i, 0, Count - 1));
}

int32_t TSpCurveBase::XToPixel(float x, const TSpTimeAxis* td) const
{
    int32_t left = PlotLeft, right = PlotRight;
    double from = XViewFrom, to = XViewTo;
    if (td != nullptr) {
        left = GraphFrameLeft;
        right = GraphFrameRight;
        from = td->Start;
        to = td->End;
        if (std::fabs(to - from) < Eps || td->End == 0.0f)
            return left;
    } else if (std::fabs(to - from) < Eps || PlotRight == 0) {
        return PlotLeft;
    }
    const int64_t px = TruncSat(double(right - left) * (x - from) / (to - from) + left);
    if (px < left)
        return left;
    if (px > right)
        return right - 1;
    return static_cast<int32_t>(px);
}

// Rows of values outside the view sit just outside the plot (5 pixels above
// or below), so a line to them leaves the plot at the right edge without
// being drawn far over the labels.
//
// A value of magnitude 1e6 or more gets no computed row: it is put on the
// same outside row as any other value beyond that end of the view - above
// the plot when the value lies on the YViewTo side, below it otherwise (for
// the usual view running upwards: large positive values above, large
// negative ones below). Such values are never inside a sensible view, and
// leaving them out of the formula keeps rows far from integer overflow. A
// NaN, which belongs to no side, goes below the plot.
int32_t TSpCurveBase::YToPixel(float y) const
{
    const double from = YViewFrom, to = YViewTo;
    if (std::fabs(from - to) < Eps)
        return PlotTop;
    if (std::isnan(y))
        return PlotBottom + 5;
    if (std::fabs(y) >= HugeValue) {
        const bool towardTo = (y > 0) == (to > from);
        return towardTo ? PlotTop - 5 : PlotBottom + 5;
    }
    const int64_t py = TruncSat((to - y) * double(PlotBottom - PlotTop) / (to - from) + PlotTop);
    if (py < PlotTop)
        return PlotTop - 5;
    if (py > PlotBottom)
        return PlotBottom + 5;
    return static_cast<int32_t>(py);
}

// --- drawing -------------------------------------------------------------

void TSpCurveBase::BeginPen()
{
    Image->SetPenColor(Color);
    Image->SetPenStyle(0);
}

// Flattened: the row mapping and the surface's queueing of a line are then
// part of the loop over the points, with no call between two lines (a full
// repaint draws some 50 000 of them).
[[gnu::flatten]] void TSpCurveBase::Draw()
{
    if (Count <= 0 || Image == nullptr)
        return;
    TSpTimeAxis axis;
    const TSpTimeAxis* td = SpCurrentTimeAxis(axis) ? &axis : nullptr;
    const float lo = std::min(XViewFrom, XViewTo), hi = std::max(XViewFrom, XViewTo);
    BeginPen();

    if (td != nullptr) {
        // Time drive stretches what has been measured over the whole frame,
        // the newest value at its right end.
        const int32_t gl = GraphFrameLeft, gr = GraphFrameRight;
        for (int32_t i = 0; i < Count; ++i) {
            const int32_t row = YToPixel(Data[i]);
            if (i == 0) {
                Image->MoveTo(gl, row);
                PenX = gl;
            } else if (i == Count - 1) {
                Image->LineTo(gr, row);
                PenX = gr;
            } else {
                PenX = ToI32(TruncSat(gr - double(gr - gl) * (Count - i) / Count));
                Image->LineTo(PenX, row);
            }
            PenY = row;
        }
        DrawTimeLabels();
        DrawnCount = Count;
        return;
    }

    const std::vector<int32_t>& columns = ViewColumns(lo, hi);
    bool started = false;
    for (int32_t i = 0; i < Count; ++i) {
        // Values outside the view are skipped: the line goes on from the
        // last visible value to the next one.
        if (columns[static_cast<size_t>(i)] == OutOfView)
            continue;
        PenX = columns[static_cast<size_t>(i)];
        PenY = YToPixel(Data[i]);
        if (started)
            Image->LineTo(PenX, PenY);
        else
            Image->MoveTo(PenX, PenY);
        started = true;
    }
    DrawnCount = Count;
}

// The curves of one graph mostly share their abscissas and all share the
// view, so the column of each index is the same for all of them; mapping it
// (two divisions in a chain) was a sixth of a full repaint. The columns of
// the last few abscissa scales drawn (a curve's two segments have two) are
// kept, per thread, and used by every curve with exactly the same scale.
const std::vector<int32_t>& TSpCurveBase::ViewColumns(float lo, float hi) const
{
    struct TScale {
        int32_t Capacity, PlotLeft, PlotRight;
        float XDataFrom, XDataTo, XLimitMin, XLimitMax, XViewFrom, XViewTo, Lo, Hi;
    };
    struct TColumns {
        TScale Scale{};
        std::vector<int32_t> Columns;
    };
    constexpr size_t Kept = 4;
    thread_local TColumns kept[Kept];
    thread_local size_t next = 0;
    const TScale scale{Capacity, PlotLeft,  PlotRight, XDataFrom, XDataTo, XLimitMin,
                       XLimitMax, XViewFrom, XViewTo,  lo,        hi};
    TColumns* c = std::find_if(std::begin(kept), std::end(kept), [&](const TColumns& k) {
        return std::memcmp(&scale, &k.Scale, sizeof scale) == 0;
    });
    if (c == std::end(kept)) {
        c = &kept[next];
        next = (next + 1) % Kept;
        c->Scale = scale;
        c->Columns.clear();
    }
    for (auto i = static_cast<int32_t>(c->Columns.size()); i < Count; ++i) {
        const float x = IndexToX(i, nullptr);
        c->Columns.push_back(InView(x, lo, hi) ? XToPixel(x, nullptr) : OutOfView);
    }
    return c->Columns;
}

void TSpCurveBase::DrawNew()
{
    if (Capacity <= 0 || Count <= 0)
        return;
    if (DrawnCount > Count || Image == nullptr) {
        // The values were cleared (or there is nothing to draw on): the
        // next drawing starts from the first value.
        DrawnCount = 0;
        OnRestart();
        if (Image == nullptr)
            return;
    }
    TSpTimeAxis axis;
    const TSpTimeAxis* td = SpCurrentTimeAxis(axis) ? &axis : nullptr;
    const float lo = std::min(XViewFrom, XViewTo), hi = std::max(XViewFrom, XViewTo);
    BeginPen();

    // Start from the last value drawn, so the new piece joins the old one.
    const int32_t i0 = DrawnCount > 0 ? DrawnCount - 1 : 0;
    PenX = XToPixel(IndexToX(i0, td), td);
    PenY = YToPixel(Data[i0]);
    Image->MoveTo(PenX, PenY);
    for (int32_t i = i0 + 1; i < Count; ++i) {
        const float x = IndexToX(i, td);
        if (!InView(x, lo, hi))
            continue;
        PenX = XToPixel(x, td);
        PenY = YToPixel(Data[i]);
        Image->LineTo(PenX, PenY);
    }
    DrawnCount = Count;
}

void TSpCurveBase::AppendAndDraw(const float* values, int32_t n)
{
    if (n <= 0 || Capacity <= 0 || values == nullptr)
        return;
    if (Image == nullptr) {
        // Nothing to draw on: the values are still kept.
        AppendPoints(values, n);
        return;
    }
    if (DrawnCount != Count)
        DrawNew();

    bool restarted = false;
    if (Count + static_cast<int64_t>(n) > Capacity) {
        n = n + Count - Capacity;
        while (n > Capacity)
            n -= Capacity;
        Count = 0;
        DrawnCount = 0;
        OnRestart();
        restarted = true;
    }

    TSpTimeAxis axis;
    const TSpTimeAxis* td = SpCurrentTimeAxis(axis) ? &axis : nullptr;
    const float lo = std::min(XViewFrom, XViewTo), hi = std::max(XViewFrom, XViewTo);
    BeginPen();

    int32_t k = 0;
    if (restarted || Count == 0) {
        // Nothing stored yet: the first new value is where the pen starts.
        Data[0] = values[0];
        Count = 1;
        k = 1;
    }
    PenX = XToPixel(IndexToX(Count - 1, td), td);
    PenY = YToPixel(Data[Count - 1]);
    Image->MoveTo(PenX, PenY);
    for (; k < n; ++k) {
        Data[Count] = values[k];
        const float x = IndexToX(Count, td);
        if (InView(x, lo, hi)) {
            PenX = XToPixel(x, td);
            PenY = YToPixel(values[k]);
            Image->LineTo(PenX, PenY);
        }
        ++Count;
    }
    DrawnCount = Count;
}

void TSpCurveBase::DrawTimeLabels()
{
    char text[64];
    auto format = [&text](double v) {
        std::snprintf(text, sizeof text, "%.1f", v);
        return static_cast<const char*>(text);
    };
    const int32_t gl = GraphFrameLeft, gr = GraphFrameRight;

    // Clear the graph's own abscissa labels between its two end labels (and
    // the previous pass's time labels), keeping the caller's pen and brush.
    // The strip is measured in the surface's font, as the graph measured its
    // labels: the bold end labels (the first centred on the frame's left
    // edge, the last ending a third of its width past the frame's right edge)
    // stay, and the rows are those the labels take under the frame.
    Image->SetFontBold(true);
    const QSize startBold = Image->TextExtent(format(XViewFrom));
    const QSize endBold = Image->TextExtent(format(XViewTo));
    Image->SetFontBold(false);
    const int32_t rowHeight = std::max({startBold.height(), endBold.height(), Image->TextExtent("0").height()});
    const int32_t stripLeft = gl - startBold.width() / 2 + startBold.width();
    const int32_t stripRight = ToI32(TruncSat(FrameRight - endBold.width() * 2.0 / 3.0));
    const int32_t stripTop = FrameBottom + 1;
    const int32_t stripBottom = FrameBottom + rowHeight / 2 + rowHeight + 1;
    if (stripLeft < stripRight) {
        const uint32_t pen = Image->PenColor(), brush = Image->BrushColor();
        const uint32_t white = 0x00FFFFFFu;
        Image->SetPenColor(white);
        Image->SetBrushColor(white);
        Image->Rectangle(stripLeft, stripTop, stripRight, stripBottom);
        Image->SetPenColor(pen);
        Image->SetBrushColor(brush);
    }

    if (Image->TextAngle() != 0)
        Image->SetTextAngle(0);

    const int32_t gap = Image->TextExtent("00").width();
    // The graph writes the end labels itself: its last label ends two thirds
    // of its width left of the frame's right edge, and its first is centred
    // on the frame's left edge. The labels in between keep clear of both.
    const int32_t endLeft = ToI32(TruncSat(FrameRight - Image->TextExtent(format(XViewTo)).width() * 2.0 / 3.0));
    int32_t lastRight = gl + Image->TextExtent(format(XViewFrom)).width() / 2;
    for (int32_t j = 1; j <= 16; ++j) {
        const float v = XViewFrom + j * (XViewTo - XViewFrom) / 17.0f;
        const QSize ext = Image->TextExtent(format(v));
        const int32_t column = gl + (gr - gl) * j / 17;
        const int32_t left = column - ext.width() / 2;
        const int32_t right = left + ext.width();
        if (left - lastRight > gap && endLeft - right > gap) {
            Image->DrawText(left, FrameBottom + ext.height() / 2, text);
            lastRight = right;
        }
    }
}
