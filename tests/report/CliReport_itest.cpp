// zq735-cli report on a measured polystyrene film (tests/data/report/ps.ir,
// made with `zq735-cli --simulate reset scan -o ps.ir`).

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QTemporaryDir>
#include <cctype>
#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "PdfTools.h"

namespace {

const std::string kFilm = std::string(ZQ735_TEST_DATA) + "/report/ps.ir";

int RunReport(const std::string& args)
{
    const std::string cmd = std::string(ZQ735_BIN_DIR) + "/app/zq735-cli report " + args + " >/dev/null 2>&1";
    const int st = std::system(cmd.c_str());
    return WIFEXITED(st) ? WEXITSTATUS(st) : 128;
}

// A "2026-12-10 13:40"-like stamp: four digits, '-', a digit, and a ':' later on the same line.
bool HasDate(const std::string& text)
{
    auto digit = [&](size_t i) { return i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); };
    for (size_t i = 0; i + 6 < text.size(); ++i) {
        if (digit(i) && digit(i + 1) && digit(i + 2) && digit(i + 3) && text[i + 4] == '-' && digit(i + 5)) {
            const size_t eol = text.find('\n', i);
            const size_t colon = text.find(':', i);
            if (colon != std::string::npos && (eol == std::string::npos || colon < eol))
                return true;
        }
    }
    return false;
}

class CliReport : public ::testing::Test {
protected:
    std::string Out(const char* name) { return Dir.filePath(QString::fromLatin1(name)).toStdString(); }
    QTemporaryDir Dir;
};

TEST_F(CliReport, PortraitAndLandscapePagesOfAFilm)
{
    const std::string portrait = Out("p.pdf"), landscape = Out("l.pdf");
    // --peaks alone prints both lists of the peak search: the film's bands are valleys.
    ASSERT_EQ(RunReport(Quoted(kFilm) + " --peaks 5 --data 100 -o " + Quoted(portrait)), 0);
    ASSERT_EQ(RunReport(Quoted(kFilm) + " --landscape --data 100 -o " + Quoted(landscape)), 0);
    EXPECT_EQ(PdfPages(portrait), 1);
    EXPECT_EQ(PdfPages(landscape), 1);

    const std::string p = PdfText(portrait);
    for (const char* part : {"红外分光光度计ZQ735", "名称", "测量模式", "扫描速度", "狭缝宽度", "响应时间", "波数范围",
                             "4000 - 400 cm-1", "批号", "备注", "测量值", "4000.00", "峰尖数值", "峰谷数值",
                             "1601.000", "1028.000"})
        EXPECT_TRUE(Contains(p, part)) << part << "\n" << p;
    const std::string l = PdfText(landscape);
    EXPECT_TRUE(Contains(l, "波数范围: 4000 - 400 cm-1")) << l;
    EXPECT_FALSE(Contains(l, "测量值"));
    // The scan date of the file is on the page (where the text extraction
    // puts it depends on the marks drawn in the plot).
    EXPECT_TRUE(HasDate(p)) << p;

    // The blocks can be left out.
    const std::string bare = Out("bare.pdf");
    ASSERT_EQ(RunReport(Quoted(kFilm) + " --no-title --no-params --no-maker -o " + Quoted(bare)), 0);
    const std::string b = PdfText(bare);
    EXPECT_FALSE(Contains(b, "红外分光光度计ZQ735") || Contains(b, "测量模式") || Contains(b, "售后服务")) << b;
}

TEST_F(CliReport, BadArgumentsAndFilesGiveStatusTwo)
{
    const std::string out = Quoted(Out("x.pdf"));
    for (const std::string& args :
         {Quoted(kFilm), "-o " + out, Quoted(kFilm) + " --curve 0 -o " + out,
          Quoted(kFilm) + " --curve 2 -o " + out, Quoted(kFilm) + " --peaks -o " + out,
          Quoted(kFilm) + " --data -1 -o " + out, Quoted(kFilm) + " --frobnicate -o " + out,
          Quoted(Out("missing.ir")) + " -o " + out,
          Quoted(std::string(ZQ735_TEST_DATA) + "/hostile/wrong-magic.ir") + " -o " + out,
          Quoted(kFilm) + " -o " + Quoted(Out("no/such/dir/x.pdf")),
          // One search per page: two thresholds would mark at one and list at the other.
          Quoted(kFilm) + " --peaks 5 --valleys 30 -o " + out})
        EXPECT_EQ(RunReport(args), 2) << args;
}

TEST_F(CliReport, ValleysAloneAreMarkedAndListedAlone)
{
    const std::string both = Out("both.pdf"), valleys = Out("valleys.pdf");
    ASSERT_EQ(RunReport(Quoted(kFilm) + " --peaks 5 -o " + Quoted(both)), 0);
    ASSERT_EQ(RunReport(Quoted(kFilm) + " --valleys 5 -o " + Quoted(valleys)), 0);
    const std::string b = PdfText(both), v = PdfText(valleys);
    EXPECT_TRUE(Contains(b, "峰尖数值")) << b;
    EXPECT_FALSE(Contains(v, "峰尖数值")) << v;
    EXPECT_TRUE(Contains(v, "1601.000")) << v;
    // The labels on the plot: the abscissas of the peaks ("%1.1f") are on
    // the page that marks them and on no other.
    const std::string cmd = std::string(ZQ735_BIN_DIR) + "/app/zq735-cli peaks " + Quoted(kFilm) +
                            " --height 5 --csv 2>/dev/null";
    FILE* p = ::popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::vector<std::string> labels;
    char line[256];
    while (std::fgets(line, sizeof line, p) != nullptr) {
        double x = 0;
        if (std::sscanf(line, "peak,%*d,%lf", &x) == 1) {
            char label[32];
            std::snprintf(label, sizeof label, "%1.1f", x);
            labels.push_back(label);
        }
    }
    ::pclose(p);
    ASSERT_GE(labels.size(), 3u);
    // Whole words: "871.0" is also the tail of a valley's "1871.0".
    auto words = [](const std::string& text) {
        std::set<std::string> out;
        std::istringstream in(text);
        for (std::string w; in >> w;)
            out.insert(w);
        return out;
    };
    const std::set<std::string> onBoth = words(b), onValleys = words(v);
    size_t marked = 0;
    for (const std::string& label : labels) {
        marked += onBoth.count(label);
        EXPECT_EQ(onValleys.count(label), 0u) << label << "\n" << v;
    }
    EXPECT_GE(marked, labels.size() / 2) << b;

    // --bands: the absorption bands with their width and area, in units.
    const std::string withBands = Out("bands.pdf");
    ASSERT_EQ(RunReport(Quoted(kFilm) + " --valleys 5 --bands -o " + Quoted(withBands)), 0);
    const std::string w = PdfText(withBands);
    EXPECT_TRUE(Contains(w, "半高宽(cm-1)") && Contains(w, "面积(Abs·cm-1)")) << w;
    EXPECT_TRUE(Contains(w, "1601.000")) << w;
}

}  // namespace
