#pragma once
// The quantitative printout: a heading with the title and the date, the
// working-curve chart (6 cm square) with the relation and the correlation,
// and/or the table of the window, continued on further pages under "<续表>"
// with its header repeated. Positions are computed from the device's
// resolution, so the layout has the same physical size on any printer.

#include <QString>

class QPagedPaintDevice;
class TNDTable;

// Prints on an open document of `printer` (a printer, or a PDF writer; begin
// and end are done here).
// `dateTime` is the text shown on every page; empty: the current local time.
// Returns the number of pages printed (0 when the printer could not start).
int PrintCurveReport(QPagedPaintDevice& printer, const TNDTable& table, bool printCurve, bool printData,
                     const QString& dateTime = QString());
