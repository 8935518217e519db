// zq735-cli export FILE.ir [--curve N] --jcamp|--csv [--affn] [-o OUT]

#include <cstdio>

#include "acquisition/OfflineDocument.h"
#include "app/CliCommand.h"
#include "formats/SpectrumCurves.h"

namespace {

// Opens a spectrum file into the document; the exit status.
int OpenIr(TOfflineDocument& doc, const std::string& path)
{
    const int r = doc.Model().OpenSpectrumFile(path, doc.Date);
    if (r == -1) {
        std::fprintf(stderr, "zq735-cli: 无法打开文件 %s\n", path.c_str());
        return cli::ExitUsage;
    }
    if (r == -2) {
        std::fprintf(stderr, "zq735-cli: 不是光谱文件 %s\n", path.c_str());
        return cli::ExitUsage;
    }
    return cli::ExitOk;
}

int RunExport(const std::vector<std::string>& args)
{
    std::string in, out, format;
    bool affn = false;
    int curve = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--jcamp" || a == "--csv") {
            if (!format.empty() && format != a) {
                std::fprintf(stderr, "zq735-cli: export: --jcamp or --csv, not both\n");
                return cli::ExitUsage;
            }
            format = a;
        } else if (a == "--affn") {
            affn = true;
        } else if (a == "--curve" && hasValue && cli::ParseInt(args[i + 1], 1, 20, curve)) {
            ++i;
        } else if (a == "-o" && hasValue) {
            out = args[++i];
        } else if (in.empty() && !a.empty() && a[0] != '-') {
            in = a;
        } else {
            std::fprintf(stderr, "zq735-cli: export: bad or incomplete option '%s'\n", a.c_str());
            return cli::ExitUsage;
        }
    }
    if (in.empty() || format.empty()) {
        std::fprintf(stderr, "zq735-cli: usage: export FILE.ir [--curve N] --jcamp|--csv [-o OUT]\n");
        return cli::ExitUsage;
    }
    TOfflineDocument doc;
    if (const int r = OpenIr(doc, in); r != cli::ExitOk)
        return r;
    // --curve counts the file's curves from 1; they sit in slots 0, 1, ...
    int slot = curve - 1;
    if (curve > 0 && doc.Graph().CurveAt(slot) == nullptr) {
        std::fprintf(stderr, "zq735-cli: %s has no curve %d\n", in.c_str(), curve);
        return cli::ExitUsage;
    }
    std::string text, error;
    bool ok;
    if (format == "--csv")
        ok = ExportCsvText(doc.Model(), slot, text, error);
    else
        ok = ExportJcampText(doc.Model(), slot, doc.Date, text, error,
                             affn ? TJcampForm::Affn : TJcampForm::DifDup);
    if (!ok) {
        std::fprintf(stderr, "zq735-cli: %s: %s\n", in.c_str(), error.c_str());
        return cli::ExitUsage;
    }
    if (out.empty() || out == "-") {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return cli::ExitOk;
    }
    if (!WriteTextFile(out, text, error)) {
        std::fprintf(stderr, "zq735-cli: %s\n", error.c_str());
        return cli::ExitUsage;
    }
    std::printf("exported %s to %s\n", in.c_str(), out.c_str());
    return cli::ExitOk;
}

const bool Registered =
    cli::Register({"export",
                   "  export FILE.ir [--curve N] --jcamp|--csv [--affn] [-o OUT]\n"
                   "                          every curve, or curve N, to OUT or standard output (several\n"
                   "                          curves: one compound JCAMP-DX file, or CSV column pairs when\n"
                   "                          their abscissas differ);\n"
                   "                          --affn: JCAMP-DX ordinates as plain numbers, not compressed\n",
                   &RunExport});

}  // namespace
