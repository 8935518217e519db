// The simulated optics judged by what the program makes of them: the two
// sums of each point, converted with the zero and full-scale references.

#include "tests/sim/ProgramSide.h"
#include "tests/sim/SimDriver.h"

#include <gtest/gtest.h>

using namespace simtest;
using programside::TConverter;

namespace {

class SimOptics : public ::testing::Test {
protected:
    struct TPoint {
        int32_t A = 0, B = 0;
    };

    // Places the motors as the program would for x (filter of the band, slit
    // program of the operator's slit setting) unless told otherwise.
    void Place(double x, int slit = 3, int shutter = 200)
    {
        d.M.SetPosition(TSimInstrument::Grating, programside::GratingSteps(x));
        d.M.SetPosition(TSimInstrument::Filter, programside::FilterPosition(x));
        d.M.SetPosition(TSimInstrument::Slit, programside::SlitPosition(x, slit));
        d.M.SetPosition(TSimInstrument::Shutter, shutter);
    }

    TPoint Acquire(int periods = 8)
    {
        const auto reply = d.Exchange(Word(0x94, static_cast<uint16_t>(periods)));
        const TSampleStream s = ReadSamples(reply, 3);
        EXPECT_EQ(s.Words.size(), static_cast<size_t>(periods) * 60);
        TPoint p;
        programside::PointSums(s.Words.data(), periods, p.A, p.B);
        return p;
    }

    // The program's calibration where the grating stands after a reset.
    void Calibrate(int slit = 3)
    {
        Place(4000, slit, 0);
        TPoint p = Acquire();
        conv.K = conv.Convert(p.A, p.B, 3);
        Place(4000, slit, 200);
        p = Acquire();
        conv.D = conv.Convert(p.A, p.B, 4);
    }

    float Read(double x, int slit = 3, int kind = 0)
    {
        Place(x, slit);
        const TPoint p = Acquire();
        return conv.Convert(p.A, p.B, kind);
    }

    static std::vector<double> Grid()
    {
        std::vector<double> xs;
        for (double x = 4000; x >= 400; x -= 10)
            xs.push_back(x);
        return xs;
    }

    TDriver d{AtSpeed(100)};
    TConverter conv;
};

}  // namespace

TEST_F(SimOptics, PointSumsAreTheOpticalSumsToTheNearestCount)
{
    // Whole samples cannot carry fractions; anything coarser than a count
    // would show in the transmittance of weak beams.
    for (const double x : {4000.0, 3017.4, 2000.0, 1203.0, 455.5}) {
        for (const int shutter : {0, 120, 200}) {
            SCOPED_TRACE(testing::Message() << x << " cm-1, shutter " << shutter);
            Place(x, 3, shutter);
            d.M.SetPosition(TSimInstrument::Grating, programside::GratingSteps(x));
            const TSimSums ideal = d.M.Optics().Sums(d.M.Beam());
            for (const int periods : {1, 8}) {
                const TPoint p = Acquire(periods);
                EXPECT_EQ(p.A, std::llround(ideal.A));
                EXPECT_NEAR(p.B, ideal.B, 1.0);
            }
        }
    }
}

TEST_F(SimOptics, AfterCalibrationTheOpenBeamReadsHundredAndTheShutterZero)
{
    for (const int slit : {1, 3}) {
        SCOPED_TRACE(slit);
        d.M.SetSample(BuiltinPolystyrene());
        conv = {};
        Calibrate(slit);
        EXPECT_NEAR(conv.K, TSimOptics::ZeroRatio, 0.01);
        EXPECT_NEAR(Read(4000, slit), 100.0, 0.5);
        EXPECT_GE(conv.LastEnergyPercent, 25);
        Place(4000, slit, 0);
        const TPoint shut = Acquire();
        EXPECT_NEAR(conv.Convert(shut.A, shut.B, 0), 0.0, 0.5);
    }
}

TEST_F(SimOptics, EmptyBeamDriftsByAFewPercentWithEnoughEnergyEverywhere)
{
    d.M.SetSample(EmptyBeam());
    for (const int slit : {1, 2, 3}) {
        SCOPED_TRACE(slit);
        conv = {};
        Calibrate(slit);
        float lo = 1000, hi = -1000, minEnergy = 1e9f;
        for (const double x : Grid()) {
            const float t = Read(x, slit);
            lo = std::min(lo, t);
            hi = std::max(hi, t);
            minEnergy = std::min(minEnergy, conv.LastEnergyPercent);
        }
        EXPECT_GT(hi - lo, 1.0f);
        EXPECT_LT(hi - lo, 8.0f);
        EXPECT_GT(lo, 92.0f);
        EXPECT_LT(hi, 108.0f);
        // The adaptive filter passes every reading unchanged.
        EXPECT_GE(minEnergy, 25.0f);
    }
}

TEST_F(SimOptics, HundredPercentBaselineFlattensTheBeamAndLeavesTheSampleTransmittance)
{
    const TSampleSpectrum film = BuiltinPolystyrene();
    for (const int slit : {2, 3}) {
        SCOPED_TRACE(slit);
        d.M.SetSample(EmptyBeam());
        conv = {};
        Calibrate(slit);
        std::vector<float> baseline;
        for (const double x : Grid())
            baseline.push_back(Read(x, slit));

        d.M.SetSample(film);
        size_t i = 0;
        double worst = 0;
        for (const double x : Grid()) {
            const float y = Read(x, slit);
            const double corrected = 100.0 * y / baseline[i++];
            worst = std::max(worst, std::abs(corrected - film.TransmittanceAt(x)));
        }
        EXPECT_LT(worst, 0.5);
    }
}

TEST_F(SimOptics, SingleBeamEnergyShowsTheSourceAndLosesLightToAWrongFilterOrAShutSlit)
{
    Calibrate();
    const float at4000 = Read(4000, 3, 2);
    const float at2200 = Read(2200, 3, 2);
    const float at400 = Read(400, 3, 2);
    EXPECT_GT(at2200, 1.5f * at4000);
    EXPECT_GT(at2200, 1.5f * at400);
    EXPECT_GT(at2200, 80.0f);
    EXPECT_LT(at2200, 130.0f);

    const float right = Read(1000, 3, 2);
    Place(1000);
    d.M.SetPosition(TSimInstrument::Filter, programside::FilterPosition(3000));
    TPoint p = Acquire();
    EXPECT_LT(conv.Convert(p.A, p.B, 2), right / 10);
    Place(1000);
    d.M.SetPosition(TSimInstrument::Filter, 215);  // between two filters: the wheel blocks
    p = Acquire();
    EXPECT_LT(conv.Convert(p.A, p.B, 2), right / 100);
    Place(1000);
    d.M.SetPosition(TSimInstrument::Slit, 0);
    p = Acquire();
    EXPECT_LT(conv.Convert(p.A, p.B, 2), right / 10);
}

TEST_F(SimOptics, ScanPointsBelongToTheStepsTheProgramCountsThemAt)
{
    // After a one-point acquisition at step p, point k of a scan is the one
    // the program files at p + k x steps per point.
    const int periods = 2, steps = 20, start = 9000;
    ASSERT_EQ(d.Exchange(Word(0x61, steps)).back(), 0xD1);
    ASSERT_EQ(d.Exchange(Word(0x63, periods)).back(), 0xD1);
    Place(2200);
    d.M.SetPosition(TSimInstrument::Grating, start);
    const auto reply = d.Exchange(Dword(0x90, 4));
    const TSampleStream s = ReadSamples(reply, 5);
    ASSERT_EQ(s.Words.size(), 4u * periods * 60);
    for (int k = 1; k <= 4; ++k) {
        SCOPED_TRACE(k);
        TPoint fromScan;
        programside::PointSums(s.Words.data() + (k - 1) * periods * 60, periods, fromScan.A, fromScan.B);
        d.M.SetPosition(TSimInstrument::Grating, start + k * steps);
        const TPoint here = Acquire(periods);
        EXPECT_EQ(fromScan.A, here.A);
        EXPECT_EQ(fromScan.B, here.B);
    }
}

TEST_F(SimOptics, NoiseScattersReadingsAroundTheQuietValue)
{
    TSimOptions o = AtSpeed(100);
    o.Noise = 60;
    TDriver noisy(o);
    Calibrate();
    const float quiet = Read(3000);
    std::swap(d.M, noisy.M);
    double sum = 0, sum2 = 0;
    const int n = 40;
    for (int i = 0; i < n; ++i) {
        Place(3000);
        const TPoint p = Acquire();
        conv.Prev = quiet;
        const double t = conv.Convert(p.A, p.B, 0);
        sum += t;
        sum2 += t * t;
    }
    const double mean = sum / n, sd = std::sqrt(std::max(0.0, sum2 / n - mean * mean));
    EXPECT_NEAR(mean, quiet, 0.5);
    EXPECT_GT(sd, 0.05);
    EXPECT_LT(sd, 2.0);
}
