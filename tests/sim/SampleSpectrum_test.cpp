#include "sim/SampleSpectrum.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

using ::testing::HasSubstr;

namespace {

std::string Sample(const std::string& name)
{
    return std::string(ZQ735_TEST_DATA) + "/samples/" + name;
}

struct TProbe {
    double X;
    double T;
};

// ---------------------------------------------------------------------------------------------

TEST(SampleSpectrum, InterpolatesInsideAndPassesTheFullBeamOutside)
{
    TSampleSpectrum s;
    s.X = {1000.0, 2000.0, 3000.0};
    s.T = {10.0, 50.0, 30.0};
    EXPECT_DOUBLE_EQ(s.TransmittanceAt(1000.0), 10.0);
    EXPECT_DOUBLE_EQ(s.TransmittanceAt(1500.0), 30.0);
    EXPECT_DOUBLE_EQ(s.TransmittanceAt(2750.0), 35.0);
    EXPECT_DOUBLE_EQ(s.TransmittanceAt(3000.0), 30.0);
    EXPECT_DOUBLE_EQ(s.TransmittanceAt(999.9), 100.0);
    EXPECT_DOUBLE_EQ(s.TransmittanceAt(3000.1), 100.0);

    const TSampleSpectrum empty = EmptyBeam();
    EXPECT_TRUE(empty.X.empty());
    for (double x : {400.0, 1234.5, 4000.0})
        EXPECT_DOUBLE_EQ(empty.TransmittanceAt(x), 100.0);
}

TEST(SampleSpectrum, BuiltinFilmCoversTheRangeWithAFlatBaseline)
{
    const TSampleSpectrum s = BuiltinPolystyrene();
    ASSERT_EQ(s.X.size(), s.T.size());
    EXPECT_DOUBLE_EQ(s.X.front(), 400.0);
    EXPECT_DOUBLE_EQ(s.X.back(), 4000.0);
    for (size_t i = 1; i < s.X.size(); ++i)
        ASSERT_LE(s.X[i] - s.X[i - 1], 0.5 + 1e-9);
    EXPECT_TRUE(std::is_sorted(s.X.begin(), s.X.end()));
    // Band-free stretches sit on the film's baseline.
    for (double x : {3900.0, 3600.0, 2600.0, 2200.0, 1300.0}) {
        EXPECT_GT(s.TransmittanceAt(x), 97.0) << x;
        EXPECT_LE(s.TransmittanceAt(x), 99.6) << x;
    }
}

TEST(SampleSpectrum, BuiltinFilmHasEachBandAsAValleyAtItsCentre)
{
    enum EDepth { Strong, Moderate, Weak };
    struct TBand {
        int Centre;
        EDepth Depth;
    };
    const TBand bands[] = {
        {3060, Moderate}, {3027, Strong},   {2924, Strong},   {2850, Moderate}, {1943, Weak},
        {1601, Moderate}, {1583, Weak},     {1493, Strong},   {1452, Strong},   {1154, Weak},
        {1028, Moderate}, {907, Moderate},  {757, Strong},    {698, Strong},
    };
    const TSampleSpectrum s = BuiltinPolystyrene();
    for (const TBand& b : bands) {
        SCOPED_TRACE(b.Centre);
        // What a scan at 1 cm-1 steps would see around the band.
        int lowest = b.Centre;
        for (int x = b.Centre - 8; x <= b.Centre + 8; ++x)
            if (s.TransmittanceAt(x) < s.TransmittanceAt(lowest))
                lowest = x;
        EXPECT_LE(std::abs(lowest - b.Centre), 1);
        const double t = s.TransmittanceAt(lowest);
        EXPECT_LT(t, s.TransmittanceAt(lowest - 1));
        EXPECT_LT(t, s.TransmittanceAt(lowest + 1));
        switch (b.Depth) {
        case Strong:
            EXPECT_LT(t, 15.0);
            EXPECT_GT(t, 1.0);   // not flattened at zero: the minimum stays measurable
            break;
        case Moderate:
            EXPECT_GE(t, 15.0);
            EXPECT_LT(t, 50.0);
            break;
        case Weak:
            EXPECT_GE(t, 50.0);
            EXPECT_LT(t, 85.0);
            break;
        }
    }
}

// ---------------------------------------------------------------------------------------------

struct TGoodFile {
    const char* Name;
    double Low, High;   // abscissa range after loading
    std::vector<TProbe> Probes;
};

TEST(SampleSpectrum, LoadsTextAndJcampFiles)
{
    const TGoodFile files[] = {
        // BOM, CRLF, column header, blank line, falling abscissa, percent
        {"film_descending.csv", 500, 4000, {{3000, 80.5}, {2500, 85.25}, {1500, 65.125}, {500, 91}, {499, 100}}},
        // title lines, # and ; comments, tabs and blanks, fractions taken as percent
        {"header_fractions.txt", 400, 1600, {{400, 50}, {1000, 65}, {1600, 80}}},
        // semicolons with decimal commas
        {"decimal_comma.csv", 2000, 4000.5, {{4000.5, 95.5}, {3000.25, 70.25}}},
        // XFACTOR/YFACTOR, falling abscissa, $$ comments, commas and '+' between numbers, fractions
        {"fraction_xfactor.jdx", 990, 1000, {{1000, 95}, {995, 90}, {992.5, 75}, {990, 40}}},
        // lower-case labels, blanks around '=', CRLF, transmittance above 1 read as percent
        {"percent_crlf.jdx", 1600, 1610, {{1600, 30}, {1601, 37.75}, {1610, 92}}},
        // absorbance, a sign separating two numbers
        {"absorbance.jdx", 696, 700, {{700, 31.6227766}, {699, 102.3292992}, {698, 10}, {697, 1}, {696, 100}}},
    };
    for (const TGoodFile& f : files) {
        SCOPED_TRACE(f.Name);
        TSampleSpectrum s;
        std::string error;
        ASSERT_TRUE(LoadSampleSpectrum(Sample(f.Name), s, error)) << error;
        ASSERT_EQ(s.X.size(), s.T.size());
        EXPECT_TRUE(std::is_sorted(s.X.begin(), s.X.end()));
        EXPECT_DOUBLE_EQ(s.X.front(), f.Low);
        EXPECT_DOUBLE_EQ(s.X.back(), f.High);
        for (const TProbe& p : f.Probes)
            EXPECT_NEAR(s.TransmittanceAt(p.X), p.T, 1e-6) << "at " << p.X;
    }
}

TEST(SampleSpectrum, RefusesBrokenFilesNamingTheLine)
{
    struct TCase {
        const char* Name;
        const char* Where;
        const char* What;
    };
    const TCase cases[] = {
        {"compressed.jdx", "line 9:", "compressed"},
        {"garbage_line4.csv", "line 4:", "'#70'"},
        {"truncated.jdx", "line 10:", "holds 6 ordinates but ##NPOINTS is 10"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TSampleSpectrum s;
        s.X = {1.0, 2.0};
        s.T = {5.0, 6.0};
        std::string error;
        EXPECT_FALSE(LoadSampleSpectrum(Sample(c.Name), s, error));
        EXPECT_THAT(error, HasSubstr(Sample(c.Name) + ": " + c.Where));
        EXPECT_THAT(error, HasSubstr(c.What));
        EXPECT_EQ(s.X.size(), 2u) << "a failed load leaves the caller's spectrum alone";
    }
}

// ---------------------------------------------------------------------------------------------

TEST(SampleSpectrum, ParsesTheLessCommonForms)
{
    struct TCase {
        const char* Name;
        const char* Text;
        std::vector<double> X;
        std::vector<double> T;
    };
    const TCase cases[] = {
        {"old Mac line ends", "400 50\r500 60\r", {400, 500}, {50, 60}},
        {"no line end at the end", "400\t50\n500\t60", {400, 500}, {50, 60}},
        {"1.5 is still a fraction", "400 1.5\n500 0.5\n", {400, 500}, {150, 50}},
        {"above 1.5 it is percent", "400 1.6\n500 0.5\n", {400, 500}, {1.6, 0.5}},
        {"noise below zero is clipped", "400 -2\n500 60\n", {400, 500}, {0, 60}},
        {"repeated abscissa is averaged", "2000 40\n2000 60\n1990 50\n", {1990, 2000}, {50, 50}},
        {"exponents and signs", "+4.0e2 , 5E1\n5.0E+02, 6.0e1\n", {400, 500}, {50, 60}},
        {"peak table",
         "##TITLE=peaks\n##XUNITS=1/CM\n##YUNITS=PERCENT TRANSMITTANCE\n##NPOINTS=3\n"
         "##PEAK TABLE=(XY..XY)\n1601,28.9; 1583,56.5\n1493,5.7\n##END=\n",
         {1493, 1583, 1601},
         {5.7, 56.5, 28.9}},
        {"micrometres become wavenumbers",
         "##TITLE=um\n##XUNITS=MICROMETERS\n##YUNITS=TRANSMITTANCE\n##FIRSTX=10\n##LASTX=20\n##NPOINTS=3\n"
         "##XYDATA=(X++(Y..Y))\n10 0.1 0.2 0.3\n##END=\n",
         {500, 1.0e4 / 15.0, 1000},
         {30, 20, 10}},
        {"first spectrum of a linked file",
         "##TITLE=link\n##JCAMP-DX=4.24\n##BLOCKS=2\n"
         "##TITLE=one\n##YUNITS=TRANSMITTANCE\n##FIRSTX=500\n##LASTX=501\n##NPOINTS=2\n"
         "##XYDATA=(X++(Y..Y))\n500 0.2 0.4\n##END=\n"
         "##TITLE=two\n##YUNITS=ABSORBANCE\n##FIRSTX=600\n##LASTX=601\n##NPOINTS=2\n"
         "##XYDATA=(X++(Y..Y))\n600 1 1\n##END=\n##END=\n",
         {500, 501},
         {20, 40}},
        {"labels trailing the table",
         "##TITLE=late\n##FIRSTX=500\n##LASTX=502\n##XYDATA=(X++(Y..Y))\n500 50 60 70\n##NPOINTS=3\n##END=\n",
         {500, 501, 502},
         {50, 60, 70}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TSampleSpectrum s;
        std::string error;
        ASSERT_TRUE(ParseSampleSpectrum(c.Text, s, error)) << error;
        ASSERT_EQ(s.X.size(), c.X.size());
        for (size_t i = 0; i < c.X.size(); ++i) {
            EXPECT_NEAR(s.X[i], c.X[i], 1e-9);
            EXPECT_NEAR(s.T[i], c.T[i], 1e-9);
        }
    }
}

TEST(SampleSpectrum, RefusesBadContentNamingTheLine)
{
    const std::string jcampHead = "##TITLE=t\n##XUNITS=1/CM\n##YUNITS=TRANSMITTANCE\n";   // lines 1-3
    const std::string xyHead = jcampHead + "##FIRSTX=1000\n##LASTX=996\n##NPOINTS=5\n";  // lines 4-6
    struct TCase {
        const char* Name;
        std::string Text;
        const char* Where;
        const char* What;
    };
    const TCase cases[] = {
        {"empty", "", "line 1:", "no data"},
        {"only text", "title\n# comment\n", "line 2:", "no data"},
        {"one point", "title\n400,50\n", "line 2:", "at least two"},
        {"NaN", "400,50\n500,nan\n", "line 2:", "finite"},
        {"infinity", "400,50\ninf,50\n", "line 2:", "finite"},
        {"three columns", "400,50\n500,60,70\n", "line 2:", "two numbers"},
        {"text after the data", "400 50\n500 60\nend of data\n", "line 3:", "not a number"},
        {"not monotonic", "400,50\n500,60\n450,55\n", "line 3:", "order"},
        {"negative wavenumber", "-400,50\n500,60\n", "line 1:", "positive"},
        {"not transmittance", "400,50\n500,5000\n", "line 2:", "plausible range"},
        {"outside the instrument", "title\n2.5 50\n25 60\n", "line 2:", "400..4000"},
        {"NUL byte", std::string("400 50\n500 6\0 0\n", 16), "line 2:", "binary"},
        {"UTF-16", "\xFF\xFE" "4\0" "0\0", "line 1:", "UTF-16"},
        {"no table", jcampHead + "##END=\n", "line 4:", "no ##XYDATA"},
        {"bad factor", jcampHead + "##YFACTOR=abc\n", "line 4:", "##YFACTOR is not a number"},
        {"too many points", jcampHead + "##NPOINTS=1000001\n", "line 4:", "limit"},
        {"no spacing", jcampHead + "##XYDATA=(X++(Y..Y))\n1000 0.5 0.5\n", "line 4:", "##FIRSTX"},
        {"other table form", xyHead + "##XYDATA=(XY..XY)\n", "line 7:", "not supported"},
        {"unknown ordinate unit", "##TITLE=t\n##YUNITS=ARBITRARY UNITS\n##FIRSTX=1000\n##LASTX=999\n##NPOINTS=2\n"
                                  "##XYDATA=(X++(Y..Y))\n1000 5 6\n",
         "line 2:", "ARBITRARY"},
        {"more than NPOINTS", xyHead + "##XYDATA=(X++(Y..Y))\n1000 .5 .5 .5\n997 .5 .5 .5\n", "line 9:", "##NPOINTS=5"},
        {"lost line", xyHead + "##XYDATA=(X++(Y..Y))\n1000 .5\n997 .5 .5\n996 .5 .5\n", "line 9:", "expected 999"},
        {"NPOINTS far off", jcampHead + "##FIRSTX=1000\n##LASTX=900\n##NPOINTS=1000\n##XYDATA=(X++(Y..Y))\n"
                                        "1000 .5 .5 .5\n997 .5 .5 .5\n",
         "line 9:", "disagrees"},
        {"missing value", xyHead + "##XYDATA=(X++(Y..Y))\n1000 .5 ? .5\n", "line 8:", "missing"},
        {"text in the table", xyHead + "##XYDATA=(X++(Y..Y))\n1000 .5 .5\nhello world\n", "line 9:", "not a number"},
        {"stray character", xyHead + "##XYDATA=(X++(Y..Y))\n1000 .5 .5 ! .5\n", "line 8:", "unexpected character"},
        {"pair without ordinate", jcampHead + "##PEAK TABLE=(XY..XY)\n1000,.5 999\n", "line 5:", "without its ordinate"},
        {"label without =", jcampHead + "##XYDATA\n", "line 4:", "'='"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TSampleSpectrum s;
        std::string error;
        EXPECT_FALSE(ParseSampleSpectrum(c.Text, s, error));
        EXPECT_THAT(error, HasSubstr(c.Where));
        EXPECT_THAT(error, HasSubstr(c.What));
    }
}

TEST(SampleSpectrum, BoundsTheSizeOfWhatItReads)
{
    // One point over the limit, as text.
    std::string many;
    many.reserve(8 * (kMaxSamplePoints + 1));
    for (size_t i = 0; i <= kMaxSamplePoints; ++i)
        many += "500 50\n";
    TSampleSpectrum s;
    std::string error;
    EXPECT_FALSE(ParseSampleSpectrum(many, s, error));
    EXPECT_THAT(error, HasSubstr("line " + std::to_string(kMaxSamplePoints + 1) + ":"));

    // A file over the size limit is refused before it is read (sparse, so it costs no disk).
    const auto dir = std::filesystem::temp_directory_path() /
                     ("zq735_sample_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto big = dir / "big.csv";
    { std::ofstream(big) << "400 50\n500 60\n"; }
    std::filesystem::resize_file(big, kMaxSampleFileBytes + 1);
    EXPECT_FALSE(LoadSampleSpectrum(big.string(), s, error));
    EXPECT_THAT(error, HasSubstr("larger than 64 MiB"));

    EXPECT_FALSE(LoadSampleSpectrum((dir / "missing.csv").string(), s, error));
    EXPECT_THAT(error, HasSubstr("missing.csv: cannot open"));
    EXPECT_FALSE(LoadSampleSpectrum(dir.string(), s, error));
    EXPECT_THAT(error, HasSubstr("folder"));
    std::filesystem::remove_all(dir);
}

}   // namespace
