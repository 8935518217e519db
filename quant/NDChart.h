#pragma once
// The working-curve chart: a frame over the Abs range (across) and the mass
// range (up), the fitted line, the standards and the numbered samples. The
// same routines draw the window's picture and the printed page, on any
// surface, in that surface's pixels; circle sizes follow the device's
// resolution so a point is 1 mm in radius on screen and on paper.

#include "surface/SpImage.h"

#include <cstdint>

inline constexpr uint32_t kNDFrameColor = SpRgb(0, 0, 0);
inline constexpr uint32_t kNDLabelColor = SpRgb(128, 0, 0);
inline constexpr uint32_t kNDCurveColor = SpRgb(0, 128, 0);
inline constexpr uint32_t kNDStandardColor = SpRgb(255, 0, 0);
inline constexpr uint32_t kNDSampleColor = SpRgb(0, 0, 255);

// Value to pixel in `plot` (truncated toward zero; larger masses higher).
int32_t NDPixelX(const TSpRect& plot, float xMin, float xMax, float x);
int32_t NDPixelY(const TSpRect& plot, float yMin, float yMax, float y);

// Frame, ticks, dot grid and range labels inside `outer`; returns the frame
// and the rectangle values map into. Leaves the font colour dark red.
void DrawChartFrame(TSpImage& s, const TSpRect& outer, float xMin, float xMax, float yMin, float yMax,
                    TSpRect& frame, TSpRect& plot);

// A polyline through the points (lines) or a small circle at each.
void DrawCurveLine(TSpImage& s, float xMin, float xMax, float yMin, float yMax, const float* x, const float* y,
                   int count, const TSpRect& plot, uint32_t color, bool lines);

// A circle of 1 mm radius at (x, y) and, when shown, its number beside it:
// below the point in the left half of the plot, above it in the right half.
void DrawNumberedPoint(TSpImage& s, float xMin, float xMax, float yMin, float yMax, float x, float y, int number,
                       const TSpRect& plot, uint32_t color, bool showNumber);
