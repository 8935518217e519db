// zq735-cli: the acquisition engine without the window, for automation and
// tests. Commands run in one connection, in the order given; progress goes to
// standard error, results to standard output.
//
// Exit status: 0 success, 1 instrument failure, 2 bad arguments or bad file.

#include "acquisition/ApparaZQ735.h"
#include "app/CliCommand.h"
#include "text/GbkText.h"
#include "acquisition/PumpedSink.h"
#include "acquisition/ThrTask.h"
#include "acquisition/ZQ735Task.h"
#include "fileio/AtomicFile.h"
#include "fileio/FolderLock.h"
#include "link/SpComm.h"
#include "plot/SpGraph735.h"
#include "surface/SpImage.h"
#include "sim/SimPtyHost.h"
#include "spectra/SpCurveZQ735.h"
#include "ui/SysConfig.h"

#include <QGuiApplication>
#include <QImage>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int ExitOk = 0;
constexpr int ExitInstrument = 1;
constexpr int ExitUsage = 2;

const char* const Usage =
    "usage: zq735-cli [CONNECTION] COMMAND [ARGS] [COMMAND [ARGS] ...]\n"
    "\n"
    "Connection (for instrument commands):\n"
    "  --simulate              use the built-in simulated instrument\n"
    "    --sim-speed N         its pace as a factor over the real link (default 1)\n"
    "    --sim-sample FILE     sample in its beam: a %T file, 'empty', or 'quartz:MG'\n"
    "                          (a KBr pellet with MG mg of quartz; default: polystyrene film)\n"
    "  --port DEVICE           use this serial device\n"
    "  (neither: look for the USB-serial adapter)\n"
    "\n"
    "Instrument commands:\n"
    "  status                  connect, print the state and one reading\n"
    "  reset                   system reset (motors, parameters, calibration)\n"
    "  calibrate               zero and 100 % references\n"
    "  goto X                  move the grating to X cm-1\n"
    "  baseline100             scan the 100 % baseline (kept in BK100.dat)\n"
    "  background              scan the background baseline\n"
    "  scan [--mode T|A|E] [--speed 0-4] [--slit 1-5] [--response 0-3]\n"
    "       [--from X] [--to X] [--count N] [--time S] -o FILE.ir\n"
    "                          scan (or, with --time, drive in time for S seconds at the\n"
    "                          wavenumber --from, else where the grating stands) and save\n"
    "File commands:\n"
    "  info FILE.ir            curves, parameters, point counts, date\n";

const char* const UsageEnd =
    "\n"
    "Exit status: 0 success, 1 instrument failure (or an operation the data refused, or\n"
    "the data folder in use by another program), 2 bad arguments or bad file.\n";

void PrintUsage(std::FILE* to)
{
    std::fputs(Usage, to);
    for (const cli::TFileCommand& c : cli::FileCommands())
        std::fputs(c.Usage, to);
    std::fputs(UsageEnd, to);
}

struct TCommand {
    std::string Name;
    std::vector<std::string> Args;
};

using cli::ParseInt;
using cli::ParseNumber;

// --- the headless window side ------------------------------------------------

class TCliSink : public TPumpedSink {
public:
    int State = -1;
    int StatesSeen = 0;
    bool Busy = false;
    bool Ended = false;
    bool Failed = false;
    int FailCode = 0;
    int ResetEnd = 0;
    bool ResetEnded = false;
    float Wavenumber = 4000.0f;
    std::optional<double> Reading;
    std::string Error;
    int BusyStarts = 0;

protected:
    void OnMessage(unsigned message, intptr_t w, intptr_t l) override
    {
        switch (message) {
        case UM_STATE:
            State = static_cast<int>(l);
            ++StatesSeen;
            break;
        case UM_BUSY:
            if (l == 0) {
                Busy = true;
                ++BusyStarts;
            } else if (Busy) {
                Busy = false;
                Ended = true;
            }
            break;
        case UM_TASK_FAILED:
            Busy = false;
            Ended = true;
            Failed = true;
            FailCode = static_cast<int>(l);
            break;
        case UM_POSITION:
            if (w == 0)
                Wavenumber = static_cast<float>(l) / 10.0f;
            break;
        case UM_READING:
            Reading = static_cast<double>(l) / 10000.0;
            Wavenumber = static_cast<float>(w) / 100.0f;
            break;
        case UM_RESET_PROGRESS:
            if ((w & 0xFFFF) == 3) {
                ResetEnded = true;
                ResetEnd = static_cast<int>(l);
            }
            break;
        default: break;
        }
    }
    void OnError(const std::string& text) override { Error = text; }
};

struct TSession {
    std::unique_ptr<TSimPtyHost> Sim;
    TCliSink Sink;
    QImage Canvas{1000, 600, QImage::Format_RGB32};
    std::unique_ptr<TSpImage> Surface;
    std::unique_ptr<TSpGraph735> Graph;
    std::unique_ptr<TSpComm> Comm;
    std::unique_ptr<TApparaZQ735> Model;
    std::unique_ptr<TZQ735Task> Task;
    std::unique_ptr<TThrTask> Thread;
    TScanDateTime Date;

    TSession()
    {
        Canvas.fill(Qt::white);
        Surface = std::make_unique<TSpImage>(nullptr, &Canvas, 0, 0, Canvas.width(), Canvas.height());
        Graph = std::make_unique<TSpGraph735>(nullptr, Surface.get());
        Graph->SetStartRanges();
        Model = std::make_unique<TApparaZQ735>(Sink, *Graph, DataFolder().toStdString());
        if (!Model->HundredLineNotice().empty())
            std::fprintf(stderr, "zq735-cli: %s\n", Model->HundredLineNotice().c_str());
        TSysSettings settings;
        if (ReadConfig(QStringLiteral("ZQ735.cfg"), settings)) {
            TSystemBlock sb = Model->SystemBlock();
            sb.MotorType = settings.MotorType;
            sb.StrayLightCorr = settings.StrayLightCorr;
            Model->SetSystemBlock(&sb);
        }
    }

    ~TSession()
    {
        if (Task) {
            Task->RequestShutdown();
            Task->Stop();
            Sink.PumpUntil([&] { return Task->IsFinished(); }, std::chrono::seconds(30));
        }
        Thread.reset();
        Task.reset();
        Model.reset();
    }

    int Connect(const std::string& port)
    {
        Comm = std::make_unique<TSpComm>();
        if (!port.empty())
            Comm->SetFixedDevice(port);
        Task = std::make_unique<TZQ735Task>(*Model, *Comm);
        Model->SetTask(Task.get());
        Thread = std::make_unique<TThrTask>(*Task);
        Thread->Resume();
        std::fprintf(stderr, "looking for the instrument...\n");
        // The idle passes report the state; give a missing instrument a few tries.
        const bool answered = Sink.PumpUntil(
            [&] { return Sink.State == StatePresent || Sink.State == StateReady || Sink.StatesSeen >= 4; },
            std::chrono::seconds(20));
        if (!answered || (Sink.State != StatePresent && Sink.State != StateReady)) {
            std::fprintf(stderr, "zq735-cli: no instrument answers%s%s\n", port.empty() ? "" : " on ",
                         port.c_str());
            return ExitInstrument;
        }
        std::fprintf(stderr, "instrument present (state %d) at %.1f cm-1\n", Sink.State,
                     static_cast<double>(Model->CurrentWavenumber()));
        return ExitOk;
    }

    // Runs one task like the window does and waits for its end, showing progress.
    int RunTask(const char* what, const std::function<void()>& request)
    {
        Sink.Ended = Sink.Failed = false;
        Sink.Error.clear();
        const int starts = Sink.BusyStarts;
        request();
        auto lastShown = std::chrono::steady_clock::now();
        while (!(Sink.Ended && Sink.BusyStarts > starts)) {
            Sink.Pump(std::chrono::milliseconds(50));
            const auto now = std::chrono::steady_clock::now();
            if (now - lastShown > std::chrono::milliseconds(500)) {
                lastShown = now;
                ShowProgress(what);
            }
        }
        std::fprintf(stderr, "\r%-60s\r", "");
        if (Sink.Failed) {
            std::fprintf(stderr, "%s: %s\n", what, Sink.Error.c_str());
            std::printf("%s failed: %s\n", what, Sink.Error.c_str());
            return ExitInstrument;
        }
        return ExitOk;
    }

    void ShowProgress(const char* what)
    {
        TSpCurveZQ735* c = Model->CurrentCurve();
        if (Task->CurrentCommand() == CmdScan && c != nullptr) {
            TCurveInfo info{};
            c->GetInfo(info);
            const int pct = info.Capacity > 0 ? 100 * info.PointCount / info.Capacity : 0;
            std::fprintf(stderr, "\r%s  %8.1f cm-1  %3d %%  ", what, static_cast<double>(Model->CurrentWavenumber()),
                         pct);
        } else {
            std::fprintf(stderr, "\r%s  %8.1f cm-1  ", what, static_cast<double>(Model->CurrentWavenumber()));
        }
    }
};

// A baseline is measured with the sample out of the beam; with the simulated
// instrument nobody is there to take it out, so this does, and puts it back.
class TSampleOut {
public:
    explicit TSampleOut(TSession& s) : FSim(s.Sim.get())
    {
        if (FSim != nullptr) {
            FSim->SetSampleInBeam(false);
            std::fprintf(stderr, "(simulated instrument: sample taken out of the beam for the baseline)\n");
        }
    }
    ~TSampleOut()
    {
        if (FSim != nullptr)
            FSim->SetSampleInBeam(true);
    }
    TSampleOut(const TSampleOut&) = delete;
    TSampleOut& operator=(const TSampleOut&) = delete;

private:
    TSimPtyHost* FSim;
};

const char* StateText(int s)
{
    switch (s) {
    case StateNone: return "no instrument";
    case StateChecking: return "checking";
    case StatePresent: return "present, not reset";
    case StateReady: return "ready";
    default: return "status";
    }
}

// --- commands --------------------------------------------------------------------

// Applies the scan options to `p`; false (with the message printed) on a bad option.
// A time drive given --from stands at that wavenumber: `driveAt` receives it.
bool ApplyScanOptions(const std::vector<std::string>& args, TMeasureParams& p, std::string& out,
                      std::optional<float>* driveAt = nullptr)
{
    std::optional<double> from, to, time;
    // Every option takes one value.
    for (size_t i = 0; i < args.size(); i += 2) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        const std::string v = hasValue ? args[i + 1] : "";
        int n = 0;
        double d = 0;
        if (a == "-o" && hasValue) {
            out = v;
        } else if (a == "--mode" && hasValue && (v == "T" || v == "A" || v == "E")) {
            p.Mode = v == "T" ? 0 : v == "A" ? 1 : 2;
        } else if (a == "--speed" && hasValue && ParseInt(v, 0, 4, n)) {
            p.Speed = static_cast<uint8_t>(n);
        } else if (a == "--slit" && hasValue && ParseInt(v, 1, 5, n)) {
            p.Slit = static_cast<uint8_t>(n);
        } else if (a == "--response" && hasValue && ParseInt(v, 0, 3, n)) {
            p.Response = static_cast<uint8_t>(n);
        } else if (a == "--count" && hasValue && ParseInt(v, 1, 20, n)) {
            p.ScanCount = n;
        } else if (a == "--from" && hasValue && ParseNumber(v, d) && d >= 400 && d <= 4000) {
            from = d;
        } else if (a == "--to" && hasValue && ParseNumber(v, d) && d >= 400 && d <= 4000) {
            to = d;
        } else if (a == "--time" && hasValue && ParseNumber(v, d) && d >= 1 && d <= kMaxCurvePoints) {
            time = d;
        } else {
            std::fprintf(stderr, "zq735-cli: scan: bad or incomplete option '%s%s%s'\n", a.c_str(),
                         hasValue ? " " : "", v.c_str());
            return false;
        }
    }
    if (out.empty()) {
        std::fprintf(stderr, "zq735-cli: scan needs -o FILE.ir\n");
        return false;
    }
    if (time) {
        if (to) {
            std::fprintf(stderr,
                         "zq735-cli: scan: a time drive stands at one wavenumber: --from X, no --to\n");
            return false;
        }
        if (driveAt != nullptr && from)
            *driveAt = static_cast<float>(*from);
        p.ScanMode = 2;
        p.ScanTime = static_cast<float>(*time);
        p.XStart = 0.0f;
        p.XEnd = static_cast<float>(*time);
    } else {
        if (p.ScanMode == 2)
            p.ScanMode = 0;
        const float x0 = from ? static_cast<float>(*from) : 4000.0f;
        const float x1 = to ? static_cast<float>(*to) : 400.0f;
        if (x0 == x1) {
            std::fprintf(stderr, "zq735-cli: scan: --from and --to must differ\n");
            return false;
        }
        p.XStart = std::max(x0, x1);
        p.XEnd = std::min(x0, x1);
    }
    if (p.Mode == 1) {
        p.YStart = 0.0f;
        p.YEnd = 3.0f;
    }
    return true;
}

int DoScan(TSession& s, const std::vector<std::string>& args)
{
    TMeasureParams p = s.Model->CurrentParams();
    std::string out;
    std::optional<float> driveAt;
    if (!ApplyScanOptions(args, p, out, &driveAt))
        return ExitUsage;
    // A time drive does not move the grating: it is taken where asked first.
    if (driveAt) {
        const int g = s.RunTask("goto", [&] { s.Task->RequestGoto(*driveAt); });
        if (g != ExitOk)
            return g;
    }
    s.Model->SetParams(p);
    s.Date = TScanDateTime{};
    // The recovery file keeps the points until they are in the output file:
    // there is no window here that still holds them.
    s.Model->SetDiscardRecoveryAtScanEnd(false);
    const int r = s.RunTask("scan", [&] { s.Task->RequestScan(20); });
    // Baseline scans after this one have nothing to keep.
    s.Model->SetDiscardRecoveryAtScanEnd(true);
    TSpCurveZQ735* c = s.Graph->CurrentCurve();
    const int points = c != nullptr ? c->GetCount() : 0;
    // A scan cut short by a fault still measured its points up to there.
    if (r != ExitOk && points == 0)
        return r;
    if (s.Model->SaveSpectrumFile(out, s.Date) != 0) {
        std::fprintf(stderr, "zq735-cli: 无法存储文件 %s; the %d points measured stay in %s\n", out.c_str(),
                     points, s.Model->RecoveryPath().c_str());
        return r != ExitOk ? r : ExitUsage;
    }
    if (r != ExitOk) {
        std::fprintf(stderr, "zq735-cli: scan cut short (%s); the %d points measured are saved in %s\n",
                     s.Sink.Error.c_str(), points, out.c_str());
        std::printf("saved %s: %d points measured before the fault\n", out.c_str(), points);
        return r;
    }
    std::printf("saved %s: %d points\n", out.c_str(), points);
    return ExitOk;
}

int OpenFile(TSession& s, const std::string& path)
{
    const int r = s.Model->OpenSpectrumFile(path, s.Date);
    if (r == -1) {
        std::fprintf(stderr, "zq735-cli: 无法打开文件 %s\n", path.c_str());
        return ExitUsage;
    }
    if (r == -2) {
        std::fprintf(stderr, "zq735-cli: 不是光谱文件 %s\n", path.c_str());
        return ExitUsage;
    }
    return ExitOk;
}

int DoInfo(TSession& s, const std::string& path)
{
    if (const int r = OpenFile(s, path); r != ExitOk)
        return r;
    const TGraphView v = s.Graph->GetViewRange();
    std::printf("file: %s\n", path.c_str());
    std::printf("view: x %.1f -> %.1f, y %.2f -> %.2f\n", static_cast<double>(v.XFrom),
                static_cast<double>(v.XTo), static_cast<double>(v.YFrom), static_cast<double>(v.YTo));
    std::printf("curves: %d\n", v.CurveCount);
    for (TSpCurveZQ735* c = s.Graph->FirstCurve(); c != nullptr; c = s.Graph->NextCurve()) {
        const int slot = s.Graph->IndexOfCurve(c);
        const TMeasureParams& p = *s.Model->ParamsOfSlot(slot);
        TCurveInfo info{};
        c->GetInfo(info);
        std::printf("curve %d: \"%s\" %d points, %s %.2f -> %.2f %s, %s\n", slot + 1,
                    GbkFieldToUtf8(info.Name).c_str(), info.PointCount, GbkFieldToUtf8(info.XTitle).c_str(),
                    static_cast<double>(info.XDataFrom), static_cast<double>(info.XDataTo),
                    GbkFieldToUtf8(info.XUnit).c_str(), GbkFieldToUtf8(info.YTitle).c_str());
        std::printf("  mode %s, speed %s, slit %s, response %s, %s, count %d, time %.0f s, range %.1f -> %.1f\n",
                    ModeText(p), SpeedText(p), SlitText(p), ResponseText(p), ScanModeText(p), p.ScanCount,
                    static_cast<double>(p.ScanTime), static_cast<double>(p.XStart), static_cast<double>(p.XEnd));
        if (p.BatchNo[0] != 0 || p.Note[0] != 0)
            std::printf("  batch \"%s\", note \"%s\"\n", GbkFieldToUtf8(p.BatchNo).c_str(),
                        GbkFieldToUtf8(p.Note).c_str());
    }
    const TScanDateTime& d = s.Date;
    if (ScanDateSet(d))
        std::printf("date: %04d-%02d-%02d %02d:%02d:%02d\n", d.Year, d.Month, d.Day, d.Hour, d.Minute, d.Second);
    else
        std::printf("date: none\n");
    return ExitOk;
}

// Only a baseline scan that reached its end is stored; anything else leaves
// the previous baseline in force, and automation must not take it for success.
// `refused`: why a scan that reached its end was not taken or not stored.
int ReportBaseline(const char* what, int taskResult, bool stored, const std::string& refused = {})
{
    if (taskResult != ExitOk)
        return taskResult;
    if (!refused.empty()) {
        std::fprintf(stderr, "zq735-cli: %s\n", refused.c_str());
        std::printf("%s not stored: %s\n", what, refused.c_str());
        return ExitInstrument;
    }
    if (!stored) {
        std::printf("%s not stored: the scan did not reach its end\n", what);
        return ExitInstrument;
    }
    std::printf("%s stored\n", what);
    return ExitOk;
}

int RunCommand(TSession& s, const TCommand& c)
{
    if (c.Name == "status") {
        s.Sink.Reading.reset();
        s.Sink.PumpUntil([&] { return s.Sink.Reading.has_value(); }, std::chrono::seconds(10));
        std::printf("state: %d (%s)\n", s.Sink.State, StateText(s.Sink.State));
        std::printf("wavenumber: %.1f cm-1\n", static_cast<double>(s.Model->CurrentWavenumber()));
        if (s.Sink.Reading)
            std::printf("reading: %.4f\n", *s.Sink.Reading);
        return s.Sink.Reading ? ExitOk : ExitInstrument;
    }
    if (c.Name == "reset") {
        s.Sink.ResetEnded = false;
        const int r = s.RunTask("reset", [&] { s.Task->RequestReset(); });
        if (r != ExitOk)
            return r;
        if (!s.Sink.ResetEnded || s.Sink.ResetEnd < 0 || s.Sink.ResetEnd == 210) {
            std::printf("reset failed (%d)\n", s.Sink.ResetEnd);
            return ExitInstrument;
        }
        std::printf("reset done\n");
        return ExitOk;
    }
    if (c.Name == "calibrate") {
        const int r = s.RunTask("calibrate", [&] { s.Task->RequestCalibrate(); });
        if (r == ExitOk)
            std::printf("calibrated: K %.6f, D %.4f\n", static_cast<double>(s.Model->SystemBlock().ZeroCoef),
                        static_cast<double>(s.Model->SystemBlock().FullCoef));
        return r;
    }
    if (c.Name == "goto") {
        double parsed = 0.0;
        ParseNumber(c.Args[0], parsed);  // checked when the command line was read
        const auto x = static_cast<float>(parsed);
        const int r = s.RunTask("goto", [&] { s.Task->RequestGoto(x); });
        if (r == ExitOk)
            std::printf("at %.1f cm-1\n", static_cast<double>(s.Model->CurrentWavenumber()));
        return r;
    }
    if (c.Name == "baseline100") {
        const TSampleOut out(s);
        const int before = s.Model->HundredLinesStored();
        const int r = s.RunTask("baseline100", [&] { s.Model->StartHundredScan(); });
        return ReportBaseline("100 % baseline", r, s.Model->HundredLinesStored() != before,
                              s.Model->HundredLineNotice());
    }
    if (c.Name == "background") {
        const TSampleOut out(s);
        const int before = s.Model->BackgroundLinesStored();
        const int r = s.RunTask("background", [&] { s.Model->StartBackgroundScan(); });
        return ReportBaseline("background baseline", r, s.Model->BackgroundLinesStored() != before);
    }
    if (c.Name == "scan")
        return DoScan(s, c.Args);
    return DoInfo(s, c.Args[0]);
}

}  // namespace

// QGuiApplication adopts the environment's locale; a German one would print
// "1601,000" into a CSV line and write numbers a script cannot read back.
// What the cli reads and prints is C numbers whatever LC_ALL says.
static void KeepCNumbers()
{
    std::setlocale(LC_NUMERIC, "C");
}

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    bool simulate = false;
    TSimOptions simOptions;
    std::string port;
    size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& a = args[i];
        double d = 0;
        if (a == "--help" || a == "-h") {
            PrintUsage(stdout);
            return ExitOk;
        } else if (a == "--simulate") {
            simulate = true;
        } else if (a == "--sim-speed" && i + 1 < args.size() && ParseNumber(args[i + 1], d) && d > 0) {
            simOptions.Speed = d;
            ++i;
        } else if (a == "--sim-sample" && i + 1 < args.size()) {
            simOptions.SampleFile = args[++i];
        } else if (a == "--port" && i + 1 < args.size()) {
            port = args[++i];
        } else {
            break;
        }
    }

    // A file command takes the whole rest of the line as its own.
    if (i < args.size()) {
        if (const cli::TFileCommand* fc = cli::FindFileCommand(args[i]); fc != nullptr) {
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
                qputenv("QT_QPA_PLATFORM", "offscreen");
            int qargc = 1;
            QGuiApplication app(qargc, argv);
            KeepCNumbers();
            return fc->Run(std::vector<std::string>(args.begin() + static_cast<long>(i) + 1, args.end()));
        }
    }

    // Commands and their arguments.
    std::vector<TCommand> commands;
    bool needsInstrument = false;
    for (; i < args.size(); ++i) {
        const std::string& a = args[i];
        TCommand c{a, {}};
        if (a == "status" || a == "reset" || a == "calibrate" || a == "baseline100" || a == "background") {
            needsInstrument = true;
        } else if (a == "goto") {
            double x = 0;
            if (i + 1 >= args.size() || !ParseNumber(args[i + 1], x) || x < 400 || x > 4000) {
                std::fprintf(stderr, "zq735-cli: goto needs a wavenumber 400 ... 4000\n");
                return ExitUsage;
            }
            c.Args.push_back(args[++i]);
            needsInstrument = true;
        } else if (a == "scan") {
            while (i + 1 < args.size() && args[i + 1].rfind("-", 0) == 0) {
                c.Args.push_back(args[++i]);
                if (i + 1 < args.size() && args[i + 1].rfind("-", 0) != 0)
                    c.Args.push_back(args[++i]);
            }
            // Bad options are reported before anything is connected.
            TMeasureParams check;
            std::string out;
            if (!ApplyScanOptions(c.Args, check, out))
                return ExitUsage;
            needsInstrument = true;
        } else if (a == "info") {
            if (i + 1 >= args.size()) {
                std::fprintf(stderr, "zq735-cli: info needs a file\n");
                return ExitUsage;
            }
            c.Args.push_back(args[++i]);
        } else {
            std::fprintf(stderr, "zq735-cli: unknown command or option '%s'\n\n", a.c_str());
            PrintUsage(stderr);
            return ExitUsage;
        }
        commands.push_back(std::move(c));
    }
    if (commands.empty()) {
        PrintUsage(stderr);
        return ExitUsage;
    }

    // The graph measures its labels with the platform's fonts: no display needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qargc = 1;
    QGuiApplication app(qargc, argv);
    KeepCNumbers();

    // One program per data folder (the window takes it too): another one's
    // scan would write the same recovery and baseline files.
    TFolderLock folderLock;
    if (needsInstrument) {
        const std::string folder = DataFolder().toStdString();
        switch (folderLock.Acquire(folder)) {
            case TFolderLock::TResult::Busy: {
                const std::string owner =
                    folderLock.Owner() > 0 ? " (process " + std::to_string(folderLock.Owner()) + ")" : "";
                std::fprintf(stderr, "zq735-cli: the data folder %s is in use by another program%s\n",
                             folder.c_str(), owner.c_str());
                return ExitInstrument;
            }
            case TFolderLock::TResult::Failed:
                std::fprintf(stderr, "zq735-cli: cannot lock the data folder %s: %s\n", folder.c_str(),
                             std::strerror(folderLock.Error()));
                break;
            case TFolderLock::TResult::Held:
                for (const std::string& name : RemoveStaleTemporaries(folder))
                    std::fprintf(stderr, "zq735-cli: removed %s, left by an interrupted save\n",
                                 name.c_str());
                break;
        }
    }

    TSession session;
    if (needsInstrument) {
        if (simulate) {
            session.Sim = std::make_unique<TSimPtyHost>(simOptions);
            std::string error;
            if (!session.Sim->Start(&error)) {
                std::fprintf(stderr, "zq735-cli: cannot start the simulated instrument: %s\n", error.c_str());
                return simOptions.SampleFile.empty() ? ExitInstrument : ExitUsage;
            }
            port = session.Sim->DevicePath();
        }
        if (const int r = session.Connect(port); r != ExitOk)
            return r;
    }
    for (const TCommand& c : commands) {
        if (const int r = RunCommand(session, c); r != ExitOk)
            return r;
    }
    return ExitOk;
}
