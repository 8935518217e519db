#include "quant/NDBandHeight.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// A falling abscissa (as scans run) with a band of absorbance 0.3 at 798 on a
// sloping absorbance baseline.
void Spectrum(bool percentT, std::vector<float>& x, std::vector<float>& y)
{
    for (float w = 850; w >= 700; w -= 1) {
        const double base = 0.05 + 0.001 * (w - 700);
        const double band = 0.3 * std::exp(-std::pow((w - 798) / 6.0, 2.0));
        const double a = base + band;
        x.push_back(w);
        y.push_back(static_cast<float>(percentT ? 100.0 * std::pow(10.0, -a) : a));
    }
}

TEST(NDBandHeight, SameHeightFromPercentTAndAbsorbance)
{
    for (bool percentT : {true, false}) {
        std::vector<float> x, y;
        Spectrum(percentT, x, y);
        float h = 0;
        ASSERT_EQ(NDBandHeight(x, y, !percentT, TNDBandPlaces{}, h), NDBandOk);
        EXPECT_NEAR(h, 0.3f, 2e-4f) << percentT;
    }
    std::vector<float> x, y;
    Spectrum(true, x, y);
    float h = 0;
    TNDBandPlaces outside;
    outside.Base2 = 650;
    EXPECT_EQ(NDBandHeight(x, y, false, outside, h), NDBandOutside);
    TNDBandPlaces same;
    same.Base2 = same.Base1;
    EXPECT_EQ(NDBandHeight(x, y, false, same, h), NDBandBadSpec);
    y[48] = 0;  // 802 cm-1 ... the band point interpolates from a dark reading
    y[52] = 0;
    EXPECT_EQ(NDBandHeight(x, y, false, TNDBandPlaces{}, h), NDBandNoLight);
}

}  // namespace
