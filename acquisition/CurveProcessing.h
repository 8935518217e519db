#pragma once
// The processing operations that need a curve's measurement record as well as
// its values: the %T/Abs conversion (the record's Mode says which way, and is
// rewritten) and the arithmetic between two curves (their records must agree
// on range and speed). The window's commands and `zq735-cli process` call
// these same functions. Window thread only: they read and write the model's
// per-slot records.

#include "acquisition/MeasureParams.h"
#include "spectra/Processing.h"

class TApparaZQ735;
class TSpCurveZQ735;

// The operator's messages of these operations (UTF-8).
inline constexpr const char* kConvertRefusedText = "无法进行 透过率<-->吸光度 转换";
inline constexpr const char* kDivisorTooSmallText = "除数太小，不能进行运算";
inline constexpr const char* kRangesDifferText = "波数范围不一样\n或扫描速度不一样\n无法进行运算";
inline constexpr const char* kGridsDifferText = "两条谱线的数据点不在同一横坐标上\n无法进行运算";
inline constexpr const char* kOutOfRangeText = "运算结果超出数值范围\n无法进行运算";

// Converts the curve of `slot` from %T to Abs or back by its record's Mode,
// then flips Mode and the curve's ordinate title ("吸光度" / "透过率").
// False, with nothing changed, for a slot outside 0 ... 19, an empty slot or
// a curve that is neither %T nor Abs (energy spectra are never converted).
// No repaint.
bool ConvertSlotTA(TApparaZQ735& model, int slot);

// Converts every curve in ascending slot order. Stops at the first curve that
// cannot be converted and returns false: the curves before it stay converted
// and the view is left as it is. Otherwise fits the ordinate view to the
// current curve's new mode (FitViewToCurrentMode), repaints, announces the
// current slot (UM_CURVE_LIST 1) and returns true. False on an empty graph.
bool ConvertAllTA(TApparaZQ735& model);

// The ordinate view after a conversion: -2 ... 2 when the current curve is
// now in Abs, 0 ... 100 otherwise; nothing without a current curve.
void FitViewToCurrentMode(TApparaZQ735& model);

// The two curves of an arithmetic operation must be measured over the same
// range at the same speed.
bool SameScanRange(const TMeasureParams& a, const TMeasureParams& b);

// True when the two curves' points stand at the same abscissas (within a
// tenth of the first curve's smallest spacing), over the points both hold.
// Records can agree in range and speed while the points do not: an imported
// spectrum keeps the spacing of its file.
bool SameGrid(TSpCurveZQ735& a, TSpCurveZQ735& b);

// `first` op k. Returns null when done, or the refusal text, with nothing
// changed: a division by a constant of magnitude 1e-7 or less, or a result
// out of the range of the stored numbers (kOutOfRangeText: a value that
// overflows, or a curve that underflows to nothing but zeros). No repaint.
const char* ArithmeticWithConstant(TSpCurveZQ735& first, TArithmeticOp op, float k);

// The absorption expansion (ScaleAbsorption) with the same refusal of a
// result out of range; null when done (or when |k| <= 1e-6 leaves the curve
// alone).
const char* ExpandAbsorption(TSpCurveZQ735& curve, float k);

// `first` op `second` point by point (see CombineWithValues for points that
// have no partner or a zero divisor); the second curve is not changed and may
// be the first. Returns null when done, or with nothing changed
// kRangesDifferText when the records differ in XStart, XEnd or Speed,
// kGridsDifferText when the points lie at other abscissas (SameGrid), or
// kOutOfRangeText. No repaint. Each curve's lock is held only while its own
// values are read or written.
const char* ArithmeticWithCurve(TSpCurveZQ735& first, const TMeasureParams& firstParams,
                                TSpCurveZQ735& second, const TMeasureParams& secondParams, TArithmeticOp op);
