// "从谱图取值" on the simulated instrument: pellets with 0.5, 1 and 2 mg of
// quartz are scanned through zq735-cli (in %T and in Abs), and the band
// height the window takes from a spectrum rises in proportion to the quartz.

#include "quant/NDBandHeight.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/Run.h"

namespace {

TRun RunQuartzCli(const std::string& args) { return RunCli(args, "zq735-quartz-test"); }

// Scans 850 -> 650 cm-1 of a pellet with `mg` of quartz; the band height at
// 798 cm-1 over the 820-760 cm-1 baseline.
float QuartzBand(double mg, const char* mode)
{
    const std::string file = std::filesystem::temp_directory_path().string() + "/zq735-quartz-" +
                             std::to_string(::getpid()) + ".ir";
    const TRun scan = RunQuartzCli("--simulate --sim-speed 300 --sim-sample quartz:" + std::to_string(mg) +
                             " reset calibrate scan --mode " + mode +
                             " --speed 2 --response 0 --from 850 --to 650 -o " + file);
    EXPECT_EQ(scan.Status, 0) << scan.Out;
    const TRun csv = RunQuartzCli("export " + file + " --csv");
    std::filesystem::remove(file);
    EXPECT_EQ(csv.Status, 0);
    std::vector<float> x, y;
    std::istringstream lines(csv.Out);
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        float a = 0, b = 0;
        if (std::sscanf(line.c_str(), "%f,%f", &a, &b) == 2) {
            x.push_back(a);
            y.push_back(b);
        }
    }
    EXPECT_GT(x.size(), 150u);
    float height = -1;
    EXPECT_EQ(NDBandHeight(x, y, std::string(mode) == "A", TNDBandPlaces{}, height), NDBandOk);
    return height;
}

TEST(NDQuartz, BandHeightFromTheSpectrumIsInProportionToTheQuartz)
{
    // The half-milligram pellet is measured in absorbance, the others in %T:
    // the height does not depend on the ordinate either.
    const float one = QuartzBand(1.0, "T");
    const float half = QuartzBand(0.5, "A");
    const float two = QuartzBand(2.0, "T");
    std::printf("band height at 798 cm-1: 0.5 mg %.4f, 1 mg %.4f, 2 mg %.4f\n", static_cast<double>(half),
                static_cast<double>(one), static_cast<double>(two));
    ASSERT_GT(one, 0.03f);
    EXPECT_NEAR(half / one, 0.5, 0.03);
    EXPECT_NEAR(two / one, 2.0, 0.08);
}

}  // namespace
