#include "formats/Csv.h"
#include "formats/Jcamp.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const std::string Data = std::string(ZQ735_TEST_DATA) + "/formats/";

TEST(Csv, TwoSpectraOnDifferentGridsRoundTrip)
{
    TSpectrum a, b;
    a.Title = "film, \"thin\"";
    a.Parts = {{4000, 2000, {}}, {2000, 400, {}}};
    for (int i = 0; i < 1001; ++i)
        a.Parts[0].Y.push_back(90.0f + static_cast<float>(i) / 7.0f);
    a.Parts[1].Y.push_back(a.Parts[0].Y.back());
    for (int i = 1; i < 1601; ++i)
        a.Parts[1].Y.push_back(50.0f - static_cast<float>(i) / 3.0f);
    b.Title = "abs";
    b.Params.Mode = 1;
    b.Parts = {{3000, 1000, {}}};
    for (int i = 0; i < 11; ++i)
        b.Parts[0].Y.push_back(0.1 * i);

    const std::string text = WriteCsv({a, b});
    EXPECT_EQ(text.substr(0, text.find('\n')), "wavenumber (cm-1),\"film, \"\"thin\"\" (%T)\",abs (Abs)");
    std::vector<TSpectrum> back;
    std::string error;
    ASSERT_TRUE(ReadCsv(text, back, error)) << error;
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].Title, a.Title);
    EXPECT_EQ(back[0].Params.Mode, 0);
    EXPECT_EQ(back[1].Params.Mode, 1);
    // The first spectrum's two spacings come back as its two parts, every value as it was stored.
    ASSERT_EQ(back[0].Parts.size(), 2u);
    EXPECT_DOUBLE_EQ(back[0].Parts[0].LastX, 2000);
    for (size_t k = 0; k < 2; ++k)
        for (size_t i = 0; i < a.Parts[k].Y.size(); ++i)
            ASSERT_EQ(static_cast<float>(back[0].Parts[k].Y[i]), static_cast<float>(a.Parts[k].Y[i])) << i;
    // The second is read at the first one's abscissas inside its own range.
    ASSERT_EQ(back[1].Parts.size(), 2u);
    EXPECT_DOUBLE_EQ(back[1].Parts[0].FirstX, 3000);
    EXPECT_DOUBLE_EQ(back[1].Parts[1].LastX, 1000);
    double v = 0;
    ASSERT_TRUE(SpectrumValueAt(back[1], 2500, v));
    EXPECT_NEAR(v, 0.25, 1e-6);
}

TEST(Csv, ReadsOtherProgramsFiles)
{
    struct TCase {
        const char* Text;
        int Mode;
        double FirstY;
        size_t Points;
    };
    const TCase cases[] = {
        // Fractions of transmittance become percent; semicolons; a comment and a blank line.
        {"# from elsewhere\nWavenumber;Transmittance\n400;0.5\n\n401;0.25\n402;0.125\n", 0, 50, 3},
        {"x\tAbsorbance\r\n1000\t0.5\r\n999\t0.6\r\n", 1, 0.5, 2},
        // No header at all: %T.
        {"1000,95\n999,94\n998,93\n", 0, 95, 3},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Text);
        std::vector<TSpectrum> out;
        std::string error;
        ASSERT_TRUE(ReadCsv(c.Text, out, error)) << error;
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0].Params.Mode, c.Mode);
        EXPECT_EQ(out[0].PointCount(), c.Points);
        EXPECT_NEAR(out[0].Parts[0].Y[0], c.FirstY, 1e-9);
    }
}

TEST(Csv, HostileTextsAreRefusedNamingTheLine)
{
    std::vector<TSpectrum> out;
    std::string error;
    EXPECT_FALSE(ReadCsvFile(Data + "hostile/garbage.csv", out, error));
    EXPECT_NE(error.find("line 3:"), std::string::npos) << error;

    std::string huge = "x,y\n1,2\n3,";
    huge += std::string(10u << 20, '4');
    EXPECT_FALSE(ReadCsv(huge, out, error));
    EXPECT_NE(error.find("line 3:"), std::string::npos) << error;

    EXPECT_FALSE(ReadCsv("x,y\n1,2\n1,3\n", out, error));   // abscissa repeated
    EXPECT_FALSE(ReadCsv("x,y\n1,2,3\n", out, error));      // more fields than the header
    EXPECT_NE(error.find("line 2:"), std::string::npos) << error;
    EXPECT_FALSE(ReadCsv("only a header\n", out, error));
    EXPECT_TRUE(out.empty());
}

}  // namespace
