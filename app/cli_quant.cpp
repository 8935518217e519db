// zq735-cli quant FILE.irc: a working-curve table as the quantitative window
// shows it after "打开" — the same table operations (load, grid from the
// items, the stored unit applied, the curve rebuilt), printed as text.

#include <cstdio>
#include <filesystem>
#include <string>

#include "app/CliCommand.h"
#include "quant/NDTable.h"

namespace {

int RunQuant(const std::vector<std::string>& args)
{
    if (args.size() != 1) {
        std::fprintf(stderr, "zq735-cli: usage: quant FILE.irc\n");
        return cli::ExitUsage;
    }
    const std::string& path = args[0];
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        std::fprintf(stderr, "zq735-cli: %s: 文件不存在！\n", path.c_str());
        return cli::ExitUsage;
    }
    TNDTable t;
    t.ResetTable();
    if (const int r = t.LoadCurveFile(path); r != 0) {
        std::fprintf(stderr, "zq735-cli: %s: %s\n", path.c_str(), NDLoadMessage(r));
        return cli::ExitUsage;
    }
    // The rows of the file; opening appends a fresh row only when the table
    // has room and every row is complete, and that row is not printed.
    const int rows = t.ItemCount;
    t.FinishOpen();

    std::printf("file: %s\n", path.c_str());
    std::printf("unit: %s\n", NDUnitName(t.UnitIndex));
    std::printf("rows: %d, standards: %d, curve %s\n", rows, t.StdCount,
                t.CurveBuilt ? "built" : "not built");
    for (const std::string& w : t.CurveWarnings())
        std::fprintf(stderr, "zq735-cli: %s: 警告：%s\n", path.c_str(), w.c_str());
    // The grid's header and the file's rows, one line per row, cells
    // separated by tabs.
    for (int r = 0; r <= rows; ++r) {
        std::string line;
        for (int c = 0; c < NDColumns; ++c) {
            if (c > 0)
                line += '\t';
            line += t.Cell(r, c);
        }
        std::printf("%s\n", line.c_str());
    }
    if (!t.CurveBuilt)
        return cli::ExitOk;
    std::printf("k = %.9g\nb = %.9g\nR = %.9g\n", static_cast<double>(t.Slope),
                static_cast<double>(t.Intercept), static_cast<double>(t.CorrCoef));
    std::printf("关系函数  %s\n相关系数  %s\n", t.LabelCA.c_str(), t.LabelR.c_str());
    const TNDFitStats s = t.FitStats();
    for (size_t i = 0; i < s.Residuals.size(); ++i)
        std::printf("标样%zu  残差 %s %s\n", i + 1, FormatFixed(s.Residuals[i], t.MassDecimals).c_str(),
                    NDUnitName(t.UnitIndex));
    if (s.HasStdError)
        std::printf("标准误差 %s %s\n", FormatFixed(s.StdError, t.MassDecimals).c_str(),
                    NDUnitName(t.UnitIndex));
    if (s.HasLod)
        std::printf("检出限 %s\n", t.LodText().c_str());
    for (int r = t.StdCount + 1; r <= rows; ++r) {
        std::printf("样品%d  %s  Abs %s  石英质量 %s %s  校正质量 %s %s  石英含量 %s%%%s\n", r - t.StdCount,
                    t.Cell(r, NDColName).c_str(), t.Cell(r, NDColAbs).c_str(), t.Cell(r, NDColQuartz).c_str(),
                    NDUnitName(t.UnitIndex), t.Cell(r, NDColCorr).c_str(), NDUnitName(t.UnitIndex),
                    t.Cell(r, NDColContent).c_str(), t.Extrapolated(r) ? "  外推" : "");
    }
    return cli::ExitOk;
}

const bool Registered = cli::Register(
    {"quant", "  quant FILE.irc          a working-curve table: rows, k, b, R and the samples' results\n",
     &RunQuant});

}  // namespace
