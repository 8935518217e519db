// The read cursor of a curve: a small red cross on a stored point that
// follows the mouse and the arrow keys and reports its point to the owner,
// the point labels the keys write, and the three marks of the peak height.
// It runs on the window thread; the marker is drawn straight onto the
// owner's picture, and the pixels it covers are kept so that moving it needs
// no repaint of the curve.

#include "spectra/CurveSplit.h"
#include "spectra/SpCurveOwner.h"
#include "spectra/SpCurveZQ735.h"
#include "surface/SpImage.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <mutex>

namespace {

using TLock = std::lock_guard<TSpMutex>;

constexpr uint32_t MarkerRed = 0x000000FFu;
// Half the side of the square kept under the marker.
constexpr int32_t MarkerHalf = 6;

enum : int {
    VkReturn = 0x0D,
    VkSpace = 0x20,
    VkPageUp = 0x21,
    VkPageDown = 0x22,
    VkLeft = 0x25,
    VkRight = 0x27,
    VkP = 0x50,
};

constexpr int32_t MaxStep = 10;

}  // namespace

// --- segment look-ups ------------------------------------------------------------

bool TSpCurveBase::CursorAtPixel(int32_t px, TCursorPoint& p) const
{
    if (Count <= 0 || Data == nullptr)
        return false;
    const int32_t i = XToIndex(PixelToX(px));
    p.Index = i;
    p.Value = Data[i];
    p.X = IndexToX(i);
    p.PixelX = XToPixel(p.X);
    p.PixelY = YToPixel(p.Value);
    return true;
}

bool TSpCurveBase::CursorAtIndex(int32_t i, TCursorPoint& p) const
{
    if (Count < 1 || Data == nullptr)
        return false;
    i = ClampTo(i, 0, Count - 1);
    const float x = ClampTo(IndexToX(i), std::min(XViewFrom, XViewTo), std::max(XViewFrom, XViewTo));
    const int32_t index = XToIndex(x);
    p.Index = index;
    p.Value = Data[index];
    p.X = x;
    p.PixelX = XToPixel(x);
    p.PixelY = YToPixel(p.Value);
    return true;
}

// --- the marker ---------------------------------------------------------------------

void TSpCurveZQ735::SaveMarker(int32_t x, int32_t y)
{
    if (Image != nullptr && MarkerBack != nullptr) {
        const TSpRect into{MarkerRect[0], MarkerRect[1], MarkerRect[2], MarkerRect[3]};
        MarkerBack->CopyRect(into, *Image, TSpRect{x - MarkerHalf, y - MarkerHalf, x + MarkerHalf, y + MarkerHalf});
    }
    CursorPixelX = x;
    CursorPixelY = y;
}

void TSpCurveZQ735::RestoreMarker()
{
    if (Image != nullptr && MarkerBack != nullptr) {
        const TSpRect from{MarkerRect[0], MarkerRect[1], MarkerRect[2], MarkerRect[3]};
        Image->CopyRect(TSpRect{CursorPixelX - MarkerHalf, CursorPixelY - MarkerHalf, CursorPixelX + MarkerHalf,
                                CursorPixelY + MarkerHalf},
                        *MarkerBack, from);
    }
    MarkerDrawn = false;
}

void TSpCurveZQ735::DrawMarker(int32_t x, int32_t y)
{
    if (Image == nullptr)
        return;
    x = ClampTo(x, Info.PlotLeft, Info.PlotRight);
    if (y < Info.PlotTop)
        y = Info.PlotTop - 5;
    else if (y > Info.PlotBottom)
        y = Info.PlotBottom + 5;
    const uint32_t colour = Image->PenColor();
    const int style = Image->PenStyle();
    Image->SetPenStyle(SpPenSolid);
    Image->SetPenColor(MarkerRed);
    Image->MoveTo(x - 4, y - 4);
    Image->LineTo(x + 5, y + 4);
    Image->MoveTo(x + 4, y - 4);
    Image->LineTo(x - 4, y + 4);
    Image->SetPenColor(colour);
    Image->SetPenStyle(style);
    MarkerDrawn = true;
}

// --- moving -----------------------------------------------------------------------------

bool TSpCurveZQ735::PointAtPixel(int32_t px, TCursorPoint& p)
{
    if (px <= Info.SplitPixel && Info.Seg1Count != 0)
        return Seg1->CursorAtPixel(px, p);
    if (!Seg2->CursorAtPixel(px, p))
        return false;
    p.Index += SplitIndex;
    return true;
}

bool TSpCurveZQ735::PointAtIndex(int32_t i, TCursorPoint& p)
{
    if (i <= SplitIndex && SplitIndex != 0)
        return Seg1->CursorAtIndex(i, p);
    if (!Seg2->CursorAtIndex(i - SplitIndex, p))
        return false;
    p.Index += SplitIndex;
    return true;
}

void TSpCurveZQ735::PutCursorAt(const TCursorPoint& p, bool notify)
{
    CursorIndex = p.Index;
    if (MarkerDrawn)
        RestoreMarker();
    SaveMarker(p.PixelX, p.PixelY);
    DrawMarker(p.PixelX, p.PixelY);
    if (notify && Owner != nullptr)
        Owner->CursorChanged(this, p.Index, p.X, p.Value);
}

void TSpCurveZQ735::MoveCursorToPixel(int32_t px)
{
    TCursorPoint p;
    if (CursorShown && PointAtPixel(px, p))
        PutCursorAt(p, true);
}

void TSpCurveZQ735::MoveCursorToIndex(int32_t i)
{
    TCursorPoint p;
    if (CursorShown && PointAtIndex(i, p))
        PutCursorAt(p, true);
}

int TSpCurveZQ735::ShowCursor(bool on)
{
    TLock lock(Mutex);
    if (Info.PointCount == 0)
        return -1;
    CursorShown = on;
    if (!MarkerDrawn) {
        TCursorPoint p;
        if (PointAtPixel(CursorPixelX, p))
            PutCursorAt(p, false);
    }
    if (on) {
        MoveCursorToPixel(CursorPixelX);
    } else if (MarkerDrawn) {
        if (Owner != nullptr)
            Owner->CursorChanged(nullptr, 0, 0.0f, 0.0f);
        RestoreMarker();
    }
    return 0;
}

// --- mouse and keys -----------------------------------------------------------------------

void TSpCurveZQ735::OnMouseDown(int button, int x)
{
    TLock lock(Mutex);
    if (button != 0)
        return;
    Dragging = true;
    if (CursorShown)
        MoveCursorToPixel(x);
}

void TSpCurveZQ735::OnMouseMove(int x)
{
    TLock lock(Mutex);
    if (Dragging && CursorShown)
        MoveCursorToPixel(x);
}

void TSpCurveZQ735::OnMouseUp(int button)
{
    TLock lock(Mutex);
    if (button == 0)
        Dragging = false;
}

void TSpCurveZQ735::OnKeyDown(int key)
{
    if (!CursorShown)
        return;
    TLock lock(Mutex);
    switch (key) {
        case VkPageUp:
            CursorStep = std::min(CursorStep + 1, MaxStep);
            break;
        case VkPageDown:
            CursorStep = std::max(CursorStep - 1, 1);
            break;
        case VkLeft:
            CursorIndex = std::max(CursorIndex - CursorStep, 0);
            MoveCursorToIndex(CursorIndex);
            break;
        case VkRight:
            CursorIndex += CursorStep;
            if (CursorIndex >= Info.PointCount)
                CursorIndex = std::max(Info.PointCount - 1, 0);
            MoveCursorToIndex(CursorIndex);
            break;
        case VkReturn:
            LabelPoint(true, CursorIndex);
            break;
        case VkSpace:
            LabelPoint(false, CursorIndex);
            break;
        case VkP:
            MarkPoint(CursorIndex);
            break;
        default:
            break;
    }
}

// --- labels and marks -------------------------------------------------------------------------

void TSpCurveZQ735::LabelPoint(bool above, int32_t i)
{
    if (i < 0 || i >= Info.PointCount)
        return;
    const TPointLabelStyle style =
        Owner != nullptr && Owner->PointLabelStyle ? Owner->PointLabelStyle() : TPointLabelStyle{};
    const float x = XAtIndex(i);
    const float value = Values[static_cast<std::size_t>(i)];
    // A time axis starts at 0, which has no wavelength.
    const double position = style.Wavelength ? (std::fabs(x) > 1e-7f ? 10000.0 / x : 0.0) : x;
    char text[96];
    if (style.ShowPosition && style.ShowValue)
        std::snprintf(text, sizeof text, "%1.2f,%1.4f", position, static_cast<double>(value));
    else if (style.ShowPosition)
        std::snprintf(text, sizeof text, "%1.2f", position);
    else if (style.ShowValue)
        std::snprintf(text, sizeof text, "%1.4f", static_cast<double>(value));
    else
        return;
    if (Image == nullptr)
        return;
    const int32_t px = PixelOfX(x);
    const int32_t py = PixelOfY(value);
    const QSize ext = Image->TextExtent(text);
    const int32_t w = ext.width(), h = ext.height();
    if (MarkerDrawn)
        RestoreMarker();
    Image->SetTextAngle(900);
    Image->DrawText(px - h / 2, above ? py - 1 : py + w + 1, text);
    Image->SetTextAngle(0);
    SaveMarker(px, py);
    DrawMarker(px, py);
}

void TSpCurveZQ735::MarkPoint(int32_t i)
{
    if (i < 0 || i >= Info.PointCount)
        return;
    const float x = XAtIndex(i);
    const float y = Values[static_cast<std::size_t>(i)];
    for (int k = 0; k < MarkCount; ++k) {
        if (!MarkSet[k]) {
            MarkX[k] = x;
            MarkY[k] = y;
            MarkSet[k] = true;
            return;
        }
    }
    // All three were taken: a new measurement begins with this point.
    for (int k = 0; k < MarkCount; ++k)
        MarkSet[k] = false;
    MarkX[0] = x;
    MarkY[0] = y;
    MarkSet[0] = true;
}

bool TSpCurveZQ735::PeakHeight(float& height)
{
    for (int k = 0; k < MarkCount; ++k)
        if (!MarkSet[k])
            return false;
    // By abscissa; of equal abscissas the earlier mark stays first.
    int order[3] = {0, 1, 2};
    std::stable_sort(order, order + 3, [this](int a, int b) { return MarkX[a] < MarkX[b]; });
    const float x[3] = {MarkX[order[0]], MarkX[order[1]], MarkX[order[2]]};
    const float y[3] = {MarkY[order[0]], MarkY[order[1]], MarkY[order[2]]};
    for (int k = 0; k < MarkCount; ++k)
        MarkSet[k] = false;
    if (std::fabs(x[2] - x[0]) <= 1e-7f)
        return false;
    height = y[1] - (y[0] + (y[2] - y[0]) * (x[1] - x[0]) / (x[2] - x[0]));
    return true;
}
