#include "acquisition/InstrumentGeometry.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(SlitProgram, InterpolatesBreakpointsRoundingHalfUp)
{
    const int32_t* t1 = SlitProgramOf(1);
    EXPECT_EQ(t1[0], 34800);
    EXPECT_EQ(t1[15], 31800);
    EXPECT_EQ(t1[16], 31668);
    EXPECT_EQ(t1[17], 31536);
    EXPECT_EQ(t1[18], 31405);
    EXPECT_EQ(t1[926], 4002);
    EXPECT_EQ(t1[927], 3999);
    EXPECT_EQ(t1[928], 0);

    const int32_t* t0 = SlitProgramOf(0);
    EXPECT_EQ(t0[0], 34680);
    EXPECT_EQ(t0[9], 31800);
    EXPECT_EQ(t0[556], 3999);
    for (int i = 557; i < SlitProgramSize; ++i)
        ASSERT_EQ(t0[i], 0) << i;
    for (int i = 1; i < SlitProgramSize; ++i) {
        ASSERT_LE(t0[i], t0[i - 1]) << i;
        ASSERT_LE(t1[i], t1[i - 1]) << i;
    }
}

TEST(Geometry, PointsBetween)
{
    struct Case {
        float from, to;
        int s, n, upper, lower;
    } cases[] = {
        {4000, 400, 10, 2600, 1001, 1601},  // speed 2
        {4000, 400, 20, 1300, 501, 801},    // speed 1
        {4000, 2000, 10, 1000, 1001, 0},
        {2000, 400, 10, 1600, 0, 1601},
        {2100, 1900, 10, 150, 51, 101},
        {1000, 1000, 10, 0, 0, 0},
        {400, 4000, 10, 0, 0, 0},  // rising range
        // Ranges from damaged files: no step count holds them.
        {4.0e9f, 500, 10, 0, 0, 0},
        {3.0e38f, 2500, 10, 0, 0, 0},
        {INFINITY, 400, 10, 0, 0, 0},
        {1000, -3.0e38f, 10, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const TPointCounts r = PointsBetween(c.from, c.to, 5, 10, c.s);
        EXPECT_EQ(r.N, c.n) << c.from << "->" << c.to;
        EXPECT_EQ(r.Upper, c.upper) << c.from << "->" << c.to;
        EXPECT_EQ(r.Lower, c.lower) << c.from << "->" << c.to;
    }
}

TEST(Geometry, BandsFiltersAndSteps)
{
    EXPECT_EQ(BandLowerBound(4000), 2175);
    EXPECT_EQ(BandLowerBound(2175), 1200);
    EXPECT_EQ(BandLowerBound(1200), 700);
    EXPECT_EQ(BandLowerBound(700), 400);
    EXPECT_EQ(BandLowerBound(400), 0);
    EXPECT_EQ(BandLowerBound(4000.5f), 0);
    EXPECT_EQ(FilterBand(2175.0f), 2);
    EXPECT_EQ(FilterBand(2175.5f), 1);
    EXPECT_EQ(FilterBand(700.0f), 4);

    EXPECT_FLOAT_EQ(WavenumberAtSteps(10000, 5, 10), 2000.0f);
    EXPECT_FLOAT_EQ(WavenumberAtSteps(11000, 5, 10), 1900.0f);
    EXPECT_FLOAT_EQ(WavenumberAtSteps(0, 5, 10), 4000.0f);
    EXPECT_EQ(GratingStepsTo(2500, 0, 5, 10, 4000), 7500);
    EXPECT_EQ(GratingStepsTo(1500, 0, 5, 10, 4000), 15000);
    EXPECT_EQ(GratingStepsTo(4000, 15000, 5, 10, 4000), -15000);

    EXPECT_EQ(StepsPerPoint(0), 40);
    EXPECT_EQ(StepsPerPoint(4), 2);
    EXPECT_EQ(PeriodsPerPoint(3), 8);
    EXPECT_EQ(SlitCode(0), 15);
    EXPECT_EQ(SlitCode(5), 3);
}

TEST(Geometry, SlitIndexAndSegmentEnds)
{
    const int32_t* t = SlitProgramOf(1);
    EXPECT_EQ(SlitIndex(5000.0f, t), 0);  // above the table
    EXPECT_EQ(SlitIndex(300.0f, t), 927);  // below its last non-zero entry
    // An entry equal to the wavenumber yields the index after it.
    EXPECT_EQ(SlitIndex(3180.0f, t), 16);
    EXPECT_FLOAT_EQ(SlitBreak(3180.0f, t), 3166.8f);
    // Between entries 15 (31800) and 16 (31668): the step that applies next.
    EXPECT_EQ(SlitIndex(3170.0f, t), 16);

    // A segment ends at the first of view end, band border, slit step.
    EXPECT_FLOAT_EQ(SegmentEnd(2180.0f, 400.0f, t), 2177.3f);  // the slit step comes first
    EXPECT_FLOAT_EQ(SegmentEnd(2175.2f, 400.0f, t), 2175.0f);  // the band border comes first
    const float e = SegmentEnd(3170.0f, 400.0f, t);
    EXPECT_FLOAT_EQ(e, 3166.8f);
    EXPECT_FLOAT_EQ(SegmentEnd(450.0f, 600.0f, t), 600.0f);

    // Speed 2 (10 steps a point): 2 cm-1 above 2000, 1 cm-1 below.
    EXPECT_FLOAT_EQ(NextPointX(4000.0f, 5, 10, 10, 400.0f), 3998.0f);
    EXPECT_FLOAT_EQ(NextPointX(2000.0f, 5, 10, 10, 400.0f), 1999.0f);
    EXPECT_FLOAT_EQ(NextPointX(401.0f, 5, 10, 10, 400.5f), 400.5f);
}

}  // namespace
