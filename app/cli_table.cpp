// zq735-cli table: the data table of a spectrum file's curve, written exactly
// as the window "数据列表" copies it with "复制全部" (cells separated by a tab,
// CR LF between rows, nothing after the last), or only the rows a printout
// with a row interval lists.

#include <cstdio>
#include <string>
#include <vector>

#include "app/CliCommand.h"
#include "app/CliSpectrumFile.h"
#include "spectra/DataTable.h"

namespace {

int Usage()
{
    std::fprintf(stderr, "zq735-cli: usage: table FILE.ir [--curve N] [--interval K]\n");
    return cli::ExitUsage;
}

int RunTable(const std::vector<std::string>& args)
{
    std::string path;
    int curve = 1;
    int interval = -1;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool more = i + 1 < args.size();
        if (a == "--curve" && more && cli::ParseInt(args[i + 1], 1, 20, curve)) {
            ++i;
        } else if (a == "--interval" && more && cli::ParseInt(args[i + 1], 0, 1 << 30, interval)) {
            ++i;
        } else if (path.empty() && a.rfind("--", 0) != 0) {
            path = a;
        } else {
            return Usage();
        }
    }
    if (path.empty())
        return Usage();

    cli::TSpectrumFile file;
    if (const int r = file.Open(path); r != cli::ExitOk)
        return r;
    TSpCurveZQ735* c = file.Curve(curve);
    if (c == nullptr) {
        std::fprintf(stderr, "zq735-cli: %s has no curve %d\n", path.c_str(), curve);
        return cli::ExitUsage;
    }
    // As the window: a time drive is told by the record of slot 0.
    const TMeasureParams* p = file.Model().ParamsOfSlot(0);
    const bool timeDrive = p != nullptr && p->ScanMode == 2;
    const TDataTableColumns t = DataTableColumns(*c, timeDrive, p != nullptr ? p->XStart : 0.0f,
                                                 p != nullptr ? p->XEnd : 0.0f,
                                                 p != nullptr ? static_cast<int32_t>(p->ScanTime) : 0);
    const auto n = static_cast<int32_t>(t.Y.size());
    std::string text;
    if (interval < 0) {
        text = DataTableText(t, 0, n);
    } else {
        std::vector<std::vector<std::string>> rows;
        for (const int32_t r : DataTableIntervalRows(n, interval))
            rows.push_back(DataTableRow(t, r));
        text = JoinGridRows(rows);
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    return cli::ExitOk;
}

const bool Registered = cli::Register(
    {"table",
     "  table FILE.ir [--curve N] [--interval K]\n"
     "                          the data table of curve N as the window copies it (tab-separated, CR LF);\n"
     "                          with K only the rows a printout with that row interval lists\n",
     &RunTable});

}  // namespace
