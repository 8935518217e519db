#pragma once
// The abstract owner of spectrum curves. The graph derives from it; a curve
// only ever talks to its owner through these three operations, so spectra/
// never needs to know the plot classes above it.

#include <cstdint>
#include <functional>

class TSpCurveZQ735;
class TSpImage;

// What a point label of the read cursor shows (the measurement-parameter
// dialog's choices): the position (as wavelength, 10000/x, when asked), the
// value, or both.
struct TPointLabelStyle {
    bool ShowPosition = true;
    bool ShowValue = true;
    bool Wavelength = false;
};

class TSpCurveOwner {
public:
    virtual ~TSpCurveOwner() = default;

    // Repaint the axes and every attached curve. Every data-changing
    // operation of an owned curve ends with this call.
    virtual void CurveChanged() = 0;
    // Put a curve into a free slot and push the owner's rectangles, limits,
    // view and split pixel into it. Returns the slot, or a negative number.
    virtual int AttachCurve(TSpCurveZQ735* curve) = 0;
    // Show the read-out for the cursor position; a null curve clears it.
    virtual void CursorChanged(TSpCurveZQ735* curve, int index, float x, float value) = 0;

    // Handed on to every surface the curves create; never used for drawing.
    void* OwnerHandle = nullptr;
    // The surface the curves draw on (not owned by the curves).
    TSpImage* Image = nullptr;

    int32_t PlotLeft = 0, PlotRight = 0, PlotTop = 0, PlotBottom = 0;
    int32_t FrameLeft = 0, FrameRight = 0, FrameTop = 0, FrameBottom = 0;
    float XLimitMin = 0.0f, XLimitMax = 0.0f, YLimitMin = 0.0f, YLimitMax = 0.0f;
    float XViewFrom = 0.0f, XViewTo = 0.0f, YViewFrom = 0.0f, YViewTo = 0.0f;
    // Number of curves attached (non-empty slots).
    int32_t CurveCount = 0;
    // Asked each time a curve labels a point; unset: position and value.
    std::function<TPointLabelStyle()> PointLabelStyle;
};
