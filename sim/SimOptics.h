#pragma once
// The light path of the simulated instrument, as far as the program can see
// it through the two demodulated sums of each data point.
//
// The detector sees a chopped signal with two parts. The reference part,
// B0 = Scale x S(x) x G(x) x F(x) x W, carries the energy that reaches the
// detector: S the source (a 1300 K grey body), G the grating efficiency (two
// blazes, one per side of the 2000 cm-1 change), F the transmission of the
// filter wheel (band filters whose pass bands overlap a little, a leak of 2 %
// when the wrong one stands in the beam, the opaque wheel between filters)
// and W the slit width (the jaws are never fully shut: W0 steps at the stop).
// The sample part, s = Share x B0 x g x T x O, is what the sample beam adds:
// T the sample's transmittance, O how far the zero shutter leaves the beam
// open, and g an imbalance between the beams that creeps by a few percent
// with wavenumber, with the filter in use and with the slit width.
//
// Per chopper period the sums are  A = B0 / K0 + s  and  B = B0 - K0 x s,
// so that the program's zero reference (sample beam shut: s = 0) finds
// K = B / A = K0, its energy K A + B is 2 B0 whatever the sample, and its
// transmittance D (B - K A) / (K A + B) is D K0 Share g T: proportional to
// g T, which the full-scale reference then scales to 100 at the calibration
// point. The source, grating, filter and slit thus show in the energy only,
// while the imbalance g gives the empty beam its small tilt, which a 100 %
// baseline taken with the same settings divides out.

#include "sim/SampleSpectrum.h"

#include <array>
#include <cstdint>

struct TSimBeam {
    double Wavenumber = 4000;  // where the grating stands, cm-1
    int FilterPosition = 0;    // steps of the four motors
    int SlitPosition = 0;
    int ShutterPosition = 200;
};

// Sums of one chopper period (60 samples), before the program divides by
// the period count.
struct TSimSums {
    double A = 0;
    double B = 0;
};

class TSimOptics {
public:
    static constexpr double ZeroRatio = 1.25;   // K0
    static constexpr double SampleShare = 0.5;  // sample part per unit of reference part
    static constexpr double Scale = 24400;      // puts the default slit's energy at about 100 % at its peak
    static constexpr double SlitLeak = 20;      // W0: width left at the slit's stop, steps
    static constexpr double SlitReference = 250;
    static constexpr int SamplesPerPeriod = 60;
    static constexpr double Baseline = 32768;   // detector level the chopped signal rides on

    TSimOptics();

    void SetSample(TSampleSpectrum sample) { FSample = std::move(sample); }
    const TSampleSpectrum& Sample() const { return FSample; }

    // Source x grating, 1 at its brightest.
    static double SourceProfile(double x);
    // Transmission of whatever part of the filter wheel stands at `position`.
    static double FilterTransmission(double x, int position);
    static double SlitFactor(int position);
    static double ShutterOpening(int position);
    static double Imbalance(const TSimBeam& beam);

    double Reference(const TSimBeam& beam) const;  // B0
    TSimSums Sums(const TSimBeam& beam) const;

    // The +1/-1 weights the program's two sums give each sample of a period.
    static const std::array<int8_t, SamplesPerPeriod>& WeightA();
    static const std::array<int8_t, SamplesPerPeriod>& WeightB();
    // The 60 detector levels of one period, whole numbers whose weighted
    // sums give back A and B rounded (B to the same parity as A, as any whole
    // samples must). The two weightings are orthogonal and balanced, so each
    // level is the baseline plus a share of A and of B; rounding every level
    // on its own would cost up to 15 counts per sum, so the remainders are
    // spread over the samples instead.
    static std::array<int32_t, SamplesPerPeriod> PeriodLevels(const TSimSums& sums);
    // A level as the 16-bit converter delivers it: clamped to 0..65535 and
    // never 0xD0D0, which the program would take for the end of a stream.
    static uint16_t ToWord(double level);

private:
    TSampleSpectrum FSample;
};
