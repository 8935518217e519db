// zq735: the spectrophotometer program with its main window.
//
// Without options it looks for the instrument's USB-serial adapter. For
// demonstrations and development it can run against the built-in simulated
// instrument on a pseudo-terminal (--simulate), or use a given serial device
// (--port).

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStringList>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "fileio/AtomicFile.h"
#include "fileio/FolderLock.h"
#include "plot/SpGraph735.h"
#include "sim/SimPtyHost.h"
#include "spectra/SpCurveZQ735.h"
#include "ui/Application.h"
#include "ui/FormSysReset.h"
#include "ui/MainWindow.h"
#include "ui/SysConfig.h"

namespace {

const char* const Version = "1.0";

const char* const Usage =
    "usage: zq735 [--simulate [--sim-speed N] [--sim-sample FILE]] [--port DEVICE] [FILE...]\n"
    "\n"
    "  FILE                  spectrum files (.ir) to open, JCAMP-DX (.jdx, .dx) or CSV files to import\n"
    "  --simulate            use the built-in simulated instrument\n"
    "    --sim-speed N       its pace as a factor over the real link (default 1)\n"
    "    --sim-sample FILE   sample in its beam: a %T file, 'empty', or 'quartz:MG'\n"
    "                        (a KBr pellet with MG mg of quartz; default: polystyrene film)\n"
    "  --port DEVICE         use this serial device instead of looking for the USB adapter\n"
    "  --demo-idle           confirm the reset and notices, then stay idle\n"
    "  --help                this text\n"
    "  --version             the program's version\n";

bool ParseNumber(const char* s, double& v)
{
    char* end = nullptr;
    v = std::strtod(s, &end);
    return end != s && *end == '\0' && std::isfinite(v);
}

// --demo-scan: dismisses notices, confirms the reset the program offers,
// scans with the current parameters once the instrument is ready, and with --screenshot FILE saves a picture
// of the window when the scan has ended and quits. For the documentation's
// picture and for looking at the program without operating it.
// --demo-idle: the same answers to the prompts, but no scan: the program then
// idles in the ready state (for measuring what it costs at rest); "zq735:
// ready" on standard error tells when it got there.
class TDemoDriver : public QObject {
public:
    TDemoDriver(TForm1& window, QString screenshot, bool scan = true)
        : FWindow(window), FScreenshot(std::move(screenshot)), FPhase(scan ? 0 : 4)
    {
        connect(&FTimer, &QTimer::timeout, this, [this] { Step(); });
        FTimer.start(100);
    }

private:
    void Step()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* prompt = qobject_cast<TFormSysReset*>(modal); prompt != nullptr && prompt->Mode() == 1) {
            if (auto* ok = prompt->findChild<QPushButton*>(QStringLiteral("btnOK")))
                ok->click();
            return;
        }
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            // The demonstration's own scan is not kept when it quits.
            if (box->objectName() == QLatin1String("UnsavedCurves")) {
                std::fprintf(stderr, "zq735: %s -> no\n", qPrintable(box->text()));
                box->done(QMessageBox::No);
                return;
            }
            // A notice such as the missing configuration: noted and dismissed.
            // A question (the scan to recover) is answered yes: nothing the
            // program offers back is thrown away unseen.
            const bool question = box->button(QMessageBox::Yes) != nullptr;
            std::fprintf(stderr, "zq735: %s%s\n", qPrintable(box->text()), question ? " -> yes" : "");
            box->done(question ? QMessageBox::Yes : QMessageBox::Ok);
            return;
        }
        if (modal != nullptr || !FWindow.Started())
            return;
        auto* scan = FWindow.findChild<QAction*>(QStringLiteral("mnScan"));
        switch (FPhase) {
            case 0:
                if (FWindow.InstrumentState() == 5 && scan->isEnabled()) {
                    scan->trigger();
                    FPhase = 1;
                }
                break;
            case 1:
                // The scan has started once the commands are off.
                if (!scan->isEnabled())
                    FPhase = 2;
                break;
            case 2:
                if (scan->isEnabled()) {
                    FPhase = 3;
                    if (!FScreenshot.isEmpty())
                        QTimer::singleShot(500, this, [this] { Shoot(); });
                }
                break;
            case 4:
                if (FWindow.InstrumentState() == 5) {
                    std::fprintf(stderr, "zq735: ready\n");
                    // Nothing more to answer: the driver's own polling
                    // would otherwise be part of what is measured at rest.
                    FTimer.stop();
                    FPhase = 3;
                }
                break;
            default:
                break;
        }
    }

    void Shoot()
    {
        const bool saved = FWindow.grab().save(FScreenshot);
        std::fprintf(stderr, "zq735: %s %s\n", saved ? "saved" : "could not save", qPrintable(FScreenshot));
        FWindow.close();
    }

    TForm1& FWindow;
    QString FScreenshot;
    QTimer FTimer;
    int FPhase;
};

}  // namespace

int main(int argc, char** argv)
{
    bool simulate = false;
    bool demoScan = false;
    bool demoIdle = false;
    QString screenshot;
    TSimOptions simOptions;
    std::string port;
    QStringList files;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        double d = 0;
        if (a == "--help" || a == "-h") {
            std::fputs(Usage, stdout);
            return 0;
        } else if (a == "--version") {
            std::printf("zq735 %s\n", Version);
            return 0;
        } else if (a == "--simulate") {
            simulate = true;
        } else if (a == "--sim-speed" && hasValue && ParseNumber(argv[i + 1], d) && d > 0) {
            simOptions.Speed = d;
            ++i;
        } else if (a == "--sim-sample" && hasValue) {
            simOptions.SampleFile = argv[++i];
        } else if (a == "--port" && hasValue) {
            port = argv[++i];
        } else if (a == "--demo-scan") {
            demoScan = true;
        } else if (a == "--demo-idle") {
            demoIdle = true;
        } else if (a == "--screenshot" && hasValue) {
            screenshot = QString::fromLocal8Bit(argv[++i]);
            demoScan = true;
        } else if (!a.empty() && a[0] != '-') {
            files << QString::fromLocal8Bit(argv[i]);
        } else {
            std::fprintf(stderr, "zq735: unknown or incomplete option '%s'\n\n%s", a.c_str(), Usage);
            return 2;
        }
    }

    QApplication app(argc, argv);
    InitApplication();

    // One program per data folder: a second one would offer the first's
    // running scan for recovery (and delete it on "否") and write the same
    // baseline and settings files. It could not reach the instrument either,
    // whose port the first one holds.
    TFolderLock folderLock;
    const QString folder = DataFolder();
    switch (folderLock.Acquire(QFile::encodeName(folder).toStdString())) {
        case TFolderLock::TResult::Busy: {
            const QString owner = folderLock.Owner() > 0 ? QString::number(folderLock.Owner()) : QString();
            std::fprintf(stderr, "zq735: the data folder %s is in use by another program%s%s%s\n",
                         qPrintable(folder), owner.isEmpty() ? "" : " (process ", qPrintable(owner),
                         owner.isEmpty() ? "" : ")");
            QMessageBox::warning(
                nullptr, QApplication::applicationDisplayName(),
                QStringLiteral("数据文件夹 %1 正由另一个程序%2使用。\n"
                               "同一数据文件夹只能由一个程序使用，本程序不启动。")
                    .arg(folder, owner.isEmpty() ? QString() : QStringLiteral("（进程 %1）").arg(owner)));
            return 1;
        }
        case TFolderLock::TResult::Failed:
            std::fprintf(stderr, "zq735: cannot lock the data folder %s: %s\n", qPrintable(folder),
                         std::strerror(folderLock.Error()));
            break;
        case TFolderLock::TResult::Held:
            // Saves that a killed program left half way; nobody else writes here.
            for (const std::string& name : RemoveStaleTemporaries(QFile::encodeName(folder).toStdString()))
                std::fprintf(stderr, "zq735: removed %s, left by an interrupted save\n", name.c_str());
            break;
    }

    // The simulated instrument serves its pseudo-terminal until the window
    // (and with it the worker that talks to it) is gone.
    std::unique_ptr<TSimPtyHost> sim;
    if (simulate) {
        sim = std::make_unique<TSimPtyHost>(simOptions);
        std::string error;
        if (!sim->Start(&error)) {
            std::fprintf(stderr, "zq735: cannot start the simulated instrument: %s\n", error.c_str());
            return 2;
        }
        port = sim->DevicePath();
    }

    TForm1Options options;
    options.FixedDevice = port;
    options.ConfirmExit = screenshot.isEmpty();
    if (sim) {
        TSimPtyHost* host = sim.get();
        options.SampleInBeam = [host](bool in) { host->SetSampleInBeam(in); };
    }
    TForm1 window(options);
    // Opened (or imported) once the window has built its graph.
    if (!files.isEmpty())
        window.OpenOrImportFiles(files);
    if (QScreen* screen = QApplication::primaryScreen())
        window.setGeometry(screen->availableGeometry());
    window.showMaximized();

    std::unique_ptr<TDemoDriver> demo;
    if (demoScan || demoIdle)
        demo = std::make_unique<TDemoDriver>(window, screenshot, demoScan);
    const int rc = QApplication::exec();
    demo.reset();
    return rc;
}
