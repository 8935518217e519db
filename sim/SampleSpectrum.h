#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// A sample placed in the simulated instrument's beam, as a transmittance curve.
struct TSampleSpectrum {
    std::vector<double> X;   // wavenumbers, cm-1, ascending after loading
    std::vector<double> T;   // transmittance in percent (0..100+), same length as X
    // Percent transmittance at a wavenumber: linear interpolation; 100 outside the data
    // (an empty spectrum = empty beam = 100 everywhere).
    double TransmittanceAt(double wavenumber) const;
};

// A polystyrene calibration film: baseline near 90-94 %T, the usual bands from 3082 to 540 cm-1,
// sampled every 0.5 cm-1 over 4000..400 cm-1.
TSampleSpectrum BuiltinPolystyrene();
TSampleSpectrum EmptyBeam();

// A KBr pellet holding `quartzMg` mg of quartz: the pellet's own gently
// sloping baseline and the quartz bands (the 798/779 cm-1 doublet, 694 cm-1
// and the strong Si-O bands near 1084 and 460 cm-1), each with an absorbance
// in proportion to the quartz amount. 0 gives the plain pellet.
inline constexpr double kMaxQuartzMg = 20.0;
TSampleSpectrum BuiltinQuartzPellet(double quartzMg);

// "quartz:MG" with MG a number from 0 to kMaxQuartzMg: true and the amount.
// False for any other text; `error` is set when the text is "quartz" or
// starts with "quartz:" but the amount is missing or out of range.
bool ParseQuartzSample(const std::string& source, double& quartzMg, std::string& error);

// Limits on what a sample file may hold; anything larger is refused before it is stored.
inline constexpr std::size_t kMaxSampleFileBytes = 64u * 1024u * 1024u;
inline constexpr std::size_t kMaxSamplePoints = 1000000;

// Reads a two-column text file or a JCAMP-DX file; on failure returns false and a message naming the line.
//
// Two-column text: wavenumber and transmittance per line, separated by blanks, tabs, commas or
// semicolons. Commas are decimal commas on a line that uses tabs or semicolons and has no '.'.
// Blank lines and lines starting with '#' or ';' are skipped anywhere; lines whose first field is not a
// number are taken as headers before the first data line and are errors after it. When every
// transmittance lies within -0.05..1.5 the column holds fractions and is scaled to percent.
//
// JCAMP-DX (the file's first line starts with "##"): ##XYDATA=(X++(Y..Y)) in plain numbers with
// ##FIRSTX, ##LASTX, ##NPOINTS (the count must match exactly), ##XFACTOR, ##YFACTOR; or
// ##PEAK TABLE= / ##XYPOINTS=(XY..XY). Ordinates in TRANSMITTANCE (fraction, or percent when some
// value exceeds 1.5) or ABSORBANCE. Compressed tables (SQZ/DIF/DUP) are refused.
//
// Both: abscissas may rise or fall but must be monotonic (a repeated abscissa is averaged);
// transmittances must lie within -10..1000 % and are clipped at 0; the data must reach into the
// instrument's 400..4000 cm-1.
bool LoadSampleSpectrum(const std::string& path, TSampleSpectrum& out, std::string& error);

// The same reader on text already in memory (the message then starts with "line N:").
bool ParseSampleSpectrum(std::string_view text, TSampleSpectrum& out, std::string& error);
