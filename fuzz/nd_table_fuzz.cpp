// A working-curve file (*.irc) opened as "打开" of the quantitative window
// does it: loaded, the grid filled, the unit applied, the fit's figures.

#include "fuzz/FuzzSupport.h"
#include "quant/NDTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = fuzz::WriteInput("input.irc", data, size);
    TNDTable t;
    t.ResetTable();
    if (t.LoadCurveFile(path) != 0)
        return 0;
    t.FinishOpen();
    if (t.CurveBuilt)
        (void)t.FitStats();
    for (int r = 1; r < t.RowCount(); ++r)
        (void)t.Extrapolated(r);
    return 0;
}
