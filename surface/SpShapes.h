#pragma once
// Shapes beyond the surface's own operations, drawn in its coordinates with
// its current pen and brush: the circles and dots of small charts.

#include <cstdint>

class TSpImage;

// Ellipse in the bounding box (x1, y1) .. (x2, y2), outlined with the pen and
// filled with the brush; like the platform's, the right column and bottom row
// are outside.
void SpEllipse(TSpImage& surface, int32_t x1, int32_t y1, int32_t x2, int32_t y2);

// One pixel in colour `color` (0x00BBGGRR).
void SpSetPixel(TSpImage& surface, int32_t x, int32_t y, uint32_t color);

// The device's pixels per inch (96 for a plain image).
int SpPixelsPerInchX(TSpImage& surface);
int SpPixelsPerInchY(TSpImage& surface);
