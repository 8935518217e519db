// The built-in quartz pellet: bands in proportion to the amount, and the
// "quartz:MG" form of the sample option.

#include "sim/SampleSpectrum.h"
#include "sim/SimPtyHost.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

double Absorbance(const TSampleSpectrum& s, const TSampleSpectrum& pellet, double x)
{
    return -std::log10(s.TransmittanceAt(x) / pellet.TransmittanceAt(x));
}

TEST(QuartzSample, BandsGrowInProportionToTheQuartz)
{
    const TSampleSpectrum pellet = BuiltinQuartzPellet(0);
    const TSampleSpectrum one = BuiltinQuartzPellet(1);
    const TSampleSpectrum three = BuiltinQuartzPellet(3);
    EXPECT_NEAR(pellet.TransmittanceAt(400), 95.0, 1e-9);
    EXPECT_NEAR(pellet.TransmittanceAt(4000), 88.0, 1e-9);
    for (double band : {798.0, 779.0, 694.0}) {
        const double a = Absorbance(one, pellet, band);
        EXPECT_GT(a, 0.02) << band;
        EXPECT_NEAR(Absorbance(three, pellet, band), 3 * a, 1e-9) << band;
    }
    // The doublet: two minima with a maximum between them.
    EXPECT_LT(one.TransmittanceAt(798), one.TransmittanceAt(789));
    EXPECT_LT(one.TransmittanceAt(779), one.TransmittanceAt(789));
    // Far from the quartz bands only their faint tails remain.
    EXPECT_LT(Absorbance(three, pellet, 2500), 1e-3);
}

TEST(QuartzSample, OptionTakesAnAmountFromZeroToTwenty)
{
    TSampleSpectrum s;
    std::string error;
    EXPECT_TRUE(TSimPtyHost::LoadSample("quartz:2.5", s, error)) << error;
    EXPECT_NEAR(s.TransmittanceAt(798), BuiltinQuartzPellet(2.5).TransmittanceAt(798), 1e-9);
    for (const char* bad : {"quartz", "quartz:", "quartz:-1", "quartz:21", "quartz:1mg", "quartz:nan"}) {
        error.clear();
        EXPECT_FALSE(TSimPtyHost::LoadSample(bad, s, error)) << bad;
        EXPECT_NE(error.find("quartz:MG"), std::string::npos) << bad;
    }
    // A file whose name starts with "quartz" is still a file.
    error.clear();
    double mg = 0;
    EXPECT_FALSE(ParseQuartzSample("quartz.csv", mg, error));
    EXPECT_TRUE(error.empty());
}

}  // namespace
