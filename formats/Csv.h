#pragma once
// CSV of spectra: a header row, one abscissa column, one column per spectrum,
// "." as the decimal point, fields separated by commas.
//
// The header names the abscissa with its unit ("wavenumber (cm-1)" or
// "time (s)") and each spectrum by its title and ordinate unit ("film (%T)",
// "(Abs)", "(SB)"). Spectra on the same abscissas share the one abscissa
// column; spectra on different ones are written as column pairs (abscissa,
// values) side by side, each with its own header, the shorter ones' cells
// left empty below their last point, so that every point is kept as it is.
// Ordinates are written with the fewest digits that give back the same
// 32-bit value.
//
// Reading takes commas, semicolons or tabs as separators, a header row or
// none, blank lines and '#' comments, rising or falling abscissas and empty
// cells, and the column pairs above (told by an abscissa header after the
// first pair); the units in the header decide the mode (else %T), and "%T" columns
// whose values all lie within 0..1.5 without a '%' are fractions.

#include <string>
#include <string_view>
#include <vector>

#include "formats/Spectrum.h"

std::string WriteCsv(const std::vector<TSpectrum>& spectra);

// Spectra from the text; nothing is returned unless the whole text is sound.
bool ReadCsv(std::string_view text, std::vector<TSpectrum>& out, std::string& error);
bool ReadCsvFile(const std::string& path, std::vector<TSpectrum>& out, std::string& error);

// The largest number of spectrum columns read.
inline constexpr std::size_t MaxCsvColumns = 64;
