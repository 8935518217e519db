#pragma once
// From a point's two demodulated sums to a reading, and the five-point
// smoothing every scan point passes through. Worker-thread only.

#include <cstdint>

enum TReadingKind : uint8_t {
    KindTransmittance = 0,
    KindAbsorbance = 1,
    KindEnergy = 2,
    KindZeroReference = 3,
    KindFullReference = 4,
};

struct TReadingConverter {
    float K = 1.0f;    // zero coefficient, renewed by every calibration
    float D = 100.0f;  // full-scale coefficient
    bool StrayLightCorr = true;
    // Shared by every %T and Abs conversion of the program: the adaptive
    // filter pulls weak readings toward the previous one, whatever curve it
    // belonged to.
    float PrevValue = 100.0f;

    float Convert(int32_t a, int32_t b, uint8_t kind);
    // Kind 3 renews K, kind 4 renews D; other kinds change nothing.
    void StoreReference(int32_t a, int32_t b, uint8_t kind);
};

// Five-point smoothing (-22, 88, 124, 88, -22)/256 with a lag of two points:
// the first output is centred on the first input with that input repeated to
// its left. Push returns true when an output is ready.
struct TSmoother {
    float W[5] = {0, 0, 0, 0, 0};
    int Count = 0;

    void Reset() { Count = 0; }
    bool Push(float x, float& y);
};

// Divides a value by a baseline value r (percent), in the ordinate's own terms:
// absorbance is turned back into transmittance for the division.
float CorrectByBaseline(float y, float r, uint8_t mode);

// Whether `n` values can divide readings as a 100 % baseline: at least one,
// each finite and above zero.
bool HundredValuesUsable(const float* values, int n);
