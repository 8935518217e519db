#pragma once
// Spectra in and out of the graph: the one place where the window and
// zq735-cli turn curves into open-format files and files into curves.

#include <string>
#include <vector>

#include "acquisition/ApparaZQ735.h"
#include "formats/Jcamp.h"
#include "formats/Spectrum.h"

class TSpCurveZQ735;

// A curve as a spectrum: its values on the abscissas of its segments, with
// the measurement record of its slot.
TSpectrum SpectrumOfCurve(TSpCurveZQ735& curve, const TMeasureParams& params);

// The graph's spectra in slot order; slot >= 0: that slot's alone (none when
// it is empty).
std::vector<TSpectrum> SpectraOfModel(TApparaZQ735& model, int slot = -1);

// "YYYY/MM/DD HH:MM:SS", or empty while the date is not set (or no date).
std::string LongDateOf(const TScanDateTime& date);
// The date of such a text; not set (all -1) unless it is a date.
TScanDateTime ScanDateOfLongDate(const std::string& text);

enum class TFileKind { SpectrumFile, Jcamp, Csv };
// By the name's extension (.ir; .jdx, .dx, .jcamp; .csv, .txt); other names
// by their first bytes.
TFileKind FileKindOf(const std::string& path);

// The spectra of a JCAMP-DX or CSV file (every spectrum it holds); nothing
// unless the whole file is sound.
bool ReadSpectraFile(const std::string& path, std::vector<TSpectrum>& out, std::string& error);

// Adds each spectrum as a curve in a free slot of the graph, with the
// measurement record derived from the file. When the graph was empty its view
// is set to the first spectrum's ranges. A spectrum on a grid the curve
// cannot hold as it is (spacing that does not meet the 2000 cm-1 split at a
// point) is put on the nearest grid that does, by linear interpolation;
// missing values are interpolated from their neighbours. Nothing is added
// unless there are slots for all and a spectrum file can hold every one
// (points, ranges): what is imported can be saved and read back. Window
// thread.
bool AddSpectraToModel(TApparaZQ735& model, const std::vector<TSpectrum>& spectra, std::string& error,
                       std::vector<int>* addedSlots = nullptr);

// Every curve (slot < 0) or one as JCAMP-DX text: one curve as a file of
// its own, several as one compound file; false when there is none.
bool ExportJcampText(TApparaZQ735& model, int slot, const TScanDateTime& date, std::string& text,
                     std::string& error, TJcampForm form = TJcampForm::DifDup);
// Every curve (slot < 0) or one as CSV text.
bool ExportCsvText(TApparaZQ735& model, int slot, std::string& text, std::string& error);
// Writes text to a file, replacing it.
bool WriteTextFile(const std::string& path, const std::string& text, std::string& error);
