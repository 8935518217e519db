#pragma once
// The checks of the main window's range panel and of "波数检索".

#include <QString>

class QLineEdit;
class QWidget;

#include "acquisition/MeasureParams.h"

// The message for view ranges typed into the range panel under the
// parameters `p` (empty when they may be applied): the lines X range,
// Y range, Y order and X order joined by "\n", each empty unless its fault is
// present. The limits follow p: 0 ... ScanTime seconds for a time drive,
// else 400 ... 4000 cm-1; -4 ... 4 A in Abs mode, else -400 ... 400 %.
QString ApplyRangesMessage(const TMeasureParams& p, float xs, float xe, float ys, float ye);
// Reads the four range edits (x from, x to, y from, y to) and checks them
// as "应用" does: nothing happens while one is empty; a text that is no
// number gets the conversion error, bad ranges the combined message, on
// `parent`. True with `v` filled when the ranges may be applied.
bool ReadRangeEdits(QWidget* parent, const TMeasureParams& p, QLineEdit* const (&edits)[4], float (&v)[4]);
// The four-line range message shared by "应用" and the parameter dialog; they
// differ only in the text of the abscissa order, given for time drive and
// for wavenumber scans. Empty when the ranges are good.
QString RangeCheckMessage(const TMeasureParams& p, float xs, float xe, float ys, float ye,
                          const QString& timeDriveOrder, const QString& scanOrder);

// The wavenumbers "波数检索" accepts, and what it says about the others.
inline constexpr float kGotoMax = 4000.0f;
inline constexpr float kGotoMin = 400.0f;
bool GotoTargetValid(float x);
QString GotoRangeMessage();
