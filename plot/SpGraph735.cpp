#include "plot/SpGraph735.h"

#include <QFontMetrics>
#include <algorithm>
#include <bit>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "text/GbkText.h"
#include "spectra/CurveSplit.h"
#include "spectra/SpCurveZQ735.h"

namespace {

constexpr uint32_t White = SpRgb(255, 255, 255);
constexpr uint32_t Black = SpRgb(0, 0, 0);
constexpr uint32_t Blue = SpRgb(0, 0, 255);
constexpr uint32_t GridGrey = SpRgb(128, 128, 128);

std::string Format(const char* fmt, double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

}  // namespace

TSpGraph735::TSpGraph735(void* window, TSpImage* image) : HomeThread(std::this_thread::get_id())
{
    OwnerHandle = window;
    Image = image;
    // 1.
    CursorMode = false;
    ShowGrid = true;
    MaxCurves = SlotCount;
    CurveCount = 0;
    BackColor = White;
    TextColor = static_cast<int32_t>(Black);
    GridColor = static_cast<int32_t>(Black);
    FrameColor = Black;
    // 2.
    XLimitMin = 0.0f;
    XLimitMax = 20000.0f;
    YLimitMin = -4095.0f;
    YLimitMax = 4095.0f;
    XViewFrom = 0.0f;
    XViewTo = 20000.0f;
    YViewFrom = -4095.0f;
    YViewTo = 4095.0f;
    SplitX = 2000.0f;
    // 3.
    ComputeLayout();
    Seg1Count = 2;
    Seg2Count = 99;
    // 4.
    SlotColors.fill(Blue);
    Current = -1;
    IterPos = 0;
    // 5.
    DrawFrame();
    RefreshTemplate();
}

TSpGraph735::~TSpGraph735()
{
    // No repaint here: the surface may be on its way out too.
    FreeCurves();
}

void TSpGraph735::FreeCurves()
{
    for (auto& c : Curves)
        c.reset();
    CurveCount = 0;
    Current = -1;
}

// --- geometry --------------------------------------------------------------

void TSpGraph735::ComputeLayout()
{
    QSize label = Image ? Image->TextExtent("000000.00") : QSize();
    LabelExtent = {label.width(), label.height()};
    const TGraphLayout l = ComputeGraphLayout(Image ? Image->Width() : 0, Image ? Image->Height() : 0,
                                              LabelExtent.W, LabelExtent.H);
    FrameLeft = l.FrameLeft;
    FrameRight = l.FrameRight;
    FrameTop = l.FrameTop;
    FrameBottom = l.FrameBottom;
    PlotLeft = l.PlotLeft;
    PlotRight = l.PlotRight;
    PlotTop = l.PlotTop;
    PlotBottom = l.PlotBottom;
    ReadoutX = l.ReadoutX;
    ReadoutY = l.ReadoutY;
    SplitPixelCache = SplitPixel();
}

int32_t TSpGraph735::SplitPixel() const
{
    return GraphSplitPixel(SplitX, XViewFrom, XViewTo, PlotLeft, PlotRight);
}

void TSpGraph735::RefreshTemplate()
{
    TCurveInfo& t = Template;
    t = ZeroCurveInfo();
    SetGbkField(t.Name, "未命名");
    SetGbkField(t.XTitle, "波数");
    SetGbkField(t.YTitle, "透过率");
    SetGbkField(t.XUnit, "cm-1");
    SetGbkField(t.YUnit, "%");
    t.PointCount = 0;
    t.Capacity = CurveCapacity(Seg1Count, Seg2Count);
    t.Reserved1 = 0;
    t.Reserved2 = std::bit_cast<int32_t>(4095.0f);
    t.XLimitMin = XLimitMin;
    t.XLimitMax = XLimitMax;
    t.YLimitMin = YLimitMin;
    t.YLimitMax = YLimitMax;
    t.XViewFrom = t.XDataFrom = XViewFrom;
    t.XViewTo = t.XDataTo = XViewTo;
    t.YViewFrom = t.YDataFrom = YViewFrom;
    t.YViewTo = t.YDataTo = YViewTo;
    t.Color = Blue;
    t.Data = 0;
    t.PlotLeft = PlotLeft;
    t.PlotRight = PlotRight;
    t.PlotTop = PlotTop;
    t.PlotBottom = PlotBottom;
    t.FrameLeft = FrameLeft;
    t.FrameRight = FrameRight;
    t.FrameTop = FrameTop;
    t.FrameBottom = FrameBottom;
    SplitPixelCache = SplitPixel();
    t.SplitPixel = SplitPixelCache;
    t.SplitX = SplitX;
    t.Seg1Count = Seg1Count;
    t.Seg2Count = Seg2Count;
}

void TSpGraph735::SetAxisLimits(float xMin, float xMax, float yMin, float yMax, float splitX)
{
    XLimitMin = std::min(xMin, xMax);
    XLimitMax = std::max(xMin, xMax);
    YLimitMin = std::min(yMin, yMax);
    YLimitMax = std::max(yMin, yMax);
    SplitX = ClampTo(splitX, XLimitMin, XLimitMax);
    SplitPixelCache = SplitPixel();
    for (auto& c : Curves)
        if (c)
            c->SetLimits(xMin, xMax, yMin, yMax, SplitPixelCache);
    CurveChanged();
}

void TSpGraph735::SetViewRange(float xFrom, float xTo, float yFrom, float yTo, float splitX, int32_t seg1,
                               int32_t seg2)
{
    XViewFrom = ClampTo(xFrom, XLimitMin, XLimitMax);
    XViewTo = ClampTo(xTo, XLimitMin, XLimitMax);
    YViewFrom = ClampTo(yFrom, YLimitMin, YLimitMax);
    YViewTo = ClampTo(yTo, YLimitMin, YLimitMax);
    SplitX = ClampTo(splitX, XLimitMin, XLimitMax);
    Seg1Count = std::max(seg1, 0);
    Seg2Count = std::max(seg2, 0);
    SplitPixelCache = SplitPixel();
    for (auto& c : Curves)
        if (c)
            c->SetView(XViewFrom, XViewTo, YViewFrom, YViewTo, SplitPixelCache);
    CurveChanged();
    if (ViewChanged)
        ViewChanged();
}

void TSpGraph735::SetYRange(float yFrom, float yTo)
{
    SetViewRange(XViewFrom, XViewTo, yFrom, yTo, SplitX, Seg1Count, Seg2Count);
}

void TSpGraph735::SetViewRect(const float view[4])
{
    XViewFrom = view[0];
    XViewTo = view[1];
    YViewFrom = view[2];
    YViewTo = view[3];
    SetViewRange(view[0], view[1], view[2], view[3], Template.SplitX, Seg1Count, Seg2Count);
}

TGraphView TSpGraph735::GetViewRange() const
{
    return {XViewFrom, XViewTo, YViewFrom, YViewTo, CurveCount};
}

void TSpGraph735::GetViewRange(void* dst) const
{
    const TGraphView v = GetViewRange();
    std::memcpy(dst, &v, sizeof v);
}

void TSpGraph735::SetCurveColors(const uint32_t* colors, int n)
{
    if (colors == nullptr || n <= 0)
        return;
    const int count = std::min(n, MaxCurves);
    std::copy(colors, colors + count, SlotColors.begin());
}

// --- slots -------------------------------------------------------------------

int TSpGraph735::FreeSlot() const
{
    if (CurveCount >= MaxCurves)
        return -1;
    for (int i = 0; i < MaxCurves; ++i)
        if (!Curves[static_cast<size_t>(i)])
            return i;
    return -1;
}

int TSpGraph735::NewCurve()
{
    assert(OnHomeThread());
    const int s = FreeSlot();
    if (s < 0)
        return s;
    RefreshTemplate();
    Template.Color = SlotColors[static_cast<size_t>(s)];
    auto curve = std::make_unique<TSpCurveZQ735>(this, Template);
    const int r = AddCurve(curve.get());
    if (r >= 0)
        curve.release();
    return r;
}

void TSpGraph735::PushGeometry(TSpCurveZQ735* curve)
{
    curve->SetAxisFrame(FrameLeft, FrameRight, FrameTop, FrameBottom, SplitPixelCache);
    curve->SetPlotRect(PlotLeft, PlotRight, PlotTop, PlotBottom, SplitPixelCache);
    curve->SetLimits(XLimitMin, XLimitMax, YLimitMin, YLimitMax, SplitPixelCache);
    curve->SetView(XViewFrom, XViewTo, YViewFrom, YViewTo, SplitPixelCache);
}

int TSpGraph735::AddCurve(TSpCurveZQ735* curve)
{
    assert(OnHomeThread());
    if (curve == nullptr)
        return -1;
    // A curve already in a slot stays there: owning it twice would free it twice.
    if (const int in = IndexOfCurve(curve); in >= 0)
        return in;
    const int s = FreeSlot();
    if (s < 0)
        return s;
    Curves[static_cast<size_t>(s)].reset(curve);
    ++CurveCount;
    if (Current < 0)
        SetCurrent(s);
    SplitPixelCache = SplitPixel();
    PushGeometry(curve);
    return s;
}

int TSpGraph735::AddCurveAt(int slot, TSpCurveZQ735* curve)
{
    assert(OnHomeThread());
    if (curve == nullptr || slot < 0 || slot >= MaxCurves || Curves[static_cast<size_t>(slot)] ||
        IndexOfCurve(curve) >= 0)
        return -1;
    Curves[static_cast<size_t>(slot)].reset(curve);
    ++CurveCount;
    if (Current < 0)
        SetCurrent(slot);
    SplitPixelCache = SplitPixel();
    PushGeometry(curve);
    return slot;
}

int TSpGraph735::AttachCurve(TSpCurveZQ735* curve)
{
    const int s = AddCurve(curve);
    if (s >= 0)
        PushGeometry(curve);
    return s;
}

void TSpGraph735::DeleteCurve(int slot)
{
    assert(OnHomeThread());
    if (slot < 0 || slot >= MaxCurves || !Curves[static_cast<size_t>(slot)])
        return;
    if (CurveDeleting)
        CurveDeleting(Curves[static_cast<size_t>(slot)].get());
    Curves[static_cast<size_t>(slot)].reset();
    --CurveCount;
    if (TSpCurveZQ735* first = FirstCurve())
        SetCurrent(IndexOfCurve(first));
    else
        Current = -1;
}

void TSpGraph735::DeleteAllCurves()
{
    for (int i = 0; i < MaxCurves; ++i)
        if (Curves[static_cast<size_t>(i)])
            DeleteCurve(i);
    CurveChanged();
}

TSpCurveZQ735* TSpGraph735::CurveAt(int slot) const
{
    if (slot < 0 || slot >= MaxCurves)
        return nullptr;
    return Curves[static_cast<size_t>(slot)].get();
}

int TSpGraph735::IndexOfCurve(const TSpCurveZQ735* curve) const
{
    if (curve == nullptr)
        return -1;
    for (int i = 0; i < MaxCurves; ++i)
        if (Curves[static_cast<size_t>(i)].get() == curve)
            return i;
    return -1;
}

TSpCurveZQ735* TSpGraph735::FirstCurve()
{
    for (int i = 0; i < MaxCurves; ++i) {
        if (Curves[static_cast<size_t>(i)]) {
            IterPos = i;
            return Curves[static_cast<size_t>(i)].get();
        }
    }
    return nullptr;
}

TSpCurveZQ735* TSpGraph735::NextCurve()
{
    for (int i = std::max(IterPos + 1, 0); i < MaxCurves; ++i) {
        if (Curves[static_cast<size_t>(i)]) {
            IterPos = i;
            return Curves[static_cast<size_t>(i)].get();
        }
    }
    return nullptr;
}

int TSpGraph735::SetCurrent(int slot)
{
    TSpCurveZQ735* next = CurveAt(slot);
    if (next == nullptr)
        return Current;
    if (TSpCurveZQ735* prev = CurveAt(Current))
        prev->ShowCursor(false);
    Current = slot;
    if (CursorMode)
        next->ShowCursor(CursorMode);
    return Current;
}

int TSpGraph735::SetCursorMode(bool on)
{
    if (Current < 0 || Current >= MaxCurves)
        return -1;
    CursorMode = on;
    TSpCurveZQ735* c = CurveAt(Current);
    if (c == nullptr)
        return -2;
    return c->ShowCursor(on);
}

// --- input -------------------------------------------------------------------

void TSpGraph735::MouseMove(int a, int button, int x, int y)
{
    (void)a, (void)button, (void)y;
    if (TSpCurveZQ735* c = CurrentCurve())
        c->OnMouseMove(x);
}

void TSpGraph735::MouseDown(int a, int button, int x, int y)
{
    (void)a, (void)y;
    if (TSpCurveZQ735* c = CurrentCurve())
        c->OnMouseDown(button, x);
}

void TSpGraph735::MouseUp(int a, int button, int x, int y)
{
    (void)a, (void)x, (void)y;
    if (TSpCurveZQ735* c = CurrentCurve())
        c->OnMouseUp(button);
}

void TSpGraph735::KeyDown(int& key, int a)
{
    (void)a;
    if (TSpCurveZQ735* c = CurrentCurve())
        c->OnKeyDown(key);
}

// --- drawing -------------------------------------------------------------------

void TSpGraph735::CurveChanged()
{
    if (FUpdateHold > 0) {
        FRepaintDue = true;
        return;
    }
    DrawFrame();
    // Twenty full curves are some 50 000 lines over the whole picture.
    TSpLineBatch lines(Image);
    for (auto& c : Curves)
        if (c)
            c->Paint();
}

void TSpGraph735::EndUpdate()
{
    if (FUpdateHold > 0 && --FUpdateHold == 0 && FRepaintDue) {
        FRepaintDue = false;
        CurveChanged();
    }
}

TAxisPlan TSpGraph735::PlanAxes()
{
    TAxisGeometry g;
    g.FrameLeft = FrameLeft;
    g.FrameRight = FrameRight;
    g.FrameTop = FrameTop;
    g.FrameBottom = FrameBottom;
    g.PlotLeft = PlotLeft;
    g.PlotRight = PlotRight;
    g.PlotTop = PlotTop;
    g.PlotBottom = PlotBottom;
    g.SplitPixel = SplitPixelCache;
    g.SplitX = SplitX;
    g.XFrom = XViewFrom;
    g.XTo = XViewTo;
    g.YFrom = YViewFrom;
    g.YTo = YViewTo;

    QFont regular = SpDefaultFont();
    const QPaintDevice* device = nullptr;
    if (Image != nullptr && Image->GetCanvas() != nullptr) {
        regular = Image->GetCanvas()->font();
        device = Image->GetCanvas()->device();
    }
    regular.setBold(false);
    QFont bold = regular;
    bold.setBold(true);
    const QFontMetrics boldMetrics = device ? QFontMetrics(bold, device) : QFontMetrics(bold);
    const QFontMetrics regularMetrics = device ? QFontMetrics(regular, device) : QFontMetrics(regular);
    auto measure = [](const QFontMetrics& m) {
        return [&m](const std::string& text) {
            return TTextExtent{m.horizontalAdvance(QString::fromStdString(text)), m.height()};
        };
    };
    return PlanGraphAxes(g, ShowGrid, measure(boldMetrics), measure(regularMetrics));
}

void TSpGraph735::DrawFrame()
{
    if (Image == nullptr)
        return;
    TSpImage& im = *Image;
    SplitPixelCache = SplitPixel();
    const TAxisPlan plan = PlanAxes();

    // Background.
    im.SetPenStyle(SpPenSolid);
    im.SetPenColor(BackColor);
    im.Rectangle(0, 0, im.Width() - 1, im.Height() - 1);

    // Frame.
    im.SetPenColor(FrameColor);
    im.MoveTo(FrameLeft, FrameTop);
    im.LineTo(FrameLeft, FrameBottom);
    im.LineTo(FrameRight, FrameBottom);
    im.LineTo(FrameRight, FrameTop);
    im.LineTo(FrameLeft, FrameTop);

    // Dotted plot edges and split line.
    im.SetPenStyle(SpPenDot);
    im.SetPenColor(static_cast<uint32_t>(GridColor));
    im.MoveTo(PlotLeft, PlotTop);
    im.LineTo(PlotRight, PlotTop);
    im.MoveTo(PlotLeft, PlotBottom);
    im.LineTo(PlotRight, PlotBottom);
    if (PlotLeft < SplitPixelCache && SplitPixelCache < PlotRight) {
        im.MoveTo(SplitPixelCache, PlotTop);
        im.LineTo(SplitPixelCache, PlotBottom);
    }

    // Bold end labels.
    im.SetPenStyle(SpPenSolid);
    im.SetPenColor(static_cast<uint32_t>(TextColor));
    im.SetFontBold(true);
    for (const TAxisLabel& l : plan.Ends)
        im.DrawNumber(l.X, l.Y, l.Value);

    // Grid with its labels, regular style.
    im.SetPenStyle(SpPenDot);
    im.SetPenColor(GridGrey);
    im.SetFontBold(false);
    for (const TAxisLabel& l : plan.Grid) {
        if (l.Vertical) {
            im.MoveTo(l.Line, PlotTop);
            im.LineTo(l.Line, PlotBottom);
        } else {
            im.MoveTo(PlotLeft, l.Line);
            im.LineTo(PlotRight, l.Line);
        }
        im.DrawNumber(l.X, l.Y, l.Value);
    }
}

std::string TSpGraph735::ReadoutText(const TSpCurveZQ735& curve, float x, float value) const
{
    std::string text;
    if (WavelengthMode) {
        // 10000 / wavenumber in cm-1 is the wavelength in micrometres.
        const double um = std::fabs(x) < 1e-7f ? 0.0 : 10000.0 / static_cast<double>(x);
        text = "波长" + Format("% 4.2f ", um) + "μm";
    } else {
        text = GbkFieldToUtf8(curve.Info.XTitle) + Format("% 4.2f ", static_cast<double>(x)) +
               GbkFieldToUtf8(curve.Info.XUnit);
    }
    text += "  ";
    text += GbkFieldToUtf8(curve.Info.YTitle) + Format("% 4.4f ", static_cast<double>(value)) +
            GbkFieldToUtf8(curve.Info.YUnit);
    return text;
}

void TSpGraph735::CursorChanged(TSpCurveZQ735* curve, int index, float x, float value)
{
    (void)index;
    if (Image == nullptr)
        return;
    TSpImage& im = *Image;
    if (im.TextAngle() != 0)
        im.SetTextAngle(0);

    // Blank the previous read-out: as many spaces as it had bytes, and at
    // least as wide as it was drawn.
    const std::string blanks(static_cast<size_t>(std::max(ReadoutLength, 0)), ' ');
    const QSize blankSize = im.TextExtent(blanks);
    const int32_t blankWidth = std::max(blankSize.width(), ReadoutWidth);
    if (blankWidth > 0) {
        const uint32_t pen = im.PenColor();
        const int style = im.PenStyle();
        im.SetPenStyle(SpPenSolid);
        im.SetPenColor(im.BrushColor());
        im.Rectangle(ReadoutX, ReadoutY, ReadoutX + blankWidth, ReadoutY + blankSize.height());
        im.SetPenColor(pen);
        im.SetPenStyle(style);
    }
    ReadoutWidth = 0;
    if (curve == nullptr)
        return;

    std::string text;
    {
        std::lock_guard<TSpMutex> lock(curve->Mutex);
        text = ReadoutText(*curve, x, value);
    }
    ReadoutLength = static_cast<int32_t>(GbkLength(text));
    ReadoutWidth = im.TextExtent(text).width();
    im.DrawText(ReadoutX, ReadoutY, text);
}

void TSpGraph735::SetStartRanges()
{
    SetAxisLimits(-4.0e7f, 4.0e7f, -4095.0f, 4095.0f, 2000.0f);
    SetViewRange(4000.0f, 400.0f, 0.0f, 100.0f, 2000.0f, 1001, 1601);
}
