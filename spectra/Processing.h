#pragma once
// The in-place operations on a curve's values: ordinate conversion between
// transmittance and absorbance, absorption expansion, the 7-point smoothing,
// the first difference, and point-by-point arithmetic. The window's commands
// and `zq735-cli process` both call these, so a spectrum processed by hand and
// one processed by a script come out bit for bit the same.
//
// The array forms (…Values) touch nothing but the array. The curve forms
// take the curve's lock for their whole run and ask the owner to repaint
// after the lock is released, as every data-changing curve operation does.

#include <cstdint>

class TSpCurveZQ735;

// --- ordinate conversion ---------------------------------------------------

// %T -> Abs: 2 - log10(v) for v > 1e-6, else exactly 4.0 (a zero, negative
// or vanishing transmittance has no logarithm; 4.0 is as dark as the
// instrument reads). Abs -> %T: 10^(2 - a). Worked in double precision.
void TransmittanceToAbsorbance(float* v, int32_t n);
void AbsorbanceToTransmittance(float* v, int32_t n);

// Divides every stored value by k; |k| <= 1e-6 leaves the curve alone and
// nobody is told.
void ScaleAbsorption(TSpCurveZQ735& curve, float k);

// --- smoothing and derivative ------------------------------------------------

// One forward pass of the 7-point quadratic kernel (-2 3 6 7 6 3 -2)/21: the
// left neighbours are the values already smoothed, the right ones still raw
// (the last four points see the last raw value on their right). The result
// is therefore not symmetric about a spike, which is how the instrument's
// spectra have always been smoothed.
void SmoothValues(float* v, int32_t n);
// The unscaled difference: v[i+1] - v[i-1] inside, one-sided at both ends
// (0 for a single point). No division by the step or by 2.
void DifferentiateValues(float* v, int32_t n);

// The curve forms; an empty curve is left alone and no repaint is asked.
void Smooth(TSpCurveZQ735& curve);
void Differentiate(TSpCurveZQ735& curve);

// --- arithmetic ---------------------------------------------------------------

enum TArithmeticOp : int { ArithAdd = 0, ArithSub = 1, ArithMul = 2, ArithDiv = 3 };

// Below this a divisor counts as zero.
inline constexpr float kArithmeticZero = 1e-7f;

// a[i] = a[i] op k for every i. The caller has refused a divisor near zero.
void CombineWithConstant(float* a, int32_t n, TArithmeticOp op, float k);
// a[i] = a[i] op b[i] for i < min(na, nb): the points of a beyond the second
// curve's end have no partner and keep their values. A divisor point with
// magnitude below 1e-7 leaves a[i] as it was. a and b may be the same array.
void CombineWithValues(float* a, int32_t na, const float* b, int32_t nb, TArithmeticOp op);
