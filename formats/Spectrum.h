#pragma once
// A spectrum as the open formats see it: a title, the measurement record and
// the ordinates on one or more uniformly spaced abscissa runs. It is the
// common ground between the curves of the graph and the JCAMP-DX and CSV
// files, so that the window and zq735-cli read and write through the very
// same conversions.
//
// A wavenumber scan of this instrument changes its spacing at 2000 cm-1 (2
// cm-1 above, 1 cm-1 below): such a scan has two parts, and the second part
// starts with the point the first one ends with (the point at the split is
// measured once and shared).

#include <cstddef>
#include <string>
#include <vector>

#include "acquisition/MeasureParams.h"

struct TSpectrumPart {
    double FirstX = 0.0;
    double LastX = 0.0;
    std::vector<double> Y;

    // The abscissa of point i of this part (one point: FirstX).
    double XAt(std::size_t i) const
    {
        return Y.size() <= 1 ? FirstX : FirstX + (LastX - FirstX) * static_cast<double>(i) / (Y.size() - 1);
    }
};

struct TSpectrum {
    std::string Title;  // UTF-8
    // Mode: 0 %T (ordinates in percent), 1 absorbance, 2 single-beam energy.
    // ScanMode 2: the abscissa is time in seconds, otherwise wavenumber in cm-1.
    TMeasureParams Params;
    std::vector<TSpectrumPart> Parts;
    // "YYYY/MM/DD HH:MM:SS" of the measurement as a file gave it, or empty.
    std::string LongDate;

    bool TimeDrive() const { return Params.ScanMode == 2; }
    // Points counting the shared point between two parts once.
    std::size_t PointCount() const;
    // All points in order, the shared points once.
    void Flatten(std::vector<double>& x, std::vector<double>& y) const;
};

// The largest spectrum the readers accept (points); the instrument's finest
// scan has 18001.
inline constexpr std::size_t MaxSpectrumPoints = 1000000;
// Largest abscissa, in cm-1 or seconds, a spectrum may have to become a curve.
inline constexpr double MaxAbscissa = 1.0e6;

// Builds the parts of a spectrum from arbitrary points: runs of uniform
// spacing are found (at most two: a scan exported by this program), anything
// else is put on one uniform grid of as many points by linear interpolation.
// Abscissas must be strictly monotonic; false and a message otherwise.
bool PartsFromPoints(const std::vector<double>& x, const std::vector<double>& y,
                     std::vector<TSpectrumPart>& parts, std::string& error);

// Sets the record's abscissa range from the data (wavenumber: XStart the
// higher end, XEnd the lower; time: first and last), the time drive's
// length (ScanTime: its number of points, as the instrument's drives of one
// point a second have), and an ordinate range that shows the data in its mode.
void FillRangesFromData(TSpectrum& s);

// The largest magnitude of an ordinate: what a curve's 32-bit values hold.
inline constexpr double MaxOrdinate = 3.4e38;

// Linear interpolation inside the spectrum; false outside its abscissas.
bool SpectrumValueAt(const TSpectrum& s, double x, double& y);
