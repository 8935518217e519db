#include "formats/Csv.h"

#include <gtest/gtest.h>

#include <cmath>

#include "formats/Jcamp.h"

namespace {

const std::string Data = std::string(ZQ735_TEST_DATA) + "/formats/";

// Spectra on different abscissas are written as column pairs and come back
// point for point, each on its own grid; spectra on one grid share a column.
TEST(Csv, SpectraOnDifferentGridsKeepEveryPoint)
{
    TSpectrum a, b;
    a.Title = "film, \"thin\"";
    a.Parts = {{4000, 2000, {}}, {2000, 400, {}}};
    for (int i = 0; i < 1001; ++i)
        a.Parts[0].Y.push_back(90.0f + static_cast<float>(i) / 7.0f);
    a.Parts[1].Y.push_back(a.Parts[0].Y.back());
    for (int i = 1; i < 1601; ++i)
        a.Parts[1].Y.push_back(50.0f - static_cast<float>(i) / 3.0f);
    // Longer than the first spectrum's range at its low end, on a grid of its own.
    b.Title = "abs";
    b.Params.Mode = 1;
    b.Parts = {{3000, 300, {}}};
    for (int i = 0; i < 2701; ++i)
        b.Parts[0].Y.push_back(static_cast<float>(0.001 * i));

    const std::string text = WriteCsv({a, b});
    EXPECT_EQ(text.substr(0, text.find('\n')),
              "wavenumber (cm-1),\"film, \"\"thin\"\" (%T)\",wavenumber (cm-1),abs (Abs)");
    std::vector<TSpectrum> back;
    std::string error;
    ASSERT_TRUE(ReadCsv(text, back, error)) << error;
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].Title, a.Title);
    EXPECT_EQ(back[1].Title, "abs");
    EXPECT_EQ(back[0].Params.Mode, 0);
    EXPECT_EQ(back[1].Params.Mode, 1);
    for (const auto& [original, read] : {std::pair{&a, &back[0]}, std::pair{&b, &back[1]}}) {
        ASSERT_EQ(read->Parts.size(), original->Parts.size());
        for (size_t k = 0; k < original->Parts.size(); ++k) {
            EXPECT_DOUBLE_EQ(read->Parts[k].FirstX, original->Parts[k].FirstX);
            EXPECT_DOUBLE_EQ(read->Parts[k].LastX, original->Parts[k].LastX);
            ASSERT_EQ(read->Parts[k].Y.size(), original->Parts[k].Y.size());
            for (size_t i = 0; i < original->Parts[k].Y.size(); ++i)
                ASSERT_EQ(static_cast<float>(read->Parts[k].Y[i]),
                          static_cast<float>(original->Parts[k].Y[i]))
                    << i;
        }
    }

    // Two spectra on one grid: one abscissa column, as a single spectrum has.
    TSpectrum c = a;
    c.Title = "copy";
    const std::string shared = WriteCsv({a, c});
    EXPECT_EQ(shared.substr(0, shared.find('\n')), "wavenumber (cm-1),\"film, \"\"thin\"\" (%T)\",copy (%T)");
    ASSERT_TRUE(ReadCsv(shared, back, error)) << error;
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[1].PointCount(), a.PointCount());
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

    EXPECT_FALSE(ReadCsv("x,y\n1,2\n1,3\n", out, error));  // abscissa repeated
    EXPECT_FALSE(ReadCsv("x,y\n1,2,3\n", out, error));     // more fields than the header
    EXPECT_NE(error.find("line 2:"), std::string::npos) << error;
    EXPECT_FALSE(ReadCsv("only a header\n", out, error));
    // Beyond what a curve's 32-bit values hold.
    EXPECT_FALSE(ReadCsv("x,y\n1,2\n2,1e39\n", out, error));
    EXPECT_NE(error.find("line 3:"), std::string::npos) << error;
    // A pair's values without their abscissa.
    EXPECT_FALSE(ReadCsv("time (s),a (%T),time (s),b (%T)\n0,1,0,2\n1,1,,2\n", out, error));
    EXPECT_NE(error.find("line 3:"), std::string::npos) << error;
    EXPECT_TRUE(out.empty());
}

}  // namespace
