// zq735-cli import FILE.jdx|FILE.csv -o FILE.ir

#include <cstdio>

#include "acquisition/OfflineDocument.h"
#include "app/CliCommand.h"
#include "formats/SpectrumCurves.h"

namespace {

int RunImport(const std::vector<std::string>& args)
{
    std::string in, out;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-o" && i + 1 < args.size()) {
            out = args[++i];
        } else if (in.empty() && !a.empty() && a[0] != '-') {
            in = a;
        } else {
            std::fprintf(stderr, "zq735-cli: import: bad or incomplete option '%s'\n", a.c_str());
            return cli::ExitUsage;
        }
    }
    if (in.empty() || out.empty()) {
        std::fprintf(stderr, "zq735-cli: usage: import FILE.jdx|FILE.csv -o FILE.ir\n");
        return cli::ExitUsage;
    }
    std::vector<TSpectrum> spectra;
    std::string error;
    if (!ReadSpectraFile(in, spectra, error)) {
        std::fprintf(stderr, "zq735-cli: %s\n", error.c_str());
        return cli::ExitUsage;
    }
    TOfflineDocument doc;
    // The measurement's date comes along when the file names one.
    doc.Date = ScanDateOfLongDate(spectra.front().LongDate);
    std::vector<int> added;
    // A file holding what no spectrum file can (too many points or curves,
    // abscissas beyond any scale) is a bad file for this program.
    if (!AddSpectraToModel(doc.Model(), spectra, error, &added)) {
        std::fprintf(stderr, "zq735-cli: %s: %s\n", in.c_str(), error.c_str());
        return cli::ExitUsage;
    }
    if (doc.Model().SaveSpectrumFile(out, doc.Date) != 0) {
        std::fprintf(stderr, "zq735-cli: 无法存储文件 %s\n", out.c_str());
        return cli::ExitUsage;
    }
    std::printf("imported %zu spectr%s from %s into %s\n", added.size(), added.size() == 1 ? "um" : "a",
                in.c_str(), out.c_str());
    return cli::ExitOk;
}

const bool Registered =
    cli::Register({"import",
                   "  import FILE.jdx|FILE.csv -o FILE.ir\n"
                   "                          a JCAMP-DX or CSV file as a spectrum file\n",
                   &RunImport});

}  // namespace
