// Measures the whole window offscreen, as the program runs it:
//
//   window_measure start   ms from entering main to the window's first paint
//   window_measure gap     the longest gap (ms) of a 5 ms timer on the window
//                          thread while a full scan runs against the
//                          simulated instrument at x20, with the plot drawing,
//                          the longest event handler on that thread, and the
//                          longest gap of the same timer on an idle thread;
//                          then fills all 20 slots with full curves, repaints
//                          and gives the resident memory (MB, VmRSS)
//
// Each prints "name value" lines for scripts/perf-report.sh. The simulated
// instrument runs in this process (as with zq735 --simulate).

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "plot/SpGraph735.h"
#include "sim/SimPtyHost.h"
#include "spectra/SpCurveZQ735.h"
#include "ui/Application.h"
#include "ui/FormSysReset.h"
#include "ui/MainWindow.h"
#include "ui/SysConfig.h"

namespace {

QElapsedTimer gSinceMain;
TForm1* gWindow = nullptr;

// Times every event the window thread delivers while the scan runs: the
// longest handler is the program's own share of a timer gap, whatever the
// machine adds. With WINDOW_MEASURE_EVENTS=MS, every gap over MS milliseconds
// is printed with the time spent in handlers during it and the handlers over
// 1 ms.
class TTimedApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool Recording = false;
    qint64 ReportOverNs = 0;  // 0: print nothing
    qint64 LongestHandlerNs = 0;
    QElapsedTimer Since;  // started with the scan

    bool notify(QObject* receiver, QEvent* event) override
    {
        if (Depth++ != 0 || !Recording) {
            const bool r = QApplication::notify(receiver, event);
            --Depth;
            return r;
        }
        const int type = event->type();
        const char* cls = receiver->metaObject()->className();
        QElapsedTimer t;
        t.start();
        const bool r = QApplication::notify(receiver, event);
        const qint64 ns = t.nsecsElapsed();
        --Depth;
        Busy += ns;
        ++Handled;
        LongestHandlerNs = std::max(LongestHandlerNs, ns);
        if (ReportOverNs > 0 && ns > 1000000)
            Slow += QStringLiteral(" %1:%2 %3ms").arg(type).arg(QLatin1String(cls)).arg(ns / 1e6, 0, 'f', 1);
        return r;
    }

    // Called at each timer tick: what the thread did since the last one.
    void Tick(qint64 gapNs)
    {
        if (Recording && ReportOverNs > 0 && gapNs > ReportOverNs)
            std::fprintf(stderr, "window_measure: gap %.2f ms at %.3f s: %d events, %.2f ms in handlers;%s\n",
                         gapNs / 1e6, Since.nsecsElapsed() / 1e9, Handled, Busy / 1e6, qPrintable(Slow));
        Busy = 0;
        Handled = 0;
        Slow.clear();
    }

private:
    int Depth = 0;
    qint64 Busy = 0;
    int Handled = 0;
    QString Slow;
};

// The same 5 ms timer on a thread that does nothing else, over the same
// time: its longest gap is what the machine alone adds (a virtual machine's
// processor can be away for ten milliseconds and more).
class TReferenceTimer : public QThread {
public:
    std::atomic<bool> Measuring{false};
    std::atomic<qint64> LongestNs{0};

protected:
    void run() override
    {
        QElapsedTimer since;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const qint64 ns = since.nsecsElapsed();
            since.restart();
            if (Measuring.load())
                LongestNs.store(std::max(LongestNs.load(), ns));
        });
        since.start();
        tick.start(5);
        exec();
    }
};

class TFirstPaint : public QObject {
public:
    qint64 AtMs = -1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && AtMs < 0) {
            AtMs = gSinceMain.elapsed();
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }
};

double ResidentMb()
{
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return -1;
}

// Confirms the reset the program offers and dismisses notices, as the
// operator does on a fresh start.
void AnswerPrompts()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* prompt = qobject_cast<TFormSysReset*>(modal); prompt != nullptr && prompt->Mode() == 1) {
        if (auto* ok = prompt->findChild<QPushButton*>(QStringLiteral("btnOK")))
            ok->click();
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        std::fprintf(stderr, "window_measure: notice: %s\n", qPrintable(box->text()));
        box->done(QMessageBox::Ok);
    }
}

bool PumpUntil(const std::function<bool()>& pred, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    qint64 said = 0;
    // Events are waited for, not polled: a loop of non-blocking
    // processEvents calls kept the window thread busy on a whole core, taking
    // it from the worker and the simulator and widening the gaps it measures.
    // The timer only makes sure the predicate and the time-out are looked at.
    QTimer wake;
    wake.start(20);
    while (!pred()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        if (clock.elapsed() - said > 5000) {
            said = clock.elapsed();
            QWidget* modal = QApplication::activeModalWidget();
            std::fprintf(stderr, "window_measure: waiting, state %d, %s\n",
                         gWindow != nullptr ? gWindow->InstrumentState() : -1,
                         modal != nullptr ? modal->metaObject()->className() : "no modal window");
        }
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

int MeasureStart(const QString& folder)
{
    TForm1Options options;
    options.ConfirmExit = false;
    options.DataFolder = folder;
    options.StartWorker = false;
    TFirstPaint watcher;
    TForm1 window(options);
    window.installEventFilter(&watcher);
    window.resize(1600, 900);
    window.show();
    QApplication::exec();
    std::printf("start_to_first_paint_ms %lld\n", static_cast<long long>(watcher.AtMs));
    return watcher.AtMs < 0 ? 1 : 0;
}

int MeasureGap(const QString& folder, double speed)
{
    TSimOptions simOptions;
    simOptions.Speed = speed;
    TSimPtyHost sim(simOptions);
    std::string error;
    if (!sim.Start(&error)) {
        std::fprintf(stderr, "window_measure: simulator: %s\n", error.c_str());
        return 2;
    }
    TForm1Options options;
    options.ConfirmExit = false;
    options.DataFolder = folder;
    options.FixedDevice = sim.DevicePath();
    options.SampleInBeam = [&sim](bool in) { sim.SetSampleInBeam(in); };
    // The prompts are modal: they run their own event loop, so they are
    // answered from a timer rather than from the waiting loops here.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] { AnswerPrompts(); });
    answer.start(50);
    TForm1 window(options);
    gWindow = &window;
    window.resize(1600, 900);
    window.show();
    if (!PumpUntil([&] { return window.Started() && window.InstrumentState() == 5; }, 600000)) {
        std::fprintf(stderr, "window_measure: the instrument did not become ready\n");
        return 1;
    }
    answer.stop();  // nothing more to answer; its ticks would add to the gaps
    auto* scan = window.findChild<QAction*>(QStringLiteral("mnScan"));
    if (!PumpUntil([&] { return scan->isEnabled(); }, 60000))
        return 1;

    // The timer's gaps are taken only while the scan runs.
    QElapsedTimer since;
    qint64 longest = 0;
    long ticks = 0;
    bool scanning = false;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 ns = since.nsecsElapsed();
        since.restart();
        if (scanning) {
            static_cast<TTimedApplication*>(qApp)->Tick(ns);
            longest = std::max(longest, ns);
            ++ticks;
        }
    });
    since.start();
    tick.start(5);
    TReferenceTimer reference;
    reference.start();
    scan->trigger();
    if (!PumpUntil([&] { return !scan->isEnabled(); }, 10000)) {
        std::fprintf(stderr, "window_measure: the scan did not start\n");
        return 1;
    }
    scanning = true;
    reference.Measuring = true;
    auto* timed = static_cast<TTimedApplication*>(qApp);
    timed->Since.start();
    timed->ReportOverNs = qEnvironmentVariableIntValue("WINDOW_MEASURE_EVENTS") * qint64{1000000};
    timed->Recording = true;
    QElapsedTimer wall;
    wall.start();
    const bool ended = PumpUntil([&] { return scan->isEnabled(); }, 1800000);
    scanning = false;
    reference.Measuring = false;
    timed->Recording = false;
    tick.stop();
    reference.quit();
    reference.wait();
    if (!ended)
        return 1;
    TSpCurveZQ735* measured = window.Graph()->CurrentCurve();
    std::printf("scan_seconds %.1f\n", wall.elapsed() / 1000.0);
    std::printf("scan_points %d\n", measured != nullptr ? measured->GetInfo().PointCount : -1);
    std::printf("timer_ticks %ld\n", ticks);
    std::printf("longest_timer_gap_ms %.2f\n", longest / 1e6);
    std::printf("longest_handler_ms %.2f\n", timed->LongestHandlerNs / 1e6);
    std::printf("reference_timer_gap_ms %.2f\n", reference.LongestNs.load() / 1e6);

    // Every slot with a full curve, as after a day's work.
    TSpGraph735& g = *window.Graph();
    for (int slot = g.NewCurve(); slot >= 0; slot = g.NewCurve()) {
        TSpCurveZQ735* c = g.CurveAt(slot);
        const int n = c->GetInfo().Capacity;
        std::vector<float> v(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i)
            v[static_cast<size_t>(i)] = 50.0f + 40.0f * static_cast<float>((i * 37 + slot * 11) % 97) / 97.0f;
        c->AppendData(v.data(), n);
    }
    g.CurveChanged();
    window.RebuildCurveList();
    QApplication::processEvents();
    int curves = 0;
    for (int slot = 0; slot < TSpGraph735::SlotCount; ++slot)
        curves += g.CurveAt(slot) != nullptr;
    std::printf("curves %d\n", curves);
    std::printf("resident_mb %.1f\n", ResidentMb());
    gWindow = nullptr;
    sim.Stop();
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    gSinceMain.start();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode != "start" && mode != "gap") {
        std::fprintf(stderr, "usage: window_measure start|gap [SPEED]\n");
        return 2;
    }
    TTimedApplication app(argc, argv);
    InitApplication();
    QTemporaryDir dir;
    SetDataFolder(dir.path());
    WriteConfig(QString::fromLatin1(kConfigFileName), TSysSettings{});
    if (mode == "start")
        return MeasureStart(dir.path());
    return MeasureGap(dir.path(), argc > 2 ? std::atof(argv[2]) : 20.0);
}
