#pragma once
// One drawable segment of a spectrum curve. A wavenumber curve has two: the
// part above the scale change and the part below it. Each maps value index,
// abscissa and pixel for its own part of the plot, and draws its values
// either completely or only those added since the last drawing.
//
// A segment has no lock: it is only reached through its curve, under the
// curve's mutex.

#include "spectra/CurveInfo.h"
#include "spectra/SpTimeDrive.h"

#include <cstdint>
#include <vector>

class TSpImage;

// A stored point under the read cursor: its array index (of the segment, or
// of the curve once the caller has added the split index), abscissa, value
// and pixel.
struct TCursorPoint {
    int32_t Index = 0;
    float X = 0.0f;
    float Value = 0.0f;
    int32_t PixelX = 0;
    int32_t PixelY = 0;
};

class TSpCurveBase {
public:
    // Defaults, then the info's frame and plot rectangles, then Assign(info,
    // data). Draws nothing. See Assign for `data`.
    TSpCurveBase(TSpImage* image, const TCurveInfo& info, float* data = nullptr);
    virtual ~TSpCurveBase() = default;
    TSpCurveBase(const TSpCurveBase&) = delete;
    TSpCurveBase& operator=(const TSpCurveBase&) = delete;

    // Called whenever drawing has to start again from the first value.
    virtual void OnRestart() {}
    // Full redraw of the values inside the view.
    virtual void Draw();
    // Stores n values and draws them at once.
    virtual void AppendAndDraw(const float* values, int32_t n);
    // Draws the values added since the last drawing.
    virtual void DrawNew();
    virtual void Redraw() { Draw(); }

    // Configuration from the first 204 bytes of a descriptor. With `data`
    // not null and info.PointCount 0 the segment views `data` (a slice of
    // its curve's array, never freed here); otherwise it owns a buffer of
    // info.Capacity values, filled from `data` when info.PointCount > 0.
    void Assign(const TCurveInfo& info, float* data = nullptr);
    // Rectangles from the info, Assign, then Draw.
    void Reconfigure(const TCurveInfo& info, float* data = nullptr);

    // Rectangles given reversed are put in order.
    void SetPlotRect(int32_t left, int32_t right, int32_t top, int32_t bottom);
    void SetFrameRect(int32_t left, int32_t right, int32_t top, int32_t bottom);
    // Each pair is put in ascending order.
    void SetLimits(float xMin, float xMax, float yMin, float yMax);
    // Each value is clamped into the limits; from/to keep their order.
    void SetViewRange(float xFrom, float xTo, float yFrom, float yTo);
    void SetDataRange(float xFrom, float xTo, float yFrom, float yTo);
    // The owner graph's frame columns: the ends of the time axis in time
    // drive. The segment's own frame is only part of the graph's.
    void SetGraphFrame(int32_t left, int32_t right);

    void Clear();
    // Stores n values after the last one. When they do not fit, the segment
    // starts again from index 0 (see the definition).
    void AppendPoints(const float* values, int32_t n);

    // Coordinate mappings. The one-argument forms follow the time drive in
    // force (SpCurrentTimeAxis); the others take it explicitly (null: the
    // segment's own ranges), for callers that map many values in one pass.
    float PixelToX(int32_t px) const;
    float PixelToY(int32_t py) const;
    float IndexToX(int32_t i) const;
    int32_t XToIndex(float x) const;
    int32_t XToPixel(float x) const;
    int32_t YToPixel(float y) const;

    float PixelToX(int32_t px, const TSpTimeAxis* td) const;
    float IndexToX(int32_t i, const TSpTimeAxis* td) const;
    int32_t XToIndex(float x, const TSpTimeAxis* td) const;
    int32_t XToPixel(float x, const TSpTimeAxis* td) const;

    // The read cursor's point under a pixel column, or at an index (clamped
    // into the stored values; a point beyond the view stops at its edge).
    // False when the segment holds no values.
    bool CursorAtPixel(int32_t px, TCursorPoint& p) const;
    bool CursorAtIndex(int32_t i, TCursorPoint& p) const;

    // Values at or beyond this magnitude get no computed row (see YToPixel).
    static constexpr float HugeValue = 1.0e6f;

    // --- fields ---------------------------------------------------------
    TSpImage* Image = nullptr;   // not owned

    // GBK texts; not drawn.
    char Name[20];
    char XTitle[20];
    char YTitle[20];
    char XUnit[20];
    char YUnit[20];

    float* Data = nullptr;       // a slice of the curve's array, or Owned
    bool OwnsData = false;
    int32_t Count = 0;           // values stored
    int32_t DrawnCount = 0;      // values already drawn
    int32_t Capacity = 0;
    int32_t Reserved1 = 0;
    int32_t Reserved2 = 0;

    int32_t PlotLeft = 0, PlotRight = 0, PlotTop = 0, PlotBottom = 0;
    int32_t FrameLeft = 0, FrameRight = 0, FrameTop = 0, FrameBottom = 0;

    float XLimitMin = 0.0f, XLimitMax = 0.0f, YLimitMin = 0.0f, YLimitMax = 0.0f;
    float XViewFrom = 0.0f, XViewTo = 0.0f, YViewFrom = 0.0f, YViewTo = 0.0f;
    float XDataFrom = 0.0f, XDataTo = 0.0f, YDataFrom = 0.0f, YDataTo = 0.0f;

    uint32_t Color = 0x00FF0000u;

    int32_t PenX = 0, PenY = 0;  // last pixel drawn to

    int32_t GraphFrameLeft = 0, GraphFrameRight = 0;

private:
    // Pen, lines and time labels of one pass.
    void BeginPen();
    void DrawTimeLabels();
    bool InView(float x, float lo, float hi) const { return x >= lo && x <= hi; }
    // Column of each index 0 .. Count - 1 in the wavenumber view, OutOfView
    // for an abscissa outside [lo, hi].
    static constexpr int32_t OutOfView = INT32_MIN;
    const std::vector<int32_t>& ViewColumns(float lo, float hi) const;

    std::vector<float> FOwned;
};
