// Cross-check with an independent reader: the npm package jcampconverter
// 10.0.2 (MIT), installed into a temporary folder, reads an exported scan of
// the polystyrene film; its abscissas and ordinates must be ours.

#include "formats/Jcamp.h"
#include "acquisition/OfflineDocument.h"
#include "formats/SpectrumCurves.h"
#include "spectra/SpCurveZQ735.h"
#include "tests/support/GuiApp.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/support/Run.h"

namespace {

bool Have(const char* program)
{
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

std::string Shell(const std::string& command, int& status)
{
    const TRun r = RunShell(command);
    status = r.Status;
    return r.Out;
}

const char* const Script = R"(
const { convert } = require(process.argv[2] + '/node_modules/jcampconverter/jcampconverter.cjs');
const text = require('fs').readFileSync(process.argv[3], 'utf8');
for (const entry of convert(text).flatten) {
  for (const s of entry.spectra) {
    console.log('block ' + s.data.x.length);
    for (let i = 0; i < s.data.x.length; i++) console.log(s.data.x[i] + ' ' + s.data.y[i]);
  }
}
)";

TEST(JcampConverter, ReadsOurPolystyreneScanAsWeDo)
{
    if (!Have("npm") || !Have("node"))
        GTEST_SKIP() << "npm and node are not installed: the cross-check with jcampconverter 10.0.2 is skipped";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string d = dir.path().toStdString();
    int status = 0;
    const std::string log =
        Shell("npm install --prefix '" + d + "' --no-audit --no-fund jcampconverter@10.0.2 2>&1", status);
    if (status != 0)
        GTEST_SKIP() << "npm could not install jcampconverter@10.0.2 (offline?), cross-check skipped:\n" << log;
    std::ofstream(d + "/read.js") << Script;

    TOfflineDocument doc;
    ASSERT_EQ(doc.Model().OpenSpectrumFile(ZQ735_TEST_DATA "/formats/polystyrene.ir", doc.Date), 0);
    const TSpectrum ours = SpectraOfModel(doc.Model(), 0).at(0);
    ASSERT_EQ(ours.Parts.size(), 2u);

    for (const TJcampForm form : {TJcampForm::DifDup, TJcampForm::Affn}) {
        SCOPED_TRACE(form == TJcampForm::Affn ? "AFFN" : "DIFDUP");
        TJcampWriteOptions o;
        o.Form = form;
        std::ofstream(d + "/ps.jdx", std::ios::binary) << WriteJcamp(ours, o);
        const std::string out = Shell("node '" + d + "/read.js' '" + d + "' '" + d + "/ps.jdx'", status);
        ASSERT_EQ(status, 0) << out;

        std::istringstream lines(out);
        std::string word;
        for (const TSpectrumPart& part : ours.Parts) {
            size_t n = 0;
            ASSERT_TRUE(lines >> word >> n) << out.substr(0, 200);
            ASSERT_EQ(word, "block");
            ASSERT_EQ(n, part.Y.size());
            for (size_t i = 0; i < n; ++i) {
                double x = 0, y = 0;
                ASSERT_TRUE(lines >> x >> y);
                const double wantX = part.XAt(i), wantY = part.Y[i] / 100.0;   // %T as a fraction
                ASSERT_LE(std::fabs(x - wantX), 1e-4 * std::fabs(wantX)) << i;
                ASSERT_LE(std::fabs(y - wantY), 1e-4 * std::fabs(wantY)) << i;
            }
        }
    }
}

}  // namespace
