#pragma once
// JCAMP-DX 4.24 for infrared spectra.
//
// Writing: one block per uniformly spaced part, ##XYDATA=(X++(Y..Y)) in lines
// of at most 80 characters, ordinates as integers times ##YFACTOR (eight
// significant digits: every ordinate is within YFACTOR/2 of the value
// written), abscissas as integers times ##XFACTOR. A two-part wavenumber scan
// becomes a compound file: a link block (##BLOCKS=2) holding one block per
// part, the point at the split written in both; the link block's private
// label ##$SEGMENTS=2 tells this reader to join them again. Transmittance is
// written as a fraction, absorbance as is, single-beam energy in arbitrary
// units; the measurement record goes into private labels (##$...).
//
// Reading: AFFN and the compressed forms (SQZ, DIF, DUP, with the DIF
// Y-check), `$$` comments, ##XFACTOR/##YFACTOR, rising or falling
// abscissas, transmittance as a fraction or in percent, absorbance; compound
// files give every infrared block (the parts written above joined again);
// any line ending. A file is read whole into memory first and refused with a
// message naming the line when it breaks a limit or the format: nothing is
// returned from a file that is not read to its end.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "formats/Spectrum.h"

enum class TJcampForm { Affn, DifDup };

struct TJcampWriteOptions {
    TJcampForm Form = TJcampForm::DifDup;
    std::string LongDate;  // "YYYY/MM/DD HH:MM:SS", or empty when unknown
};

std::string WriteJcamp(const TSpectrum& s, const TJcampWriteOptions& options = {});
// Several spectra in one compound file: a link block whose data blocks carry
// the private label ##$CURVE=k (k from 1) of the spectrum they belong to; one
// spectrum is written as above.
std::string WriteJcamp(const std::vector<TSpectrum>& spectra, const TJcampWriteOptions& options = {});
bool WriteJcampFile(const std::string& path, const TSpectrum& s, const TJcampWriteOptions& options,
                    std::string& error);

// Limits a text file must keep to be read at all.
inline constexpr std::size_t MaxTextFileBytes = 64u << 20;
inline constexpr std::size_t MaxTextLineBytes = 256u << 10;

// Every spectrum of the file: each infrared block, the parts of one scan
// (##$SEGMENTS=) joined, the blocks of one curve (##$CURVE=) joined.
bool ReadJcampAll(std::string_view text, std::vector<TSpectrum>& out, std::string& error);
bool ReadJcampAllFile(const std::string& path, std::vector<TSpectrum>& out, std::string& error);
// The first spectrum of the file.
bool ReadJcamp(std::string_view text, TSpectrum& out, std::string& error);
bool ReadJcampFile(const std::string& path, TSpectrum& out, std::string& error);

// A text file, whole, within MaxTextFileBytes; false and a message otherwise.
bool ReadTextFile(const std::string& path, std::string& text, std::string& error);
