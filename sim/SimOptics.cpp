#include "sim/SimOptics.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double SecondRadiation = 1.4388;  // cm K
constexpr double SourceTemperature = 1200;  // K
constexpr double SourcePeak = 2.821439 * SourceTemperature / SecondRadiation;

double GreyBody(double x)
{
    if (x <= 0)
        return 0;
    return x * x * x / std::expm1(SecondRadiation * x / SourceTemperature);
}

// Positions of the four band filters on the wheel: the positions the program
// drives to for the bands above 2175, 2175-1200, 1200-700 and below 700 cm-1.
struct TFilter {
    int Position;
    double Low;   // pass band, cm-1; 0 / 1e9 for an open side
    double High;
    double Imbalance;  // small beam imbalance this filter adds
};
constexpr TFilter Filters[] = {
    {0, 2175 * 0.96, 1e9, 0.0},
    {143, 1200 * 0.96, 2175 * 1.04, 0.004},
    {287, 700 * 0.96, 1200 * 1.04, -0.003},
    {430, 0, 700 * 1.04, 0.005},
};
constexpr double FilterPeak = 0.85;
constexpr double FilterLeak = 0.02;       // a wrong filter still lets this much through
constexpr double FilterAperture = 35;     // steps off centre with the full aperture
constexpr double FilterWeb = 65;          // steps off centre where the wheel blocks

const TFilter& NearestFilter(int position, double* offCentre)
{
    const TFilter* best = &Filters[0];
    for (const TFilter& f : Filters)
        if (std::abs(position - f.Position) < std::abs(position - best->Position))
            best = &f;
    *offCentre = std::abs(position - best->Position);
    return *best;
}

double Logistic(double u) { return 1.0 / (1.0 + std::exp(-u)); }

std::array<int8_t, 60> MakeWeights(std::initializer_list<std::pair<int, int>> plus)
{
    std::array<int8_t, 60> w{};
    w.fill(-1);
    for (const auto& [from, to] : plus)
        for (int i = from; i <= to; ++i)
            w[static_cast<size_t>(i)] = 1;
    return w;
}

}  // namespace

TSimOptics::TSimOptics() : FSample(BuiltinPolystyrene()) {}

double TSimOptics::SourceProfile(double x)
{
    // Two gratings (or orders) meet at 2000 cm-1, each with its own blaze.
    const double blaze = x >= 2000 ? 3000 : 750;
    const double l = std::log2(std::max(x, 1.0) / blaze);
    const double grating = std::max(0.3, 1.0 - 0.2 * l * l);
    return GreyBody(x) / GreyBody(SourcePeak) * grating;
}

double TSimOptics::FilterTransmission(double x, int position)
{
    double off = 0;
    const TFilter& f = NearestFilter(position, &off);
    double aperture = 1;
    if (off >= FilterWeb)
        aperture = 0;
    else if (off > FilterAperture)
        aperture = (FilterWeb - off) / (FilterWeb - FilterAperture);
    const double edge = 0.006 * std::max(x, 1.0);
    const double band = Logistic((x - f.Low) / edge) * Logistic((f.High - x) / edge);
    return aperture * (FilterLeak + (FilterPeak - FilterLeak) * band);
}

double TSimOptics::SlitFactor(int position)
{
    return (std::max(position, 0) + SlitLeak) / SlitReference;
}

double TSimOptics::ShutterOpening(int position)
{
    // The blade covers the sample beam for the first 20 steps and clears it
    // over the last 20 of its 200.
    return std::clamp((position - 20) / 160.0, 0.0, 1.0);
}

double TSimOptics::Imbalance(const TSimBeam& beam)
{
    const double x = beam.Wavenumber;
    double off = 0;
    const TFilter& f = NearestFilter(beam.FilterPosition, &off);
    const double width = std::max(beam.SlitPosition, 0) + SlitLeak;
    return 1.0 - 0.025 * (4000 - x) / 3600 + 0.008 * std::sin(x / 300) + f.Imbalance +
           0.004 * (width - SlitReference) / SlitReference;
}

double TSimOptics::Reference(const TSimBeam& beam) const
{
    return Scale * SourceProfile(beam.Wavenumber) * FilterTransmission(beam.Wavenumber, beam.FilterPosition) *
           SlitFactor(beam.SlitPosition);
}

TSimSums TSimOptics::Sums(const TSimBeam& beam) const
{
    const double b0 = Reference(beam);
    const double t = std::max(FSample.TransmittanceAt(beam.Wavenumber), 0.0) / 100.0;
    const double s = SampleShare * b0 * Imbalance(beam) * t * ShutterOpening(beam.ShutterPosition);
    return {b0 / ZeroRatio + s, b0 - ZeroRatio * s};
}

const std::array<int8_t, 60>& TSimOptics::WeightA()
{
    static const auto w = MakeWeights({{0, 5}, {36, 59}});
    return w;
}

const std::array<int8_t, 60>& TSimOptics::WeightB()
{
    static const auto w = MakeWeights({{0, 3}, {19, 33}, {49, 59}});
    return w;
}

std::array<int32_t, 60> TSimOptics::PeriodLevels(const TSimSums& sums)
{
    long long ta = std::llround(sums.A), tb = std::llround(sums.B);
    if ((ta + tb) % 2 != 0)
        tb += sums.B > static_cast<double>(tb) ? 1 : -1;
    // The samples fall in four classes of 15 by the signs of their two
    // weights; u[c] is what class c adds to its 15 baseline levels.
    //   A = u0 + u1 - u2 - u3,  B = u0 - u1 + u2 - u3
    const long long x = (ta + tb) / 2, y = (ta - tb) / 2;
    auto half = [](long long v) { return v >= 0 ? (v + 1) / 2 : -((-v) / 2); };
    long long u[4];
    u[0] = half(x);
    u[3] = u[0] - x;
    u[1] = half(y);
    u[2] = u[1] - y;

    std::array<int32_t, 60> levels{};
    int seen[4] = {};
    for (size_t i = 0; i < 60; ++i) {
        const int c = (WeightA()[i] > 0 ? 0 : 2) + (WeightB()[i] > 0 ? 0 : 1);
        const long long base = u[c] >= 0 ? u[c] / 15 : -((-u[c] + 14) / 15);
        const long long extra = u[c] - 15 * base;  // 0..14 samples of the class get one more
        levels[i] = static_cast<int32_t>(Baseline + base + (seen[c]++ < extra ? 1 : 0));
    }
    return levels;
}

uint16_t TSimOptics::ToWord(double level)
{
    const double v = std::clamp(std::round(level), 0.0, 65535.0);
    const auto w = static_cast<uint16_t>(v);
    return w == 0xD0D0 ? uint16_t{0xD0D1} : w;
}
