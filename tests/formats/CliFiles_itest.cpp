// zq735-cli export and import: the program on real files.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "tests/support/Run.h"

namespace {

TRun Cli(const std::string& args, bool errors = false)
{
    return RunCli(args, "", errors ? TCliErrors::Merged : TCliErrors::Dropped);
}

const std::string Ps = std::string(ZQ735_TEST_DATA) + "/formats/polystyrene.ir";

std::vector<std::pair<double, double>> Rows(const std::string& csv)
{
    std::vector<std::pair<double, double>> rows;
    std::istringstream lines(csv);
    std::string line;
    while (std::getline(lines, line)) {
        double x, y;
        if (std::sscanf(line.c_str(), "%lf,%lf", &x, &y) == 2)
            rows.emplace_back(x, y);
    }
    return rows;
}

TEST(CliFiles, ExportImportRoundTrip)
{
    QTemporaryDir dir;
    const std::string d = dir.path().toStdString();
    const TRun jdx = Cli("export " + Ps + " --jcamp -o " + d + "/ps.jdx");
    ASSERT_EQ(jdx.Status, 0) << jdx.Out;
    const TRun imp = Cli("import " + d + "/ps.jdx -o " + d + "/back.ir");
    ASSERT_EQ(imp.Status, 0) << imp.Out;
    // The scan's date comes back with the spectrum.
    const std::string date = Cli("info " + Ps).Out;
    const std::string backDate = Cli("info " + d + "/back.ir").Out;
    ASSERT_NE(date.find("date: 2"), std::string::npos) << date;
    EXPECT_EQ(backDate.substr(backDate.find("date:")), date.substr(date.find("date:")));

    const TRun a = Cli("export " + Ps + " --csv");
    const TRun b = Cli("export " + d + "/back.ir --csv");
    ASSERT_EQ(a.Status, 0);
    ASSERT_EQ(b.Status, 0);
    EXPECT_EQ(a.Out.substr(0, a.Out.find('\n')), "wavenumber (cm-1),未命名 (%T)");
    const auto ra = Rows(a.Out), rb = Rows(b.Out);
    ASSERT_EQ(ra.size(), 2601u);
    ASSERT_EQ(rb.size(), ra.size());
    for (size_t i = 0; i < ra.size(); ++i) {
        ASSERT_EQ(rb[i].first, ra[i].first);
        ASSERT_NEAR(rb[i].second, ra[i].second, 1.3e-5);
    }

    // The CSV comes back the same way.
    ASSERT_EQ(Cli("export " + Ps + " --csv -o " + d + "/ps.csv").Status, 0);
    ASSERT_EQ(Cli("import " + d + "/ps.csv -o " + d + "/csv.ir").Status, 0);
    EXPECT_EQ(Cli("export " + d + "/csv.ir --csv").Out, a.Out);
}

TEST(CliFiles, BadArgumentsAndHostileFilesGiveStatusTwo)
{
    const std::string hostile = std::string(ZQ735_TEST_DATA) + "/formats/hostile/";
    for (const std::string& args :
         {"export " + Ps, "export " + Ps + " --jcamp --csv", "export " + Ps + " --curve 2 --csv",
          "export " + Ps + " --curve 0 --jcamp", "import " + hostile + "garbage_digits.jdx -o /tmp/x.ir",
          "import " + hostile + "garbage.csv -o /tmp/x.ir", "import " + hostile + "huge_npoints.jdx",
          "export " + hostile + "missing_end.jdx --csv"}) {
        const TRun r = Cli(args);
        EXPECT_EQ(r.Status, 2) << args << "\n" << r.Out;
    }
    // More points than a curve holds: refused at the import, with the reason.
    const std::string big = std::filesystem::temp_directory_path().string() + "/zq735-big.csv";
    {
        std::string csv = "x,y\n";
        for (int i = 1; i <= 100001; ++i)
            csv += std::to_string(i) + ",1\n";
        FILE* f = std::fopen(big.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fputs(csv.c_str(), f);
        std::fclose(f);
    }
    const TRun refused = Cli("import " + big + " -o /tmp/zq735-never.ir", true);
    std::filesystem::remove(big);
    EXPECT_EQ(refused.Status, 2) << refused.Out;
    EXPECT_NE(refused.Out.find("a curve holds at most 100000"), std::string::npos) << refused.Out;
    EXPECT_FALSE(std::filesystem::exists("/tmp/zq735-never.ir"));

    const TRun r = Cli("import " + hostile + "garbage_digits.jdx -o /tmp/zq735-never.ir", true);
    EXPECT_NE(r.Out.find("line 9:"), std::string::npos) << r.Out;
}

// Every curve's every point, whichever format: a file of two curves on
// different ranges and grids (the film 4000-400 cm-1, a band 3000-1000 cm-1
// at 1 cm-1) goes out and comes back whole.
TEST(CliFiles, TwoCurvesOnDifferentRangesRoundTrip)
{
    QTemporaryDir dir;
    const std::string d = dir.path().toStdString();
    const std::string two = std::string(ZQ735_TEST_DATA) + "/formats/two-ranges.ir";
    const std::string first = Cli("export " + two + " --curve 1 --csv").Out;
    const std::string second = Cli("export " + two + " --curve 2 --csv").Out;
    ASSERT_EQ(Rows(first).size(), 2601u);
    ASSERT_EQ(Rows(second).size(), 2001u);

    for (const char* format : {"--csv", "--jcamp", "--jcamp --affn"}) {
        SCOPED_TRACE(format);
        const std::string out = d + "/out." + (format[2] == 'c' ? "csv" : "jdx");
        ASSERT_EQ(Cli("export " + two + " " + format + " -o " + out).Status, 0);
        const TRun imp = Cli("import " + out + " -o " + d + "/again.ir", true);
        ASSERT_EQ(imp.Status, 0) << imp.Out;
        EXPECT_NE(imp.Out.find("imported 2 spectra"), std::string::npos) << imp.Out;
        for (const auto& [curve, expected] : {std::pair{1, &first}, std::pair{2, &second}}) {
            const auto want = Rows(*expected);
            const auto got =
                Rows(Cli("export " + d + "/again.ir --curve " + std::to_string(curve) + " --csv").Out);
            ASSERT_EQ(got.size(), want.size()) << curve;
            for (size_t i = 0; i < want.size(); ++i) {
                ASSERT_EQ(got[i].first, want[i].first) << curve << " " << i;
                ASSERT_NEAR(got[i].second, want[i].second, 1.3e-5) << curve << " " << i;
            }
        }
    }
}

// A time drive at a given wavenumber: the grating goes there first, and the
// export gives the drive's times.
TEST(CliFiles, ATimeDriveStandsAtItsWavenumberAndExportsItsTimes)
{
    QTemporaryDir dir;
    const std::string file = dir.path().toStdString() + "/drive.ir";
    const TRun drive =
        RunCli("--simulate --sim-speed 20 reset scan --time 5 --from 1601 -o " + file + " status",
               "zq735-cli-formats");
    ASSERT_EQ(drive.Status, 0) << drive.Out;
    EXPECT_NE(drive.Out.find("wavenumber: 1601.0 cm-1"), std::string::npos) << drive.Out;
    const TRun csv = Cli("export " + file + " --csv");
    ASSERT_EQ(csv.Status, 0);
    const auto rows = Rows(csv.Out);
    ASSERT_EQ(rows.size(), 5u) << csv.Out;
    for (size_t i = 0; i < rows.size(); ++i)
        EXPECT_DOUBLE_EQ(rows[i].first, 1.25 * static_cast<double>(i));
    const TRun table = Cli("table " + file);
    EXPECT_NE(table.Out.find("\r\n5\t5.00\t"), std::string::npos) << table.Out;
    // A drive does not scan a range.
    EXPECT_EQ(Cli("--simulate scan --time 5 --from 1601 --to 1000 -o " + file).Status, 2);
}

// A damaged date is no date: "info" says so rather than print its fields.
TEST(CliFiles, ADamagedDateReadsAsNone)
{
    QTemporaryDir dir;
    const std::string file = dir.path().toStdString() + "/date.ir";
    std::filesystem::copy_file(Ps, file);
    // Year -59, month -17095, day -1072: what a damaged file held.
    const int16_t date[6] = {-59, -17095, -1072, 0, 0, 0};
    FILE* f = std::fopen(file.c_str(), "r+b");
    ASSERT_NE(f, nullptr);
    std::fseek(f, -12, SEEK_END);
    std::fwrite(date, sizeof date, 1, f);
    std::fclose(f);
    const TRun info = Cli("info " + file);
    ASSERT_EQ(info.Status, 0);
    EXPECT_NE(info.Out.find("date: none"), std::string::npos) << info.Out;
}

}  // namespace
