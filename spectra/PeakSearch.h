#pragma once
// Peaks and valleys of a run of values, and the width and area of a band.
// Plain functions of plain numbers; the curve's FindPeaks runs them on its
// visible range, and the peak table and `zq735-cli peaks` read their results
// through the curve, so the window and the command line see the same bands.

#include <cstdint>
#include <string>
#include <vector>

// One recorded extreme: its index, and the turning points on either side
// that the search measured its height against (minima around a peak, maxima
// around a valley).
struct TExtremum {
    int32_t Index = 0;
    int32_t Left = 0;
    int32_t Right = 0;
};

struct TExtremaFound {
    std::vector<TExtremum> Peaks;
    std::vector<TExtremum> Valleys;
};

// Searches v[start … end] (end included as the last neighbour) for peaks
// that rise at least `threshold` over both neighbouring minima and valleys
// that sink at least `threshold` under both neighbouring maxima, in the
// order found. At most peakCapacity peaks and valleyCapacity valleys are
// kept; further ones are found and dropped.
//
// A plateau counts once, at its first index: an extreme is only replaced by
// a strictly higher (lower) value. A band still open at the end of the range
// is not recorded, and neither is one whose flank lies outside the range.
// 50000 and 0 bound the tracked extremes: a curve whose minima lie above
// 50000 or whose maxima never rise above 0 shows no bands.
TExtremaFound SearchExtrema(const float* v, int32_t start, int32_t end, float threshold, int32_t peakCapacity,
                            int32_t valleyCapacity);

// Full width at half height and area of one band, both in abscissa units
// (the area in value x abscissa: absorbance x cm-1 for an absorption band).
struct TBandMetrics {
    float Fwhm = 0.0f;
    float Area = 0.0f;
};

// The band at e.Index between its turning points e.Left and e.Right, over the
// straight baseline through those two. x and y hold the abscissas and values
// of the whole curve. `valley` says which way the band points in y. With
// `transmittance` the values are %T: the band is measured on its absorbance
// (-log10(T/100), T floored at 1e-6 of full scale), where a %T valley is an
// absorbance peak. The area counts the band from where it rises above the
// baseline to where it falls back to it. A band that does not stand out from
// its baseline gives 0.
TBandMetrics BandMetrics(const float* x, const float* y, const TExtremum& e, bool valley, bool transmittance);

// The texts of the peak table and of the command line's peak list.
std::string PeakAbscissaText(float x);   // "%3.3f"
std::string PeakValueText(float value);  // "%3.1f"
std::string BandFwhmText(float fwhm);    // "%1.1f"
std::string BandAreaText(float area);    // "%1.3f"
