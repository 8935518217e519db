#pragma once
// The instrument's fixed geometry: grating steps per wavenumber, filter bands,
// slit widths and the slit program, and the conversions between wavenumbers,
// motor steps and point counts that the task engine plans scans with.
// Plain data plus free functions; all arithmetic in single precision with
// truncation toward zero, as the instrument's own firmware counts steps.

#include <cstdint>

// Rows of one motor type. Variants are data, not branches.
struct TMotorRows {
    int Filter[5];   // [0] reset travel; [1..4] positions for the four bands
    int Slit[6];     // [0] reset travel; [1..5] width offset for Slit 1..5
    int Shutter[3];  // [0] shutter travel
    int MaxSlit;     // cap of the slit's step position
};

constexpr int SlitProgramSize = 929;

// Motor type 0 (imported motors) or 1 (domestic); anything else reads as 1.
const TMotorRows& MotorRowsOf(int motorType);
// Wavenumber x 10 down to which each slit step applies, non-increasing.
const int32_t* SlitProgramOf(int motorType);

// Steps per data point by Speed 0..4, periods per point by Response 0..3,
// slit code by Slit 0..5 (0 reads as 1).
int StepsPerPoint(int speed);
int PeriodsPerPoint(int response);
int SlitCode(int slit);

struct TPointCounts {
    int N = 0;      // point intervals between the two ends
    int Upper = 0;  // points at and above 2000 cm-1
    int Lower = 0;  // points below 2000 cm-1
};

// a, b: grating steps per cm-1 at/above and below 2000 cm-1; s: steps per point.
TPointCounts PointsBetween(float from, float to, int a, int b, int s);
// Lower border of the filter band x lies in; 0 outside 400..4000.
float BandLowerBound(float x);
int SlitIndex(float x, const int32_t* program);
float SlitBreak(float x, const int32_t* program);
// Where a scan segment starting at x must end: at the view's end, the band
// border or the slit program step, whichever comes first.
float SegmentEnd(float x, float viewTo, const int32_t* program);
// The abscissa of the point after x, never beyond the view's end.
float NextPointX(float x, int a, int b, int s, float viewTo);
// Wavenumber of a grating step position counted from the 4000 cm-1 reference.
float WavenumberAtSteps(int position, int a, int b);
// Signed steps that bring the grating from `position` to x (rounded as the
// go-to command does: truncated, plus one when the cut-off part exceeds 0.9).
int GratingStepsTo(float x, int position, int a, int b, int maxX);
int FilterBand(float x);
