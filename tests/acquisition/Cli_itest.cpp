// zq735-cli as a user runs it: hostile files are refused with status 2, a
// simulated measurement produces a file that `info` reads back.

#include <algorithm>
#include <array>
#include <cmath>
#include <sstream>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>

#include "tests/support/Run.h"

namespace {


TEST(Cli, HostileFilesAreRefusedWithStatusTwo)
{
    int seen = 0;
    for (const auto& e : std::filesystem::directory_iterator(std::string(ZQ735_TEST_DATA) + "/hostile")) {
        ++seen;
        for (const char* cmd : {"info", "export"}) {
            const std::string extra = std::string(cmd) == "export" ? " --csv" : "";
            const TRun r = RunCli(std::string(cmd) + " '" + e.path().string() + "'" + extra);
            EXPECT_EQ(r.Status, 2) << cmd << " " << e.path().filename();
        }
    }
    EXPECT_GT(seen, 0);
}

TEST(Cli, BadArgumentsGiveStatusTwo)
{
    for (const char* args : {"", "frobnicate", "goto", "goto 5000", "scan --speed 9 -o x.ir", "export a.ir",
                             "--simulate scan --from 1000 --to 1000 -o x.ir"}) {
        EXPECT_EQ(RunCli(args).Status, 2) << args;
    }
}

TEST(Cli, SimulatedScanIsSavedAndReadBack)
{
    const std::string file = std::filesystem::temp_directory_path().string() + "/zq735-cli-scan.ir";
    const TRun scan =
        RunCli("--simulate --sim-speed 40 calibrate scan --speed 2 --response 0 --from 2100 --to 1900 -o " + file,
               "zq735-cli-scan-test");
    ASSERT_EQ(scan.Status, 0) << scan.Out;
    const TRun info = RunCli("info " + file);
    ASSERT_EQ(info.Status, 0);
    // 2100 -> 2000 at 2 cm-1 (51 points), 2000 -> 1900 at 1 cm-1 (101), the split shared.
    EXPECT_NE(info.Out.find("curves: 1"), std::string::npos) << info.Out;
    EXPECT_NE(info.Out.find("151 points"), std::string::npos) << info.Out;
    EXPECT_EQ(std::filesystem::file_size(file), 40u + 692 + 220 + 4 * 151 + 12);
    const TRun csv = RunCli("export " + file + " --csv");
    ASSERT_EQ(csv.Status, 0);
    EXPECT_EQ(std::count(csv.Out.begin(), csv.Out.end(), '\n'), 152);
    std::filesystem::remove(file);
}

TEST(Cli, ATimeDriveMeasuresWithItsOwnResponseAndAnUndatedFileSaysSo)
{
    const std::string file = std::filesystem::temp_directory_path().string() + "/zq735-cli-drive.ir";
    // The reset leaves response 2 in the instrument; the drive needs 3.
    // A data folder of its own: one program at a time measures in a folder.
    const TRun drive =
        RunCli("--simulate --sim-speed 20 reset scan --time 6 --response 3 -o " + file, "zq735-cli-drive-test");
    ASSERT_EQ(drive.Status, 0) << drive.Out;
    TRun info = RunCli("info " + file);
    ASSERT_EQ(info.Status, 0);
    EXPECT_NE(info.Out.find(" 6 points"), std::string::npos) << info.Out;
    EXPECT_NE(info.Out.find("date: 20"), std::string::npos) << info.Out;

    // Without its closing date the file still opens, and has no date.
    std::filesystem::resize_file(file, std::filesystem::file_size(file) - 12);
    info = RunCli("info " + file);
    ASSERT_EQ(info.Status, 0);
    EXPECT_NE(info.Out.find("date: none"), std::string::npos) << info.Out;
    std::filesystem::remove(file);
}

// The whole measurement an operator makes of a polystyrene film: reset,
// calibration, 100 % baseline (sample out), scan 4000 -> 400 at 2 cm-1.
TEST(Cli, PolystyreneFilmShowsItsBandsOnAFlatHundredPercentLine)
{
    const std::string dir = std::filesystem::temp_directory_path().string() + "/zq735-cli-test";
    std::filesystem::remove(dir + "/BK100.dat");
    const std::string file = std::filesystem::temp_directory_path().string() + "/zq735-cli-ps.ir";
    const TRun run = RunCli("--simulate --sim-speed 100 reset calibrate baseline100 scan --speed 1 --from 4000 "
                            "--to 400 -o " + file);
    ASSERT_EQ(run.Status, 0) << run.Out;
    EXPECT_EQ(std::filesystem::file_size(file), 40u + 692 + 220 + 4 * 1301 + 12);
    const TRun csv = RunCli("export " + file + " --csv");
    ASSERT_EQ(csv.Status, 0);

    std::vector<std::pair<double, double>> xy;
    std::istringstream lines(csv.Out);
    std::string line;
    std::getline(lines, line);  // header
    while (std::getline(lines, line)) {
        double x = 0, y = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "%lf,%lf", &x, &y), 2) << line;
        xy.emplace_back(x, y);
    }
    ASSERT_EQ(xy.size(), 1301u);
    // Valleys: local minima over five points, below 90 %T.
    std::vector<double> valleys;
    for (size_t i = 2; i + 2 < xy.size(); ++i) {
        bool lowest = xy[i].second < 90.0;
        for (size_t k = i - 2; k <= i + 2; ++k)
            lowest = lowest && xy[i].second <= xy[k].second;
        if (lowest)
            valleys.push_back(xy[i].first);
    }
    for (const auto& [band, tolerance] : {std::pair{1601.0, 2.0}, {1028.0, 2.0}, {907.0, 2.0}, {698.0, 3.0}}) {
        const bool found = std::any_of(valleys.begin(), valleys.end(),
                                       [&](double v) { return std::abs(v - band) <= tolerance; });
        EXPECT_TRUE(found) << "no valley near " << band;
    }
    // Where the film does not absorb, the reading is the 100 % line.
    for (const auto& [x, y] : xy) {
        if ((x >= 3500 && x <= 3800) || (x >= 2200 && x <= 2600) || (x >= 1250 && x <= 1350)) {
            EXPECT_NEAR(y, 100.0, 2.0) << x;
        }
    }
    std::filesystem::remove(file);
}

}  // namespace
