#pragma once
// The spectrum graph's geometry as plain functions of plain numbers: the
// frame and plot rectangles, the pixel column of the scale change, and where
// the axis labels and grid lines go. The graph draws what these compute, and
// the tests check them without a surface.
//
// The abscissa has two linear segments meeting at the split value (2000 cm-1
// in wavenumber scans): the part of the view above the split is drawn at half
// the pixel density of the part below it, matching the instrument's 2 cm-1
// steps above 2000 cm-1 and 1 cm-1 below.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct TGraphLayout {
    int32_t FrameLeft = 0, FrameRight = 0, FrameTop = 0, FrameBottom = 0;
    int32_t PlotLeft = 0, PlotRight = 0, PlotTop = 0, PlotBottom = 0;
    int32_t ReadoutX = 0, ReadoutY = 0;
};

// Frame and plot rectangles of a w x h surface whose sample label
// ("000000.00") measures cx x cy: one label width on the left for the
// ordinate labels, half a label width on the right, one text line above and
// five below (abscissa labels and the read-out line); the plot area lies one
// text line inside the frame at top and bottom.
TGraphLayout ComputeGraphLayout(int32_t w, int32_t h, int32_t cx, int32_t cy);

// Pixel column of splitX for the view xFrom -> xTo on [plotLeft, plotRight].
// A split outside the view moves to the nearer end. Single precision, as the
// curves map their values with the same numbers.
int32_t GraphSplitPixel(float splitX, float xFrom, float xTo, int32_t plotLeft, int32_t plotRight);

// What the axis drawing needs to know.
struct TAxisGeometry {
    int32_t FrameLeft = 0, FrameRight = 0, FrameTop = 0, FrameBottom = 0;
    int32_t PlotLeft = 0, PlotRight = 0, PlotTop = 0, PlotBottom = 0;
    int32_t SplitPixel = 0;
    float SplitX = 0.0f;
    float XFrom = 0.0f, XTo = 0.0f, YFrom = 0.0f, YTo = 0.0f;
};

struct TTextExtent {
    int32_t W = 0;
    int32_t H = 0;
};
// Extent of a text in the font the labels are drawn with.
using TMeasureText = std::function<TTextExtent(const std::string&)>;

struct TAxisLabel {
    float Value = 0.0f;
    int32_t X = 0, Y = 0;  // top-left corner of the label
    int32_t W = 0, H = 0;  // its measured extent
    // Grid labels: the column (abscissa) or row (ordinate) of the grid line
    // drawn with the label. End labels: -1.
    int32_t Line = -1;
    bool Vertical = true;  // grid line runs vertically (abscissa label)
};

struct TAxisPlan {
    // Bold end labels: abscissa start, abscissa end, the split value when it
    // fits between them, ordinate start, ordinate end.
    std::vector<TAxisLabel> Ends;
    // Grid labels with their dotted grid lines (empty without grid).
    std::vector<TAxisLabel> Grid;
};

// Label positions of both axes. Abscissa labels are measured with one
// decimal ("%1.1f"), ordinate labels with two ("%1.2f"). Grid cells are about
// one and a half abscissa label widths wide and three text heights tall, and
// a label (with its grid line) is left out whenever it would come within the
// width of "00" of its neighbour or of an end or split label, so no two
// labels ever overlap. `endFont` measures the bold end labels, `gridFont`
// the regular grid labels.
TAxisPlan PlanGraphAxes(const TAxisGeometry& g, bool showGrid, const TMeasureText& endFont,
                        const TMeasureText& gridFont);

// "%1.1f" and "%1.2f" of a float, the texts the labels are measured by.
std::string FormatFixed1(float v);
std::string FormatFixed2(float v);
