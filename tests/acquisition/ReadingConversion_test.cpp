#include "acquisition/ReadingConversion.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

TEST(ReadingConversion, WeakSignalIsPulledTowardThePreviousReading)
{
    TReadingConverter c;
    // h = 400, e = 200, t = 50, energy 0.742 % of full scale.
    EXPECT_NEAR(c.Convert(100, 300, KindTransmittance), 99.258f, 1e-3);
    EXPECT_NEAR(c.PrevValue, 99.258f, 1e-3);
}

TEST(ReadingConversion, StrongSignalPassesUnchanged)
{
    TReadingConverter c;
    // h = 2e6, e = 1e6: t = 50 with energy far above 25 %.
    EXPECT_FLOAT_EQ(c.Convert(500000, 1500000, KindTransmittance), 50.0f);
    EXPECT_FLOAT_EQ(c.Convert(500000, 1500000, KindAbsorbance), 2.0f - std::log10(50.0f));
    // t = 10 -> Abs 1.0
    EXPECT_NEAR(c.Convert(900000, 1100000, KindAbsorbance), 1.0f, 1e-6);
}

TEST(ReadingConversion, StrayLightCorrection)
{
    struct Case {
        int32_t a, b;  // sums giving t = 100 * (b - a) / (b + a) with K=1, D=100
        bool corr;
        float expected;
    } cases[] = {
        {977000, 1023000, true, 0.3f},    // t = 2.3
        {977000, 1023000, false, 2.3f},
        {982000, 1018000, true, 0.3f},    // t = 1.8
        {964000, 1036000, true, 3.6f},    // t = 3.6 stays
        {997000, 1003000, true, 0.3f},    // t = 0.3 stays
    };
    for (const Case& k : cases) {
        TReadingConverter c;
        c.StrayLightCorr = k.corr;
        EXPECT_NEAR(c.Convert(k.a, k.b, KindTransmittance), k.expected, 1e-3) << k.a << " " << k.corr;
    }
}

TEST(ReadingConversion, ReferencesAndDegenerateSums)
{
    TReadingConverter c;
    EXPECT_FLOAT_EQ(c.Convert(200, 300, KindZeroReference), 1.5f);
    EXPECT_FLOAT_EQ(c.Convert(0, 300, KindZeroReference), 1.0f);
    EXPECT_FLOAT_EQ(c.Convert(100, 300, KindFullReference), 200.0f);
    EXPECT_FLOAT_EQ(c.Convert(300, 300, KindFullReference), 100.0f);
    EXPECT_FLOAT_EQ(c.Convert(0, 0, KindTransmittance), 100.0f * (1 - 0.0f));  // h = 0 -> t = 0, pulled to 100
    EXPECT_FLOAT_EQ(c.Convert(1, 2, 7), 0.0f);

    // Calibration: shutter closed gives K so that the closed beam reads 0,
    // the open beam gives D so that it reads 100.
    TReadingConverter cal;
    cal.StoreReference(-400000, 800000, KindZeroReference);  // closed: B = 2A in magnitude
    EXPECT_FLOAT_EQ(cal.K, 2.0f);
    cal.StoreReference(500000, 3000000, KindFullReference);
    EXPECT_FLOAT_EQ(cal.D, 4000000.0f * 100.0f / 2000000.0f);
    EXPECT_NEAR(cal.Convert(500000, 3000000, KindTransmittance), 100.0f, 1e-3);
}

TEST(Smoother, LagsTwoPointsAndRepeatsTheFirst)
{
    TSmoother s;
    const float in[] = {1, 2, 3, 4, 5};
    const float expected[] = {1.171875f, 1.9140625f, 3.0f};
    int outs = 0;
    for (float x : in) {
        float y = 0;
        if (s.Push(x, y)) {
            EXPECT_FLOAT_EQ(y, expected[outs++]);
        }
    }
    EXPECT_EQ(outs, 3);
    s.Reset();
    float y = 0;
    EXPECT_FALSE(s.Push(9, y));
}

TEST(BaselineCorrection, DividesInTransmittanceTerms)
{
    EXPECT_FLOAT_EQ(CorrectByBaseline(40.0f, 80.0f, KindTransmittance), 50.0f);
    EXPECT_FLOAT_EQ(CorrectByBaseline(40.0f, 0.0f, KindTransmittance), 40.0f);
    // Abs 1 (10 %T) over an 80 % baseline: 12.5 %T.
    EXPECT_NEAR(CorrectByBaseline(1.0f, 80.0f, KindAbsorbance), 2.0f - std::log10(12.5f), 1e-5);
}

}  // namespace
