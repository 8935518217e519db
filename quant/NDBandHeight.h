#pragma once
// The absorbance of a band read from a measured spectrum: its height above a
// straight baseline drawn between two wavenumbers on either side, in
// absorbance whatever the spectrum's ordinate (%T is converted point by
// point first). For quartz in a KBr pellet the band is the 798 cm-1 one, with
// the baseline from 820 to 760 cm-1 under the 798/779 doublet.

#include <vector>

class TSpCurveZQ735;

struct TNDBandPlaces {
    float Band = 798.0f;
    float Base1 = 820.0f;
    float Base2 = 760.0f;
};

enum : int {
    NDBandOk = 0,
    NDBandOutside = -1,   // a wavenumber lies outside the spectrum's points
    NDBandBadSpec = -2,   // the two baseline wavenumbers coincide
    NDBandNoLight = -3,   // a transmittance of 0 or below at one of the wavenumbers
};

// x: abscissas (rising or falling), y: ordinates, in %T or (absorbance) Abs.
int NDBandHeight(const std::vector<float>& x, const std::vector<float>& y, bool absorbance,
                 const TNDBandPlaces& places, float& height);

// The points of a spectrum on the graph and whether its ordinate is
// absorbance. False when the curve holds fewer than two points or is neither
// a transmittance nor an absorbance spectrum (energy, derivatives).
bool NDCurveSamples(TSpCurveZQ735& curve, std::vector<float>& x, std::vector<float>& y, bool& absorbance);
