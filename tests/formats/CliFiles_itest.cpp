// zq735-cli export and import: the program on real files.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sstream>
#include <sys/wait.h>

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
    const TRun r = Cli("import " + hostile + "garbage_digits.jdx -o /tmp/zq735-never.ir", true);
    EXPECT_NE(r.Out.find("line 9:"), std::string::npos) << r.Out;
}

}  // namespace
