// zq735-cli process: the window's processing commands on a spectrum file,
// in the order given, through the very same library functions, then saved.
//
//   process FILE.ir [--curve N] STEP... -o OUT.ir
//
// Every argument and every file is checked before anything is processed, and
// the output is written only when every step went through: a bad argument or
// file exits 2, an operation the data refuses exits 1 with the operator's
// message of the window, and in both cases nothing is written.

#include "acquisition/ApparaZQ735.h"
#include "acquisition/CurveProcessing.h"
#include "app/CliCommand.h"
#include "acquisition/OfflineDocument.h"
#include "plot/SpGraph735.h"
#include "spectra/Processing.h"
#include "spectra/SpCurveZQ735.h"
#include "surface/SpImage.h"

#include <QImage>
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace {

const char* const Usage =
    "  process FILE.ir [--curve N] STEP... -o OUT.ir\n"
    "                          process curve N (as info numbers them; default: the first)\n"
    "                          and save all curves;\n"
    "                          steps, in order: convert (%T<->Abs; all curves without --curve),\n"
    "                          expand K, smooth, derive N (1-4),\n"
    "                          add|sub|mul|div FILE2.ir[:N] (curve N of FILE2, default its first)\n"
    "                          | add|sub|mul|div --const C\n";

// A graph and a model without an instrument, holding one opened file.
struct TFileSession : TOfflineDocument {
    // 0, or ExitUsage with the reason printed.
    int Open(const std::string& path)
    {
        const int r = Model().OpenSpectrumFile(path, Date);
        if (r == -1) {
            std::fprintf(stderr, "zq735-cli: process: 无法打开文件 %s\n", path.c_str());
            return cli::ExitUsage;
        }
        if (r == -2) {
            std::fprintf(stderr, "zq735-cli: process: 不是光谱文件 %s\n", path.c_str());
            return cli::ExitUsage;
        }
        return cli::ExitOk;
    }

    // The slot of curve `number` (1-based, as `info` counts), or the first
    // curve's when no number was given (opening leaves the last one current,
    // which is not what the help promises); -1 when there is no such curve.
    int SlotOf(std::optional<int> number) const
    {
        if (number)
            return *number >= 1 && *number <= TSpGraph735::SlotCount &&
                           Graph().CurveAt(*number - 1) != nullptr
                       ? *number - 1
                       : -1;
        for (int slot = 0; slot < TSpGraph735::SlotCount; ++slot)
            if (Graph().CurveAt(slot) != nullptr)
                return slot;
        return -1;
    }
};

// The second operand of an arithmetic step, taken out of its file.
struct TOperand {
    std::string Path;
    std::optional<int> Curve;
    std::string CurveText;
    TMeasureParams Params;
    TCurveInfo Info{};
    std::vector<float> Values;
};

struct TStep {
    std::string Name;  // convert, expand, smooth, derive, add, sub, mul, div
    double Number = 0;
    bool Constant = false;
    int Operand = -1;  // index into the operands
};

bool ArithmeticName(const std::string& s, TArithmeticOp& op)
{
    const char* const names[4] = {"add", "sub", "mul", "div"};
    for (int i = 0; i < 4; ++i) {
        if (s == names[i]) {
            op = static_cast<TArithmeticOp>(i);
            return true;
        }
    }
    return false;
}

// FILE2.ir[:N]: a trailing ":digits" is the curve number, kept as given so
// that a number no file can hold is named as typed.
void SplitOperand(const std::string& arg, TOperand& o)
{
    o.Path = arg;
    const size_t colon = arg.rfind(':');
    if (colon == std::string::npos || colon + 1 >= arg.size())
        return;
    const std::string tail = arg.substr(colon + 1);
    if (tail.find_first_not_of("0123456789") != std::string::npos)
        return;
    o.Path = arg.substr(0, colon);
    int n = 0;
    o.Curve = cli::ParseInt(tail, 0, 1 << 30, n) ? n : -1;
    o.CurveText = tail;
}

int BadArgument(const std::string& what)
{
    std::fprintf(stderr, "zq735-cli: process: %s\n", what.c_str());
    return cli::ExitUsage;
}

int Refused(const char* text)
{
    std::fprintf(stderr, "zq735-cli: process: %s\n", text);
    std::printf("%s\n", text);
    // A result the stored numbers cannot hold comes from the numbers given
    // on the command line, and a second file on another grid is the wrong
    // file: both are bad arguments rather than data the operation refused.
    const std::string t = text;
    return t == kOutOfRangeText || t == kGridsDifferText ? cli::ExitUsage : cli::ExitRefused;
}

// Curves store 32-bit floats: a constant must keep its size there, neither
// turning infinite nor vanishing to zero.
const std::string kFloatRangeText = "a decimal number a 32-bit float holds: 0, or 1.4e-45 to 3.4e38 in magnitude";
bool FitsFloat(double d)
{
    const auto f = static_cast<float>(d);
    return std::isfinite(f) && (f != 0.0f || d == 0.0);
}

// Reads each operand's curve; ExitUsage when a file or a curve number is bad.
int LoadOperands(std::vector<TOperand>& operands)
{
    for (TOperand& o : operands) {
        TFileSession s;
        if (const int r = s.Open(o.Path); r != cli::ExitOk)
            return r;
        const int slot = s.SlotOf(o.Curve);
        if (slot < 0)
            return BadArgument("no curve " + (o.Curve ? o.CurveText : std::string("at all")) + " in " +
                               o.Path);
        o.Params = *s.Model().ParamsOfSlot(slot);
        TSpCurveZQ735& c = *s.Graph().CurveAt(slot);
        std::lock_guard lock(c.Mutex);
        o.Info = c.Info;
        o.Values.assign(c.GetData(), c.GetData() + c.Info.PointCount);
    }
    return cli::ExitOk;
}

int RunProcess(const std::vector<std::string>& args)
{
    if (args.empty() || args[0].rfind("-", 0) == 0)
        return BadArgument("needs a spectrum file first: process FILE.ir [--curve N] STEP... -o OUT.ir");
    const std::string input = args[0];
    std::optional<int> curveNumber;
    std::string output;
    std::vector<TStep> steps;
    std::vector<TOperand> operands;

    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasNext = i + 1 < args.size();
        const std::string next = hasNext ? args[i + 1] : std::string();
        TArithmeticOp op;
        int n = 0;
        double d = 0;
        if (a == "-o") {
            if (!hasNext)
                return BadArgument("-o needs an output file");
            output = next;
            ++i;
        } else if (a == "--curve") {
            if (!hasNext || !cli::ParseInt(next, 1, 20, n))
                return BadArgument("bad curve number '" + next + "' (--curve 1-20)");
            curveNumber = n;
            ++i;
        } else if (a == "convert" || a == "smooth") {
            steps.push_back({a, 0, false, -1});
        } else if (a == "expand") {
            if (!hasNext || !cli::ParseNumber(next, d) || !FitsFloat(d) || !(std::fabs(d) > 1e-6))
                return BadArgument("bad coefficient '" + next + "' for expand (" + kFloatRangeText +
                                   ", not 0)");
            steps.push_back({a, d, false, -1});
            ++i;
        } else if (a == "derive") {
            if (!hasNext || !cli::ParseInt(next, 1, 4, n))
                return BadArgument("bad order '" + next + "' for derive (1-4)");
            steps.push_back({a, static_cast<double>(n), false, -1});
            ++i;
        } else if (ArithmeticName(a, op)) {
            if (!hasNext)
                return BadArgument(a + " needs FILE2.ir[:N] or --const C");
            if (next == "--const") {
                if (i + 2 >= args.size() || !cli::ParseNumber(args[i + 2], d) || !FitsFloat(d))
                    return BadArgument("bad constant '" +
                                       (i + 2 < args.size() ? args[i + 2] : std::string()) + "' for " + a +
                                       " (" + kFloatRangeText + ")");
                steps.push_back({a, d, true, -1});
                i += 2;
            } else if (next.rfind("-", 0) == 0) {
                return BadArgument(a + " needs FILE2.ir[:N] or --const C, not '" + next + "'");
            } else {
                TOperand o;
                SplitOperand(next, o);
                operands.push_back(std::move(o));
                steps.push_back({a, 0, false, static_cast<int>(operands.size()) - 1});
                ++i;
            }
        } else {
            return BadArgument("unknown step or option '" + a + "'");
        }
    }
    if (steps.empty())
        return BadArgument("no step given");
    if (output.empty())
        return BadArgument("needs -o OUT.ir");

    // The operands first, each in a session of its own that is gone before
    // the file to be processed is opened.
    if (const int r = LoadOperands(operands); r != cli::ExitOk)
        return r;

    TFileSession s;
    if (const int r = s.Open(input); r != cli::ExitOk)
        return r;
    const int slot = s.SlotOf(curveNumber);
    if (slot < 0)
        return BadArgument(curveNumber ? "no curve " + std::to_string(*curveNumber) + " in " + input
                                       : "no curve in " + input);
    s.Graph().SetCurrent(slot);
    TSpCurveZQ735& curve = *s.Graph().CurveAt(slot);

    for (const TStep& step : steps) {
        TArithmeticOp op;
        if (step.Name == "convert") {
            bool converted;
            if (curveNumber) {
                converted = ConvertSlotTA(s.Model(), slot);
                if (converted)
                    FitViewToCurrentMode(s.Model());
            } else {
                converted = ConvertAllTA(s.Model());
            }
            if (!converted)
                return Refused(kConvertRefusedText);
        } else if (step.Name == "expand") {
            if (const char* refused = ExpandAbsorption(curve, static_cast<float>(step.Number)))
                return Refused(refused);
        } else if (step.Name == "smooth") {
            Smooth(curve);
        } else if (step.Name == "derive") {
            for (int k = 0; k < static_cast<int>(step.Number); ++k)
                Differentiate(curve);
        } else if (ArithmeticName(step.Name, op)) {
            const char* refused = nullptr;
            if (step.Constant) {
                refused = ArithmeticWithConstant(curve, op, static_cast<float>(step.Number));
            } else {
                const TOperand& o = operands[static_cast<size_t>(step.Operand)];
                TSpCurveZQ735 second(nullptr, o.Info, o.Values.data());
                refused = ArithmeticWithCurve(curve, *s.Model().ParamsOfSlot(slot), second, o.Params, op);
            }
            if (refused != nullptr)
                return Refused(refused);
        }
    }

    if (s.Model().SaveSpectrumFile(output, s.Date) != 0) {
        std::fprintf(stderr, "zq735-cli: process: 无法存储文件 %s\n", output.c_str());
        return cli::ExitUsage;
    }
    std::printf("processed curve %d of %s in %zu step%s, saved %s\n", slot + 1, input.c_str(), steps.size(),
                steps.size() == 1 ? "" : "s", output.c_str());
    return cli::ExitOk;
}

[[maybe_unused]] const bool Registered = cli::Register({"process", Usage, &RunProcess});

}  // namespace
