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
// Measured is false for an extreme that is no absorption band (a %T maximum
// is the gap between two bands): it has neither.
struct TBandMetrics {
    float Fwhm = 0.0f;
    float Area = 0.0f;
    bool Measured = false;
};

// Which list of a search holds the absorption bands, and on what they are
// measured: the valleys of a %T spectrum (on their absorbance), the peaks of
// an Abs spectrum. A single-beam spectrum, a time drive or any other curve
// has no absorbance scale: no bands are measured.
enum class TAbsorptionBands { None, TransmittanceValleys, AbsorbancePeaks };
// From a curve's record: its Mode (0 %T, 1 Abs, 2 single beam) and whether
// it is a time drive.
TAbsorptionBands AbsorptionBandsOf(int mode, bool timeDrive);

// The units of the two figures, for every table that shows them.
inline constexpr const char* kBandFwhmUnit = "cm-1";
inline constexpr const char* kBandAreaUnit = "Abs·cm-1";

// The turning points around the extreme at `index` of v[0 … n−1], on the
// whole curve whatever part of it was searched: the nearest maxima on either
// side of a valley, minima of a peak. Flat stretches are crossed the way the
// search crosses them (the left point is the last of a flat top before the
// band, the right one the last of the flat top after it), so a band the
// search saw whole gets the same points, and a band that starts at a maximum
// it shares with the band before, or beyond the edge of the view, gets its
// own.
TExtremum TurningPointsOf(const float* v, int32_t n, int32_t index, bool valley);

// The band at e.Index between its turning points e.Left and e.Right, over the
// straight baseline through those two. x and y hold the abscissas and values
// of the whole curve. `valley` says which way the band points in y. With
// `transmittance` the values are %T: the band is measured on its absorbance
// (-log10(T/100), T floored at 1e-6 of full scale), where a %T valley is an
// absorbance peak. The area counts the band from where it rises above the
// baseline to where it falls back to it. A band that does not stand out from
// its baseline gives 0 (and is Measured).
TBandMetrics BandMetrics(const float* x, const float* y, const TExtremum& e, bool valley, bool transmittance);

// The texts of the peak table and of the command line's peak list.
std::string PeakAbscissaText(float x);   // "%3.3f"
std::string PeakValueText(float value);  // "%3.1f"
std::string BandFwhmText(float fwhm);    // "%1.1f"
std::string BandAreaText(float area);    // "%1.3f"
// The same of a band, empty when it was not measured.
std::string BandFwhmText(const TBandMetrics& band);
std::string BandAreaText(const TBandMetrics& band);
