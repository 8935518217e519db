// zq735-cli peaks and table on a scanned polystyrene film: the absorption
// bands come out as valleys of the search with threshold 5, and the data
// table is written as the window copies it.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "tests/support/Run.h"

namespace {

TRun RunPeaksCli(const std::string& args) { return RunCli(args, "zq735-cli-peaks-test"); }

struct TBandLine {
    std::string Kind;
    double X = 0;
    std::string Fwhm, Area;  // as printed; empty where the extreme is no band
};

// The lines of `peaks --csv` after its header.
std::vector<TBandLine> BandLines(const std::string& csv)
{
    std::vector<TBandLine> out;
    std::istringstream lines(csv);
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        std::vector<std::string> cells;
        std::istringstream fields(line);
        for (std::string cell; std::getline(fields, cell, ',');)
            cells.push_back(cell);
        if (line.back() == ',')
            cells.emplace_back();
        EXPECT_EQ(cells.size(), 6u) << line;
        if (cells.size() == 6)
            out.push_back({cells[0], std::stod(cells[2]), cells[4], cells[5]});
    }
    return out;
}

// The abscissas of the valley lines of `peaks --csv` on a %T spectrum: each
// is an absorption band with a width and an area, and no peak has either.
std::vector<double> Valleys(const std::string& csv)
{
    std::vector<double> valleys;
    for (const TBandLine& l : BandLines(csv)) {
        if (l.Kind == "valley") {
            valleys.push_back(l.X);
            EXPECT_GT(std::stod(l.Fwhm), 0.0) << l.X;
            EXPECT_GT(std::stod(l.Area), 0.0) << l.X;
        } else {
            EXPECT_EQ(l.Fwhm + l.Area, "") << l.X;
        }
    }
    return valleys;
}

bool Near(const std::vector<double>& xs, double band)
{
    return std::any_of(xs.begin(), xs.end(), [&](double v) { return std::abs(v - band) <= 2.0; });
}

TEST(CliPeaks, BadArgumentsGiveStatusTwo)
{
    for (const char* args : {"peaks", "peaks a.ir", "peaks a.ir --height x", "peaks a.ir --height 5 --from 3000",
                             "peaks /nonexistent.ir --height 5", "table", "table /nonexistent.ir",
                             "table a.ir --interval -1"})
        EXPECT_EQ(RunPeaksCli(args).Status, 2) << args;
}

TEST(CliPeaks, PolystyreneBandsAndTheDataTable)
{
    std::filesystem::create_directories(std::filesystem::temp_directory_path() / "zq735-cli-peaks-test");
    const std::string file = std::filesystem::temp_directory_path().string() + "/zq735-cli-peaks-ps.ir";
    const TRun scan = RunPeaksCli("--simulate --sim-speed 100 reset scan --speed 1 -o " + file);
    ASSERT_EQ(scan.Status, 0) << scan.Out;

    const TRun peaks = RunPeaksCli("peaks " + file + " --height 5 --csv");
    ASSERT_EQ(peaks.Status, 0);
    EXPECT_EQ(peaks.Out.rfind("kind,no,x,value,fwhm (cm-1),area (Abs·cm-1)\n", 0), 0u);
    const std::vector<double> valleys = Valleys(peaks.Out);
    for (const double band : {1601.0, 1028.0})
        EXPECT_TRUE(Near(valleys, band)) << "no valley near " << band << "\n" << peaks.Out;

    // A narrower view lists only what lies inside it.
    const TRun narrow = RunPeaksCli("peaks " + file + " --height 5 --csv --from 1700 --to 1500");
    ASSERT_EQ(narrow.Status, 0);
    const std::vector<double> inside = Valleys(narrow.Out);
    EXPECT_TRUE(Near(inside, 1601.0)) << narrow.Out;
    EXPECT_FALSE(Near(inside, 1028.0)) << narrow.Out;
    EXPECT_TRUE(std::all_of(inside.begin(), inside.end(), [](double x) { return x <= 1700.0 && x >= 1500.0; }));

    // The data table: n + 1 rows, tab-separated, CR LF between them and none
    // after the last; with an interval only every (K + 1)th row.
    const TRun table = RunPeaksCli("table " + file);
    ASSERT_EQ(table.Status, 0);
    const auto rows = std::count(table.Out.begin(), table.Out.end(), '\n') + 1;
    EXPECT_EQ(std::count(table.Out.begin(), table.Out.end(), '\r'), rows - 1);
    EXPECT_EQ(table.Out.rfind("序号\t波数\t测量值\r\n1\t4000.00\t", 0), 0u) << table.Out.substr(0, 80);
    EXPECT_NE(table.Out.back(), '\n');
    const TRun every = RunPeaksCli("table " + file + " --interval 100");
    ASSERT_EQ(every.Status, 0);
    EXPECT_EQ(std::count(every.Out.begin(), every.Out.end(), '\n') + 1, 1 + (rows - 2) / 101 + 1);
    EXPECT_NE(every.Out.find("\r\n102\t"), std::string::npos);
    std::filesystem::remove(file);
}

TEST(CliPeaks, ABandHasTheSameWidthAndAreaInAnyRange)
{
    const std::string ps = std::string(ZQ735_TEST_DATA) + "/samples/polystyrene.ir";
    const TRun full = RunPeaksCli("peaks " + ps + " --height 2 --csv");
    const TRun zoomed = RunPeaksCli("peaks " + ps + " --height 2 --csv --from 3200 --to 2800");
    ASSERT_EQ(full.Status, 0);
    ASSERT_EQ(zoomed.Status, 0);
    const std::vector<TBandLine> all = BandLines(full.Out);
    const std::vector<TBandLine> inside = BandLines(zoomed.Out);
    int bands = 0;
    for (const TBandLine& z : inside) {
        if (z.Kind != "valley")
            continue;
        ++bands;
        const auto same = std::find_if(all.begin(), all.end(),
                                       [&](const TBandLine& f) { return f.Kind == z.Kind && f.X == z.X; });
        ASSERT_NE(same, all.end()) << z.X;
        EXPECT_EQ(same->Fwhm, z.Fwhm) << z.X;
        EXPECT_EQ(same->Area, z.Area) << z.X;
    }
    // The C-H stretching bands of the film, several of them sharing a maximum.
    EXPECT_GE(bands, 4) << zoomed.Out;
    Valleys(full.Out);

    // The text form names the units.
    const TRun text = RunPeaksCli("peaks " + ps + " --height 2");
    EXPECT_NE(text.Out.find("fwhm/cm-1"), std::string::npos) << text.Out;
    EXPECT_NE(text.Out.find("area/Abs·cm-1"), std::string::npos);
}

}  // namespace
