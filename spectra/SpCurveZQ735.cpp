#include "spectra/SpCurveZQ735.h"

#include "surface/SpImage.h"
#include "spectra/CurveSplit.h"
#include "spectra/SpCurveOwner.h"

#include <algorithm>
#include <atomic>
#include <mutex>

namespace {

// Wide open until the owner narrows them.
constexpr float OpenLimit = 4.0e7f;

using TLock = std::lock_guard<TSpMutex>;

} // namespace

TSpCurveZQ735::TSpCurveZQ735(TSpCurveOwner* owner, const TCurveInfo& tmpl, const float* values)
    : Owner(owner), Info(ZeroCurveInfo()), Seg1Info(ZeroCurveInfo()), Seg2Info(ZeroCurveInfo())
{
    if (owner != nullptr) {
        OwnerHandle = owner->OwnerHandle;
        Image = owner->Image;
    }
    Configure(tmpl, values);

    Name = Info.Name;
    XTitle = Info.XTitle;
    YTitle = Info.YTitle;
    XUnit = Info.XUnit;
    YUnit = Info.YUnit;
    // The marker only ever covers pixels of the owner's picture; a curve
    // without one (a hidden baseline, made on the worker thread) needs none.
    if (Image != nullptr) {
        MarkerBack = std::make_unique<TSpImage>(OwnerHandle);
        MarkerBack->SetRect(0, 0, 12, 12);
    }
    CursorPixelX = Info.PlotLeft;
    CursorPixelY = Info.FrameTop;
}

TSpCurveZQ735::~TSpCurveZQ735() = default;

uint64_t TSpCurveZQ735::NewIdentity()
{
    // Curves are made on both threads (the worker's baselines).
    static std::atomic<uint64_t> last{0};
    return ++last;
}

// --- configuration -------------------------------------------------------

void TSpCurveZQ735::Configure(const TCurveInfo& info, const float* values)
{
    bool notify;
    {
        TLock lock(Mutex);
        notify = ConfigureUnlocked(info, values);
    }
    if (notify)
        NotifyOwner();
}

bool TSpCurveZQ735::ConfigureUnlocked(const TCurveInfo& given, const float* values)
{
    // `given` may be Info itself (SetScanRange).
    const TCurveInfo info = given;
    Identity = NewIdentity();
    const int32_t capacity = std::max(info.Capacity, 0);
    if (Values.size() < static_cast<std::size_t>(capacity))
        Values.assign(static_cast<std::size_t>(capacity), 0.0f);

    Info = info;
    Info.Capacity = capacity;
    Info.Data = 0;
    // A record read from a damaged file may lack its NULs; the texts are
    // used as C strings by the read-out.
    TerminateCurveInfoStrings(Info);
    Info.XLimitMin = Info.YLimitMin = -OpenLimit;
    Info.XLimitMax = Info.YLimitMax = OpenLimit;

    Seg1Info = Info;
    Seg2Info = Info;
    const float s = SplitInView(Info.SplitX, Info.XViewFrom, Info.XViewTo);
    const TDataSplit split = SplitDataRange(Info.XDataFrom, Info.XDataTo, Info.SplitX);

    // The segments view slices of the one array: they must never reach past
    // it, whatever counts a record brings along.
    const int32_t c1 = ClampTo(Info.Seg1Count, 0, capacity);
    SplitIndex = CurveSplitIndex(c1);
    const int32_t c2 = ClampTo(Info.Seg2Count, 0, std::max(capacity - SplitIndex, 0));

    Seg1Info.FrameRight = Seg1Info.PlotRight = Info.SplitPixel;
    Seg1Info.XViewTo = s;
    Seg1Info.XDataFrom = split.Seg1From;
    Seg1Info.XDataTo = split.Seg1To;
    Seg1Info.Capacity = c1;
    Seg1Info.PointCount = 0;
    Seg2Info.FrameLeft = Seg2Info.PlotLeft = Info.SplitPixel;
    Seg2Info.XViewFrom = s;
    Seg2Info.XDataFrom = split.Seg2From;
    Seg2Info.XDataTo = split.Seg2To;
    Seg2Info.Capacity = c2;
    Seg2Info.PointCount = 0;

    Info.PointCount = 0;
    float* data1 = Values.data();
    float* data2 = Values.empty() ? nullptr : Values.data() + SplitIndex;

    if (!Seg1) {
        Seg1 = std::make_unique<TSpCurveBase>(Image, Seg1Info, data1);
        Seg2 = std::make_unique<TSpCurveBase>(Image, Seg2Info, data2);
    } else {
        Seg1->Reconfigure(Seg1Info, data1);
        Seg2->Reconfigure(Seg2Info, data2);
    }
    Seg1->SetGraphFrame(Info.FrameLeft, Info.FrameRight);
    Seg2->SetGraphFrame(Info.FrameLeft, Info.FrameRight);

    if (values != nullptr && info.PointCount > 0) {
        AppendUnlocked(values, info.PointCount);
        return true;
    }
    return false;
}

void TSpCurveZQ735::SplitPlotRect()
{
    Info.SplitPixel = ClampTo(Info.SplitPixel, Info.PlotLeft, Info.PlotRight);
    Seg1->SetPlotRect(Info.PlotLeft, Info.SplitPixel, Info.PlotTop, Info.PlotBottom);
    Seg2->SetPlotRect(Info.SplitPixel, Info.PlotRight, Info.PlotTop, Info.PlotBottom);
    // The frames too: a segment writes the time labels under its frame's
    // bottom, so a frame that stayed behind after a resize would put them
    // inside the plot.
    Seg1->SetFrameRect(Info.FrameLeft, Info.SplitPixel, Info.FrameTop, Info.FrameBottom);
    Seg2->SetFrameRect(Info.SplitPixel, Info.FrameRight, Info.FrameTop, Info.FrameBottom);
}

void TSpCurveZQ735::SetAxisFrame(int32_t left, int32_t right, int32_t top, int32_t bottom, int32_t splitPixel)
{
    TLock lock(Mutex);
    Info.FrameLeft = std::min(left, right);
    Info.FrameRight = std::max(left, right);
    Info.FrameTop = std::min(top, bottom);
    Info.FrameBottom = std::max(top, bottom);
    Info.SplitPixel = splitPixel;
    // The time axis of a time drive spans the whole frame.
    Seg1->SetGraphFrame(Info.FrameLeft, Info.FrameRight);
    Seg2->SetGraphFrame(Info.FrameLeft, Info.FrameRight);
    SplitPlotRect();
}

void TSpCurveZQ735::SetPlotRect(int32_t left, int32_t right, int32_t top, int32_t bottom, int32_t splitPixel)
{
    TLock lock(Mutex);
    Info.PlotLeft = std::min(left, right);
    Info.PlotRight = std::max(left, right);
    Info.PlotTop = std::min(top, bottom);
    Info.PlotBottom = std::max(top, bottom);
    Info.SplitPixel = splitPixel;
    SplitPlotRect();
}

void TSpCurveZQ735::SetLimits(float xMin, float xMax, float yMin, float yMax, int32_t splitPixel)
{
    TLock lock(Mutex);
    Info.XLimitMin = std::min(xMin, xMax);
    Info.XLimitMax = std::max(xMin, xMax);
    Info.YLimitMin = std::min(yMin, yMax);
    Info.YLimitMax = std::max(yMin, yMax);
    Info.SplitPixel = splitPixel;
}

void TSpCurveZQ735::SetView(float xFrom, float xTo, float yFrom, float yTo, int32_t splitPixel)
{
    TLock lock(Mutex);
    Info.XViewFrom = ClampTo(xFrom, Info.XLimitMin, Info.XLimitMax);
    Info.XViewTo = ClampTo(xTo, Info.XLimitMin, Info.XLimitMax);
    Info.YViewFrom = ClampTo(yFrom, Info.YLimitMin, Info.YLimitMax);
    Info.YViewTo = ClampTo(yTo, Info.YLimitMin, Info.YLimitMax);
    Info.SplitPixel = splitPixel;
    SplitPlotRect();
    const float s = SplitInView(Info.SplitX, Info.XViewFrom, Info.XViewTo);
    Seg1->SetViewRange(Info.XViewFrom, s, Info.YViewFrom, Info.YViewTo);
    Seg2->SetViewRange(s, Info.XViewTo, Info.YViewFrom, Info.YViewTo);
    SplitPlotRect();
}

void TSpCurveZQ735::SetScanRange(float xFrom, float xTo, float yFrom, float yTo, float splitX, int32_t c1,
                                 int32_t c2)
{
    TLock lock(Mutex);
    Info.XDataFrom = ClampTo(xFrom, Info.XLimitMin, Info.XLimitMax);
    Info.XDataTo = ClampTo(xTo, Info.XLimitMin, Info.XLimitMax);
    Info.YDataFrom = ClampTo(yFrom, Info.YLimitMin, Info.YLimitMax);
    Info.YDataTo = ClampTo(yTo, Info.YLimitMin, Info.YLimitMax);
    Info.SplitX = splitX;
    Info.Seg1Count = std::max(c1, 0);
    Info.Seg2Count = std::max(c2, 0);
    Info.Capacity = CurveCapacity(Info.Seg1Count, Info.Seg2Count);
    Info.PointCount = 0;
    ConfigureUnlocked(Info, nullptr);
}

// --- values --------------------------------------------------------------

void TSpCurveZQ735::AppendUnlocked(const float* values, int32_t n)
{
    const int32_t capacity = Info.Capacity;
    if (n <= 0 || capacity <= 0 || values == nullptr)
        return;
    if (Info.PointCount + static_cast<int64_t>(n) > capacity) {
        // A full curve starts again at index 0 with the new values.
        n = n + Info.PointCount - capacity;
        while (n > capacity)
            n -= capacity;
        ClearUnlocked();
    }
    const int32_t c = Info.PointCount;
    const int32_t d = SplitIndex;
    if (c >= d) {
        // The value at the split is stored through both segments.
        if (c == d)
            Seg1->AppendPoints(values, 1);
        Seg2->AppendPoints(values, n);
    } else if (d < c + n) {
        Seg1->AppendPoints(values, d - c + 1);
        Seg2->AppendPoints(values + (d - c), n - (d - c));
    } else {
        Seg1->AppendPoints(values, n);
    }
    Info.PointCount += n;
}

void TSpCurveZQ735::AppendData(const float* values, int32_t n)
{
    TLock lock(Mutex);
    AppendUnlocked(values, n);
}

void TSpCurveZQ735::AddData(const float* values, int32_t n)
{
    const bool wasFull = Info.PointCount == Info.Capacity;
    AppendUnlocked(values, n);
    Seg1->DrawNew();
    Seg2->DrawNew();
    // The cursor stood on the picture of a curve still growing.
    if (CursorShown && !wasFull && Info.PointCount == Info.Capacity)
        MoveCursorToPixel(CursorPixelX);
}

void TSpCurveZQ735::ClearUnlocked()
{
    Info.PointCount = 0;
    Seg1->Clear();
    Seg2->Clear();
}

void TSpCurveZQ735::Clear()
{
    TLock lock(Mutex);
    Identity = NewIdentity();
    ClearUnlocked();
}

// --- drawing -------------------------------------------------------------

void TSpCurveZQ735::DrawNew()
{
    TLock lock(Mutex);
    Seg1->DrawNew();
    Seg2->DrawNew();
}

void TSpCurveZQ735::Paint()
{
    TLock lock(Mutex);
    // The old marker went with the old picture.
    MarkerDrawn = false;
    Seg1->Draw();
    Seg2->Draw();
    // The labels go first: the marker keeps the pixels under it, and what
    // it puts back when it moves must not cut a hole into a label.
    DrawPeakMarks();
    if (CursorShown)
        MoveCursorToPixel(CursorPixelX);
}

void TSpCurveZQ735::NotifyOwner()
{
    if (Owner != nullptr)
        Owner->CurveChanged();
}

void TSpCurveZQ735::Invalidate()
{
    bool any;
    {
        TLock lock(Mutex);
        any = Info.PointCount > 0;
    }
    if (any)
        NotifyOwner();
}

// --- descriptor ----------------------------------------------------------

void TSpCurveZQ735::GetInfo(TCurveInfo& dst)
{
    TLock lock(Mutex);
    dst = Info;
    dst.Data = 0;
}

TCurveInfo TSpCurveZQ735::GetInfo()
{
    TCurveInfo info;
    GetInfo(info);
    return info;
}

void TSpCurveZQ735::Load(const TCurveInfo& stored, const float* values)
{
    {
        TLock lock(Mutex);
        TCurveInfo info = stored;
        info.Color = Info.Color;
        info.PlotLeft = Info.PlotLeft;
        info.PlotRight = Info.PlotRight;
        info.PlotTop = Info.PlotTop;
        info.PlotBottom = Info.PlotBottom;
        info.FrameLeft = Info.FrameLeft;
        info.FrameRight = Info.FrameRight;
        info.FrameTop = Info.FrameTop;
        info.FrameBottom = Info.FrameBottom;
        info.SplitPixel = Info.SplitPixel;
        info.SplitX = Info.SplitX;
        // The repaint below covers what Configure would ask for.
        ConfigureUnlocked(info, values);
    }
    Invalidate();
}

int32_t TSpCurveZQ735::GetCount()
{
    TLock lock(Mutex);
    return Info.PointCount;
}

uint32_t TSpCurveZQ735::GetColor()
{
    TLock lock(Mutex);
    return Info.Color;
}

// --- mappings ------------------------------------------------------------

float TSpCurveZQ735::XAtPixel(int32_t px)
{
    TLock lock(Mutex);
    px = ClampTo(px, Info.PlotLeft, Info.PlotRight);
    const float x = px <= Info.SplitPixel ? Seg1->PixelToX(px) : Seg2->PixelToX(px);
    return ClampTo(x, Info.XLimitMin, Info.XLimitMax);
}

float TSpCurveZQ735::YAtPixel(int32_t py)
{
    TLock lock(Mutex);
    return Seg1->PixelToY(py);
}

int32_t TSpCurveZQ735::IndexOfX(float x)
{
    TLock lock(Mutex);
    const int32_t i = Info.Seg1Count > 0 && x >= Info.SplitX ? Seg1->XToIndex(x) : Seg2->XToIndex(x) + SplitIndex;
    return ClampTo(i, 0, std::max(Info.PointCount - 1, 0));
}

float TSpCurveZQ735::XAtIndex(int32_t i)
{
    TLock lock(Mutex);
    const float x = i > SplitIndex || Info.Seg1Count <= 0 ? Seg2->IndexToX(i - SplitIndex) : Seg1->IndexToX(i);
    return ClampTo(x, Info.XLimitMin, Info.XLimitMax);
}

int32_t TSpCurveZQ735::PixelOfX(float x)
{
    TLock lock(Mutex);
    return x >= Info.SplitX ? Seg1->XToPixel(x) : Seg2->XToPixel(x);
}

int32_t TSpCurveZQ735::PixelOfY(float y)
{
    TLock lock(Mutex);
    return Seg1->YToPixel(y);
}

float TSpCurveZQ735::WavenumberAtIndex(int32_t i)
{
    TLock lock(Mutex);
    const float x = i > SplitIndex || Info.Seg1Count <= 0 ? Seg2->IndexToX(i - SplitIndex, nullptr)
                                                          : Seg1->IndexToX(i, nullptr);
    return ClampTo(x, Info.XLimitMin, Info.XLimitMax);
}

int TSpCurveZQ735::ValueOnAxis(float x, const TSpTimeAxis* td, float& value)
{
    TLock lock(Mutex);
    const int32_t i = Info.Seg1Count > 0 && x >= Info.SplitX ? Seg1->XToIndex(x, td)
                                                             : Seg2->XToIndex(x, td) + SplitIndex;
    if (i < 0 || i >= Info.PointCount)
        return -1;
    value = Values[static_cast<std::size_t>(i)];
    return 0;
}

int TSpCurveZQ735::ValueAtWavenumber(float x, float& value) { return ValueOnAxis(x, nullptr, value); }

int TSpCurveZQ735::ValueAtX(float x, float& value)
{
    TSpTimeAxis axis;
    return ValueOnAxis(x, SpCurrentTimeAxis(axis) ? &axis : nullptr, value);
}
