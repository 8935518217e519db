#include "formats/Jcamp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

#include "text/GbkText.h"

namespace {

const std::string Data = std::string(ZQ735_TEST_DATA) + "/formats/";

// Points of a spectrum from high to low abscissa.
void Descending(const TSpectrum& s, std::vector<double>& x, std::vector<double>& y)
{
    s.Flatten(x, y);
    if (x.size() > 1 && x.front() < x.back()) {
        std::reverse(x.begin(), x.end());
        std::reverse(y.begin(), y.end());
    }
}

const std::vector<double> FilmPercent = {95, 94.8, 94.8, 94.8, 90, 70, 50, 70, 90, 95};

struct TFormCase {
    const char* File;
    int Mode;
    double FirstX, Step;
    std::vector<double> Y;
};

TEST(JcampReader, ReadsEveryFormInHandWrittenFiles)
{
    const TFormCase cases[] = {
        {"affn_comment.jdx", 0, 1000, -1, FilmPercent},
        {"sqz.jdx", 0, 1000, -1, FilmPercent},
        {"dif.jdx", 0, 1000, -1, FilmPercent},
        {"difdup.jdx", 0, 1000, -1, FilmPercent},
        {"percent_rising_crlf.jdx", 0, 1000, -1, FilmPercent},
        {"compound.jdx", 0, 1000, -1, FilmPercent},
        // A minus sign parts two numbers ("0.4-0.5"); the line's X is in units of XFACTOR.
        {"absorbance_cr.jdx", 1, 1000, -2, {0.1, 0.2, 0.3, 0.4, -0.5, 0.6, 0.7, 0.8, 0.9, 1.0}},
    };
    for (const TFormCase& c : cases) {
        SCOPED_TRACE(c.File);
        TSpectrum s;
        std::string error;
        ASSERT_TRUE(ReadJcampFile(Data + c.File, s, error)) << error;
        EXPECT_EQ(s.Params.Mode, c.Mode);
        EXPECT_EQ(s.Params.ScanMode, 0);
        std::vector<double> x, y;
        Descending(s, x, y);
        ASSERT_EQ(y.size(), c.Y.size());
        for (size_t i = 0; i < y.size(); ++i) {
            EXPECT_NEAR(x[i], c.FirstX + c.Step * static_cast<double>(i), 1e-9) << i;
            EXPECT_NEAR(y[i], c.Y[i], 1e-9) << i;
        }
        EXPECT_FLOAT_EQ(s.Params.XStart, static_cast<float>(c.FirstX));
    }
}

TEST(JcampReader, CompoundFileGivesItsInfraredBlockWithThatTitle)
{
    TSpectrum s;
    std::string error;
    ASSERT_TRUE(ReadJcampFile(Data + "compound.jdx", s, error)) << error;
    EXPECT_EQ(s.Title, "the infrared block");
}

// Every refusal names the line where the file went wrong.
TEST(JcampReader, HostileFilesAreRefusedNamingTheLine)
{
    const std::pair<const char*, const char*> cases[] = {
        {"huge_npoints.jdx", "line 7:"},
        {"missing_end.jdx", "line 9:"},
        {"garbage_digits.jdx", "line 9:"},
        {"too_many_values.jdx", "line 10:"},
        {"dif_check.jdx", "line 10:"},
        {"huge_exponent.jdx", "line 9:"},
        // Ordinates of 5e38: beyond a curve's 32-bit values.
        {"huge_yfactor.jdx", "line 9:"},
    };
    for (const auto& [file, line] : cases) {
        TSpectrum s;
        s.Title = "untouched";
        std::string error;
        EXPECT_FALSE(ReadJcampFile(Data + "hostile/" + file, s, error)) << file;
        EXPECT_NE(error.find(line), std::string::npos) << file << ": " << error;
        EXPECT_EQ(s.Title, "untouched") << file;
    }
}

TEST(JcampReader, RefusesAnOverlongLineAndTextsWithoutABlock)
{
    std::string text =
        "##TITLE=long\n##JCAMP-DX=4.24\n##XUNITS=1/CM\n##YUNITS=ABSORBANCE\n##FIRSTX=1\n"
        "##LASTX=2\n##NPOINTS=2\n##XYDATA=(X++(Y..Y))\n1 ";
    text += std::string(10u << 20, '1');
    text += "\n##END=\n";
    TSpectrum s;
    std::string error;
    EXPECT_FALSE(ReadJcamp(text, s, error));
    EXPECT_NE(error.find("line 9:"), std::string::npos) << error;

    EXPECT_FALSE(ReadJcamp("just,some\n1,2\n", s, error));
    EXPECT_FALSE(ReadJcamp("##TITLE=a\n##TITLE=b\n##END=\n", s, error));
    EXPECT_NE(error.find("line 2:"), std::string::npos) << error;
}

TSpectrum TwoPartScan(int mode)
{
    TSpectrum s;
    s.Title = "聚苯乙烯 film";
    s.Params.Mode = static_cast<uint8_t>(mode);
    SetGbkField(s.Params.Note, "第一行\n##第二行");
    s.Params.Slit = 5;
    TSpectrumPart a{4000, 2000, {}}, b{2000, 400, {}};
    for (int i = 0; i < 1001; ++i)
        a.Y.push_back(mode == 0 ? 90 + 5 * std::sin(i * 0.05) : 0.3 + 0.2 * std::sin(i * 0.05));
    b.Y.push_back(a.Y.back());
    for (int i = 1; i < 1601; ++i)
        b.Y.push_back(mode == 0 ? 60 + 30 * std::cos(i * 0.013) + (i % 7 == 0 ? 0 : 1e-3 * i) : -0.01 * i);
    s.Parts = {a, b};
    FillRangesFromData(s);
    return s;
}

TEST(JcampWriter, RoundTripsBothFormsWithinHalfTheFactor)
{
    for (const int mode : {0, 1}) {
        for (const TJcampForm form : {TJcampForm::DifDup, TJcampForm::Affn}) {
            SCOPED_TRACE(std::to_string(mode) + (form == TJcampForm::Affn ? " affn" : " difdup"));
            const TSpectrum s = TwoPartScan(mode);
            TJcampWriteOptions o;
            o.Form = form;
            const std::string text = WriteJcamp(s, o);
            // Lines of at most 80 characters in the tables, a compound of two blocks.
            std::istringstream lines(text);
            std::string line;
            int blocks = 0;
            while (std::getline(lines, line)) {
                if (line.rfind("##", 0) != 0) {
                    EXPECT_LE(line.size(), 80u) << line;
                }
                blocks += line.rfind("##XYDATA=", 0) == 0 ? 1 : 0;
            }
            EXPECT_EQ(blocks, 2);
            EXPECT_EQ(text.rfind("##TITLE=", 0), 0u);
            EXPECT_NE(text.find("##BLOCKS=2"), std::string::npos);

            TSpectrum back;
            std::string error;
            ASSERT_TRUE(ReadJcamp(text, back, error)) << error;
            EXPECT_EQ(back.Title, s.Title);
            EXPECT_EQ(back.Params.Mode, mode);
            EXPECT_EQ(back.Params.Slit, 5);
            EXPECT_EQ(GbkFieldToUtf8(back.Params.Note), "第一行\n##第二行");
            ASSERT_EQ(back.Parts.size(), 2u);
            for (size_t k = 0; k < 2; ++k) {
                EXPECT_DOUBLE_EQ(back.Parts[k].FirstX, s.Parts[k].FirstX);
                EXPECT_DOUBLE_EQ(back.Parts[k].LastX, s.Parts[k].LastX);
                ASSERT_EQ(back.Parts[k].Y.size(), s.Parts[k].Y.size());
                // Eight significant digits of the largest value (in the file's unit).
                double m = 0;
                for (double v : s.Parts[k].Y)
                    m = std::max(m, std::fabs(v));
                const double tolerance =
                    0.5 * std::pow(10.0, std::ceil(std::log10(m * (mode == 0 ? 0.01 : 1))) - 8) *
                    (mode == 0 ? 100 : 1) * 1.0001;
                for (size_t i = 0; i < s.Parts[k].Y.size(); ++i)
                    ASSERT_NEAR(back.Parts[k].Y[i], s.Parts[k].Y[i], tolerance) << k << " " << i;
            }
        }
    }
}

TEST(JcampWriter, TimeDriveAndMissingValuesSurvive)
{
    TSpectrum s;
    s.Params.ScanMode = 2;
    s.Params.Mode = 2;
    TSpectrumPart p{0, 1000, {}};
    for (int i = 0; i < 999; ++i)
        p.Y.push_back(i == 500 ? NAN : 1234.5 + i);
    s.Parts = {p};
    const std::string text = WriteJcamp(s);
    EXPECT_NE(text.find("##XUNITS=SECONDS"), std::string::npos);
    EXPECT_NE(text.find("##YUNITS=ARBITRARY UNITS"), std::string::npos);
    TSpectrum back;
    std::string error;
    ASSERT_TRUE(ReadJcamp(text, back, error)) << error;
    EXPECT_TRUE(back.TimeDrive());
    ASSERT_EQ(back.Parts.size(), 1u);
    ASSERT_EQ(back.Parts[0].Y.size(), 999u);
    EXPECT_TRUE(std::isnan(back.Parts[0].Y[500]));
    EXPECT_NEAR(back.Parts[0].Y[501], 1234.5 + 501, 1e-4);
    EXPECT_DOUBLE_EQ(back.Parts[0].LastX, 1000);
}

// Several curves go into one compound file and come back as they were: the
// two parts of a scan joined again, the curves apart, titles and dates kept.
TEST(JcampWriter, SeveralSpectraRoundTripThroughOneFile)
{
    TSpectrum a = TwoPartScan(1), b;
    b.Title = "drive";
    b.Params.Mode = 1;
    b.Params.ScanMode = 2;
    b.Parts = {{0, 60, {0.5, 0.25, 0.125}}};
    TJcampWriteOptions o;
    o.LongDate = "2026/12/11 08:30:05";
    const std::string text = WriteJcamp(std::vector<TSpectrum>{a, b}, o);
    EXPECT_NE(text.find("##BLOCKS=3"), std::string::npos);
    std::vector<TSpectrum> back;
    std::string error;
    ASSERT_TRUE(ReadJcampAll(text, back, error)) << error;
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].Title, a.Title);
    EXPECT_EQ(back[1].Title, "drive");
    ASSERT_EQ(back[0].Parts.size(), 2u);
    EXPECT_EQ(back[0].PointCount(), a.PointCount());
    EXPECT_DOUBLE_EQ(back[0].Parts[1].LastX, 400);
    EXPECT_TRUE(back[1].TimeDrive());
    ASSERT_EQ(back[1].Parts.size(), 1u);
    EXPECT_DOUBLE_EQ(back[1].Parts[0].LastX, 60);
    EXPECT_NEAR(back[1].Parts[0].Y[2], 0.125, 1e-9);
    for (const TSpectrum& s : back)
        EXPECT_EQ(s.LongDate, o.LongDate);

    // One spectrum is written as it always was.
    EXPECT_EQ(WriteJcamp(std::vector<TSpectrum>{a}, o), WriteJcamp(a, o));
}

// Blocks from elsewhere: each infrared block is a spectrum of its own.
TEST(JcampReader, EveryInfraredBlockOfACompoundFileIsRead)
{
    std::string text = "##TITLE=three\n##JCAMP-DX=4.24\n##DATA TYPE=LINK\n##BLOCKS=3\n";
    for (int k = 1; k <= 3; ++k)
        text += "##TITLE=block " + std::to_string(k) +
                "\n##JCAMP-DX=4.24\n##DATA TYPE=INFRARED SPECTRUM\n##XUNITS=1/CM\n##YUNITS=ABSORBANCE\n"
                "##FIRSTX=1000\n##LASTX=998\n##NPOINTS=3\n##XYDATA=(X++(Y..Y))\n1000 " +
                std::to_string(k) + " 0 0\n##END=\n";
    text += "##END=\n";
    std::vector<TSpectrum> back;
    std::string error;
    ASSERT_TRUE(ReadJcampAll(text, back, error)) << error;
    ASSERT_EQ(back.size(), 3u);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(back[static_cast<size_t>(k)].Title, "block " + std::to_string(k + 1));
        EXPECT_EQ(back[static_cast<size_t>(k)].Parts[0].Y[0], k + 1);
    }
}

TEST(JcampReader, LongDateIsReadWhenItIsADate)
{
    const std::pair<const char*, const char*> cases[] = {
        {"2026/12/11 08:30:05", "2026/12/11 08:30:05"},
        {"2026/12/11", "2026/12/11 00:00:00"},
        {"2026/12/11 08:30:05.25", "2026/12/11 08:30:05"},
        {"2026/02/29 08:30:05", ""},  // no such day
        {"2026/12/11 24:00:00", ""},
        {"-059/-17095/-1072 0:0:0", ""},
        {"yesterday", ""},
    };
    for (const auto& [value, read] : cases) {
        const std::string text = std::string("##TITLE=t\n##JCAMP-DX=4.24\n##LONGDATE=") + value +
                                 "\n##XUNITS=1/CM\n##YUNITS=ABSORBANCE\n##FIRSTX=2\n##LASTX=1\n##NPOINTS=2\n"
                                 "##XYDATA=(X++(Y..Y))\n2 1 1\n##END=\n";
        TSpectrum s;
        std::string error;
        ASSERT_TRUE(ReadJcamp(text, s, error)) << error;
        EXPECT_EQ(s.LongDate, read) << value;
    }
}

}  // namespace
