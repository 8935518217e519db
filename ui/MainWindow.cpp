#include "ui/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <chrono>
#include <thread>

#include "text/GbkText.h"
#include "acquisition/ThrTask.h"
#include "acquisition/ZQ735Task.h"
#include "link/SpComm.h"
#include "plot/SpGraph735.h"
#include "surface/SpImage.h"
#include "spectra/SpCurveZQ735.h"
#include "ui/CurveSelector.h"
#include "ui/DlgAbout.h"
#include "ui/DlgInputOne.h"
#include "ui/DlgInputStr.h"
#include "ui/DlgSysSetting.h"
#include "ui/DlgWaiting.h"
#include "ui/FormCanShu.h"
#include "ui/FormDataTable.h"
#include "ui/FormExit1.h"
#include "ui/FrmND.h"
#include "ui/FormPassWord.h"
#include "ui/FormPrntSetting.h"
#include "ui/FormSysInitInfo.h"
#include "ui/FormSysReset.h"
#include "ui/Messages.h"
#include "ui/NumericText.h"
#include "ui/PlotWidget.h"
#include "ui/QtMessageSink.h"
#include "ui/StateIndicator.h"
#include "ui/SysConfig.h"
#include "ui/XiShouFeng.h"

namespace {

// Colours of the 20 graph slots (0x00BBGGRR).
constexpr std::array<uint32_t, TForm1::SlotCount> kCurveColors = {
    SpRgb(0, 0, 255),   SpRgb(255, 0, 255),   SpRgb(0, 128, 0),     SpRgb(0, 255, 0),
    SpRgb(0, 255, 255), SpRgb(128, 0, 0),     SpRgb(0, 0, 128),     SpRgb(128, 128, 0),
    SpRgb(128, 0, 128), SpRgb(192, 192, 192), SpRgb(0, 128, 128),   SpRgb(255, 255, 0),
    SpRgb(0, 0, 0),     SpRgb(128, 128, 128), SpRgb(128, 128, 128), SpRgb(192, 192, 192),
    SpRgb(255, 0, 0),   SpRgb(255, 255, 255), SpRgb(0, 0, 255),     SpRgb(0, 0, 255),
};

// The plot picture is never smaller than this, however small the window.
constexpr int kMinPlotWidth = 320;
constexpr int kMinPlotHeight = 200;

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, int width)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setFixedWidth(width);
    return edit;
}

}  // namespace

TForm1::TForm1(TForm1Options options, QWidget* parent)
    : QMainWindow(parent), Options(std::move(options)), CurveColors(kCurveColors)
{
    FItemSlot.fill(-1);
    if (!Options.DataFolder.isEmpty())
        SetDataFolder(Options.DataFolder);
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(ProgramTitle());
    setAcceptDrops(true);
    FSink = std::make_unique<TQtMessageSink>(this);

    CreateMenus();
    CreateToolBars();
    CreatePanels();
    CreateStatusBar();
    CreateDialogs();

    // No instrument has been seen yet.
    UpdateInstrumentCommands(FInstrumentState);
    DrawIndicator();
    ShowCurrentCurveInfo();
    // Keys reach the window before its controls (the plot's cursor keys).
    qApp->installEventFilter(this);
}

TForm1::~TForm1()
{
    qApp->removeEventFilter(this);
    ShutdownEngine();
}

// --- composition ------------------------------------------------------------------

void TForm1::CreateDialogs()
{
    // Created once, in this order, and reused for the whole run.
    FFormCanShu = new TFormCanShu(this);
    FFormSysInitInfo = new TFormSysInitInfo(this);
    FDlgInputOne = new TDlgInputOne(this);
    FDlgAbout = new TDlgAbout(this);
    FDlgInputStr = new TDlgInputStr(this);
    FFormSysReset = new TFormSysReset(this);
    FFormExit1 = new TFormExit1(this);
    FDlgWaiting = new TDlgWaiting(this);
    FFormPassWord = new TFormPassWord(this);
    FDlgSysSetting = new TDlgSysSetting(this);
    FXiShouFeng = new TXiShouFeng(this);
    FFormDataTable = new TFormDataTable(this);
    // The quantitative window with its unit and print dialogs; it reads the
    // graph's current spectrum for "从谱图取值".
    auto* frmND = new TFrmND([this] { return Graph(); }, this);
    connect(N6, &QAction::triggered, frmND, &TFrmND::Execute);
    FFormPrntSetting = new TFormPrntSetting(this);
    ConnectPrintLists();
}

QAction* TForm1::MenuItem(QMenu* menu, const char* name, const QString& caption, void (TForm1::*command)())
{
    QAction* a = menu->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    if (command != nullptr)
        connect(a, &QAction::triggered, this, command);
    return a;
}

QAction* TForm1::ToolButton(QToolBar* bar, const char* name, const QString& caption,
                            void (TForm1::*command)())
{
    QAction* a = bar->addAction(caption);
    a->setObjectName(QString::fromLatin1(name));
    if (command != nullptr)
        connect(a, &QAction::triggered, this, command);
    return a;
}

void TForm1::Later(QAction* action)
{
    FLater.insert(action);
    action->setEnabled(false);
}

void TForm1::SetItemEnabled(QAction* action, bool on)
{
    action->setEnabled(on && !FLater.contains(action));
}

void TForm1::CreateMenus()
{
    QMenuBar* bar = menuBar();

    QMenu* file = bar->addMenu(QStringLiteral("文件(&F)"));
    file->menuAction()->setObjectName(QStringLiteral("mnFile"));
    mnNew = MenuItem(file, "mnNew", QStringLiteral("新建"), &TForm1::OnNew);
    mnOpen = MenuItem(file, "mnOpen", QStringLiteral("打开"), &TForm1::OnOpen);
    mnSave = MenuItem(file, "mnSave", QStringLiteral("存盘"), &TForm1::OnSave);
    mnImport = MenuItem(file, "mnImport", QStringLiteral("导入…"), &TForm1::OnImport);
    mnExport = MenuItem(file, "mnExport", QStringLiteral("导出…"), &TForm1::OnExport);
    file->addSeparator();
    mnCanShu = MenuItem(file, "mnCanShu", QStringLiteral("参数设置..."), &TForm1::OnParams);
    file->addSeparator();
    mnPrint = MenuItem(file, "mnPrint", QStringLiteral("打印"), &TForm1::OnPrint);
    muExit = MenuItem(file, "muExit", QStringLiteral("退出系统"));
    connect(muExit, &QAction::triggered, this, &QWidget::close);

    QMenu* view = bar->addMenu(QStringLiteral("查看(&J)"));
    view->menuAction()->setObjectName(QStringLiteral("mnView"));
    mnKeduKZ = MenuItem(view, "mnKeduKZ", QStringLiteral("刻度扩展"), &TForm1::OnScaleExpand);
    mnKeduKZ->setVisible(false);
    QMenu* read = view->addMenu(QStringLiteral("读取数据"));
    read->menuAction()->setObjectName(QStringLiteral("mnReadData"));
    mnCursorRead = MenuItem(read, "mnCursorRead", QStringLiteral("光标读取"), &TForm1::OnCursorRead);
    mnCursorRead->setCheckable(true);
    mnDataTable = MenuItem(read, "mnDataTable", QStringLiteral("数据列表"), &TForm1::OnDataTable);
    mnAmplify = MenuItem(view, "mnAmplify", QStringLiteral("放大"), &TForm1::OnAmplify);
    mnAmplify->setCheckable(true);
    mnRefresh = MenuItem(view, "mnRefresh", QStringLiteral("刷新"), &TForm1::OnRefresh);
    mnDrawGrid = MenuItem(view, "mnDrawGrid", QStringLiteral("显示网格"), &TForm1::OnDrawGrid);
    mnDrawGrid->setCheckable(true);
    mnDrawGrid->setChecked(true);

    QMenu* measure = bar->addMenu(QStringLiteral("测量方式(&M)"));
    measure->menuAction()->setObjectName(QStringLiteral("mnMeasure"));
    mnScan = MenuItem(measure, "mnScan", QStringLiteral("扫描"), &TForm1::OnScan);
    mnScan->setShortcut(QKeySequence(Qt::Key_F1));
    mnBGScan = MenuItem(measure, "mnBGScan", QStringLiteral("背景基线扫描"), &TForm1::OnBackgroundScan);
    // Shown, unlike the layout this menu comes from: hidden, the quantitative
    // window could never be reached.
    N6 = MenuItem(measure, "N6", QStringLiteral("浓度测量"));

    QMenu* process = bar->addMenu(QStringLiteral("谱线处理"));
    process->menuAction()->setObjectName(QStringLiteral("mnProcess"));
    mnUndo = MenuItem(process, "mnUndo", QStringLiteral("撤销"), &TForm1::OnUndo);
    mnUndo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    mnUndo->setEnabled(false);
    process->addSeparator();
    muBKEmd = MenuItem(process, "muBKEmd", QStringLiteral("背景基线校准"), &TForm1::OnBaselineCorrection);
    muBKEmd->setCheckable(true);
    muBKEmd->setEnabled(false);
    muAdjBK = MenuItem(process, "muAdjBK", QStringLiteral("调整基线位置"), &TForm1::OnAdjustBaseline);
    mnXiShouKZ = MenuItem(process, "mnXiShouKZ", QStringLiteral("光谱吸收扩展"), &TForm1::OnAbsorptionExpand);
    mnTtoA = MenuItem(process, "mnTtoA", QStringLiteral("T%/Abs转换"), &TForm1::OnConvertTA);
    mnFengZhiJS = MenuItem(process, "mnFengZhiJS", QStringLiteral("峰值检索"), &TForm1::OnPeakSearch);
    mnDelCurve = MenuItem(process, "mnDelCurve", QStringLiteral("删除光谱"), &TForm1::OnDeleteDialog);
    mnDelCurve->setVisible(false);
    mnPingHua = MenuItem(process, "mnPingHua", QStringLiteral("光谱平滑运算"), &TForm1::OnSmooth);
    mnSiZe = MenuItem(process, "mnSiZe", QStringLiteral("光谱四则运算"), &TForm1::OnArithmetic);
    QMenu* derivative = process->addMenu(QStringLiteral("光谱微分运算"));
    derivative->menuAction()->setObjectName(QStringLiteral("mnWeiFen"));
    const char* const derivatives[4][2] = {
        {"mnWeiFen1", "一次微分"}, {"mnWeiFen2", "二次微分"}, {"mnWeiFen3", "三次微分"}, {"mnWeiFen4", "四次微分"}};
    for (int n = 1; n <= 4; ++n) {
        QAction* item = MenuItem(derivative, derivatives[n - 1][0], QString::fromUtf8(derivatives[n - 1][1]));
        connect(item, &QAction::triggered, this, [this, n] { OnDerivative(n); });
    }
    N4 = MenuItem(process, "N4", QStringLiteral("谱线参数"), &TForm1::OnCurveAttributes);

    QMenu* control = bar->addMenu(QStringLiteral("仪器控制(&S)"));
    control->menuAction()->setObjectName(QStringLiteral("mnControl"));
    mnCalibrate = MenuItem(control, "mnCalibrate", QStringLiteral("校准"), &TForm1::OnCalibrate);
    mnCalibrate->setShortcut(QKeySequence(Qt::Key_F2));
    mnGotoWn = MenuItem(control, "mnGotoWn", QStringLiteral("波数检索"), &TForm1::OnGotoWavenumber);
    mnSysReset = MenuItem(control, "mnSysReset", QStringLiteral("系统复位"), &TForm1::OnSysReset);
    mnBuild100 = MenuItem(control, "mnBuild100", QStringLiteral("建立100%基线"), &TForm1::OnBuild100);
    N3 = MenuItem(control, "N3", QStringLiteral("系统参数设置..."), &TForm1::OnSysSettings);

    QMenu* help = bar->addMenu(QStringLiteral("帮助(&H)"));
    help->menuAction()->setObjectName(QStringLiteral("mnHelp"));
    mnAbout = MenuItem(help, "mnAbout", QStringLiteral("关于..."), &TForm1::OnAbout);
}

void TForm1::CreateToolBars()
{
    QToolBar* files = addToolBar(QStringLiteral("文件"));
    files->setObjectName(QStringLiteral("ToolBar1"));
    files->setMovable(false);
    files->setToolButtonStyle(Qt::ToolButtonTextOnly);
    tbNew = ToolButton(files, "tbNew", QStringLiteral("新建"), &TForm1::OnNew);
    tbSave = ToolButton(files, "tbSave", QStringLiteral("存盘"), &TForm1::OnSave);
    tbOpen = ToolButton(files, "tbOpen", QStringLiteral("打开"), &TForm1::OnOpen);
    tbPrint = ToolButton(files, "tbPrint", QStringLiteral("打印"), &TForm1::OnPrint);

    QToolBar* instrument = addToolBar(QStringLiteral("仪器"));
    instrument->setObjectName(QStringLiteral("ToolBar2"));
    instrument->setMovable(false);
    instrument->setToolButtonStyle(Qt::ToolButtonTextOnly);
    tbScan = ToolButton(instrument, "tbScan", QStringLiteral("扫描"), &TForm1::OnScan);
    tbStop = ToolButton(instrument, "tbStop", QStringLiteral("停止"), &TForm1::OnStop);
    tbSysReset = ToolButton(instrument, "tbSysReset", QStringLiteral("系统复位"), &TForm1::OnSysReset);
    tbGotoWn = ToolButton(instrument, "tbGotoWn", QStringLiteral("波数检索"), &TForm1::OnGotoWavenumber);
    tbCanShu = ToolButton(instrument, "tbCanShu", QStringLiteral("参数设置"), &TForm1::OnParams);
    instrument->addSeparator();
    tbFengZhiJS = ToolButton(instrument, "tbFengZhiJS", QStringLiteral("峰值检索"), &TForm1::OnPeakSearch);
    tbCursorRead = ToolButton(instrument, "tbCursorRead", QStringLiteral("光标读取"), &TForm1::OnCursorRead);
    tbCursorRead->setCheckable(true);
    tbTtoA = ToolButton(instrument, "tbTtoA", QStringLiteral("%T/ABS"), &TForm1::OnConvertTA);
    tbPingHua = ToolButton(instrument, "tbPingHua", QStringLiteral("平滑处理"), &TForm1::OnSmooth);
    tbAmplify = ToolButton(instrument, "tbAmplify", QStringLiteral("放大"), &TForm1::OnAmplify);
    tbAmplify->setCheckable(true);
    tbRefresh = ToolButton(instrument, "tbRefresh", QStringLiteral("刷新"), &TForm1::OnRefresh);
}

void TForm1::CreatePanels()
{
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("Central"));
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(9, 4, 4, 4);
    column->setSpacing(4);

    // Top panel: the current curve and the view ranges.
    auto* top = new QHBoxLayout;
    auto* curveGroup = new QGroupBox(QStringLiteral("当前谱线参数"), central);
    auto* curveRow = new QHBoxLayout(curveGroup);
    cbCurve = new TCurveSelector([this](int entry) { return EntryColor(entry); }, curveGroup);
    cbCurve->setObjectName(QStringLiteral("cbCurve"));
    cbCurve->setFixedWidth(90);
    // The keys stay with the plot after a curve is chosen.
    cbCurve->setFocusPolicy(Qt::NoFocus);
    connect(cbCurve, &QComboBox::activated, this, &TForm1::SelectCurveEntry);
    lbCurveName = MakeLabel(curveGroup, "lbCurveName", QStringLiteral("样品名称"));
    lbCurveName->setToolTip(QStringLiteral("单击修改样品名称"));
    lbCurveName->setCursor(Qt::PointingHandCursor);
    lbCurveName->installEventFilter(this);
    edCurveName = MakeEdit(curveGroup, "edCurveName", 150);
    edCurveName->setReadOnly(true);
    edCurveName->setMaxLength(TDlgInputStr::kMaxBytes);
    edCurveName->installEventFilter(this);
    lbCurMMode = MakeLabel(curveGroup, "lbCurMMode", QString());
    lbCurScanSpeed = MakeLabel(curveGroup, "lbCurScanSpeed", QString());
    lbCurSlit = MakeLabel(curveGroup, "lbCurSlit", QString());
    lbCurRTime = MakeLabel(curveGroup, "lbCurRTime", QString());
    Button2 = new QPushButton(QStringLiteral("删除"), curveGroup);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setFixedWidth(70);
    Button2->setFocusPolicy(Qt::NoFocus);
    connect(Button2, &QPushButton::clicked, this, &TForm1::OnDeleteCurve);
    curveRow->addWidget(cbCurve);
    curveRow->addWidget(lbCurveName);
    curveRow->addWidget(edCurveName);
    for (QLabel* l : {lbCurMMode, lbCurScanSpeed, lbCurSlit, lbCurRTime}) {
        l->setMinimumWidth(70);
        curveRow->addWidget(l);
    }
    curveRow->addStretch(1);
    curveRow->addWidget(Button2);
    top->addWidget(curveGroup, 1);

    auto rangeGroup = [&](const QString& title, QLineEdit*& from, const char* fromName, QLineEdit*& to,
                          const char* toName) {
        auto* group = new QGroupBox(title, central);
        auto* row = new QHBoxLayout(group);
        from = MakeEdit(group, fromName, 70);
        to = MakeEdit(group, toName, 70);
        InstallNumericFilter(from);
        InstallNumericFilter(to);
        row->addWidget(from);
        row->addWidget(new QLabel(QStringLiteral("—"), group));
        row->addWidget(to);
        top->addWidget(group);
    };
    rangeGroup(QStringLiteral("X轴波数范围"), EditWs, "EditWs", EditWe, "EditWe");
    rangeGroup(QStringLiteral("Y轴刻度范围"), EditYs, "EditYs", EditYe, "EditYe");
    Button1 = new QPushButton(QStringLiteral("应用"), central);
    Button1->setObjectName(QStringLiteral("Button1"));
    connect(Button1, &QPushButton::clicked, this, &TForm1::OnApplyRanges);
    top->addWidget(Button1, 0, Qt::AlignBottom);
    column->addLayout(top);

    // The plot.
    FPlot = new TPlotWidget(central);
    FPlot->setMinimumSize(200, 120);
    connect(FPlot, &TPlotWidget::MouseMoved, this, &TForm1::PlotMouseMove);
    connect(FPlot, &TPlotWidget::MousePressed, this, &TForm1::PlotMouseDown);
    connect(FPlot, &TPlotWidget::MouseReleased, this, &TForm1::PlotMouseUp);
    connect(FPlot, &TPlotWidget::SizeSettled, this, &TForm1::ResizePlot);
    column->addWidget(FPlot, 1);

    // Bottom panel: where the instrument stands and what it reads.
    auto* measureGroup = new QGroupBox(QStringLiteral("测量参数"), central);
    auto* measureRow = new QHBoxLayout(measureGroup);
    QFont big = font();
    big.setPixelSize(24);
    big.setBold(true);
    lbCurrWn = MakeLabel(measureGroup, "lbCurrWn", QStringLiteral("4000.0"));
    lbMVal = MakeLabel(measureGroup, "lbMVal", QStringLiteral("100.0000"));
    for (QLabel* l : {lbCurrWn, lbMVal}) {
        l->setFont(big);
        l->setMinimumWidth(150);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    lbMMode = MakeLabel(measureGroup, "lbMMode", QStringLiteral("透过率(%T)"));
    lbScanSpeed = MakeLabel(measureGroup, "lbScanSpeed", QStringLiteral("正常(1cm-1)"));
    lbSlit = MakeLabel(measureGroup, "lbSlit", QStringLiteral("窄"));
    lbRTime = MakeLabel(measureGroup, "lbRTime", QStringLiteral("很快"));
    lbSSSteps = MakeLabel(measureGroup, "lbSSSteps", QString());
    lbFSteps = MakeLabel(measureGroup, "lbFSteps", QString());
    lbZSteps = MakeLabel(measureGroup, "lbZSteps", QString());
    measureRow->addWidget(new QLabel(QStringLiteral("波数"), measureGroup));
    measureRow->addWidget(lbCurrWn);
    measureRow->addWidget(new QLabel(QStringLiteral("cm-1"), measureGroup));
    measureRow->addSpacing(24);
    measureRow->addWidget(new QLabel(QStringLiteral("测量值"), measureGroup));
    measureRow->addWidget(lbMVal);
    measureRow->addSpacing(24);
    for (QLabel* l : {lbMMode, lbScanSpeed, lbSlit, lbRTime}) {
        l->setMinimumWidth(90);
        measureRow->addWidget(l);
    }
    // Motor positions for service work; not shown.
    const std::pair<const char*, QLabel*> steps[] = {
        {"狭缝步数", lbSSSteps}, {"滤光步数", lbFSteps}, {"挡零步数", lbZSteps}};
    for (const auto& [caption, label] : steps) {
        auto* c = new QLabel(QString::fromUtf8(caption), measureGroup);
        c->hide();
        label->hide();
        measureRow->addWidget(c);
        measureRow->addWidget(label);
    }
    measureRow->addStretch(1);
    column->addWidget(measureGroup);

    // Slit and response share words ("正常"): the tips tell them apart.
    const std::pair<QLabel*, const char*> tips[] = {{lbCurMMode, "测量模式"}, {lbCurScanSpeed, "扫描速度"},
                                                    {lbCurSlit, "狭缝宽度"},  {lbCurRTime, "响应时间"},
                                                    {lbMMode, "测量模式"},    {lbScanSpeed, "扫描速度"},
                                                    {lbSlit, "狭缝宽度"},     {lbRTime, "响应时间"}};
    for (const auto& [label, tip] : tips)
        label->setToolTip(QString::fromUtf8(tip));

    setCentralWidget(central);
}

void TForm1::CreateStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(false);
    const int widths[3] = {250, 250, 50};
    for (int i = 0; i < 4; ++i) {
        FPanels[i] = new QLabel(bar);
        FPanels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        if (i < 3) {
            FPanels[i]->setFixedWidth(widths[i]);
            bar->addWidget(FPanels[i]);
        } else {
            bar->addWidget(FPanels[i], 1);
        }
    }
    FIndicator = new TStateIndicator(bar);
    const int side = FPanels[0]->sizeHint().height() + 6;
    FIndicator->setFixedSize(side, side);
    FIndicator->OnDraw = [this](const QRect& r) {
        IndicatorRect = r;
        // A repaint re-applies the enabling rules; a running task keeps
        // the instrument commands off.
        if (FStateMsgCount != 0)
            UpdateInstrumentCommands(FBusy ? 4 : FInstrumentState);
    };
    bar->addPermanentWidget(FIndicator);
}

// --- start-up and tear-down ----------------------------------------------------------

bool TForm1::event(QEvent* event)
{
    if (event->type() == TUmEvent::Type()) {
        // During tear-down nothing is shown any more; the worker's
        // window-thread calls still run (they are not TUmEvents).
        if (!FClosing) {
            auto* m = static_cast<TUmEvent*>(event);
            HandleMessage(m->Msg, m->W, m->L);
        }
        return true;
    }
    if (event->type() == QEvent::Show || event->type() == QEvent::WindowActivate) {
        // The object graph is built once the window stands on the screen with
        // its final layout, so that the plot picture gets the plot's size.
        if (FirstActivation && !FBuildQueued) {
            FBuildQueued = true;
            QTimer::singleShot(0, this, &TForm1::BuildObjectGraph);
        }
        if (event->type() == QEvent::WindowActivate) {
            // Keys go to the plot after every activation, not to the control
            // that had the focus before a dialog opened.
            QTimer::singleShot(0, this, [this] {
                if (QWidget* f = focusWidget(); f != nullptr && isActiveWindow())
                    f->clearFocus();
            });
        }
    }
    return QMainWindow::event(event);
}

void TForm1::BuildObjectGraph()
{
    if (!FirstActivation || FClosing)
        return;
    FirstActivation = false;

    const QSize size = FPlot->size().expandedTo(QSize(kMinPlotWidth, kMinPlotHeight));
    FSurface = std::make_unique<TSpImage>(this);
    FSurface->SetRect(0, 0, size.width(), size.height());
    FGraph = std::make_unique<TSpGraph735>(this, FSurface.get());
    // The range edits follow the view whatever changed it.
    FGraph->ViewChanged = [this] {
        if (QThread::currentThread() == thread())
            ShowRangesInEdits();
        else
            QMetaObject::invokeMethod(this, [this] { ShowRangesInEdits(); }, Qt::QueuedConnection);
    };
    FGraph->SetStartRanges();
    FGraph->SetCurveColors(CurveColors.data(), SlotCount);
    FGraph->SetShowGrid(mnDrawGrid->isChecked());
    // The point labels of the read cursor show what the parameter dialog asks.
    FGraph->PointLabelStyle = [this] {
        return TPointLabelStyle{FFormCanShu->ShowPosition(), FFormCanShu->ShowValue(),
                                FFormCanShu->WavelengthMode()};
    };
    FGraph->DrawFrame();
    FPlot->SetPicture(FSurface->Bitmap());

    FComm = std::make_unique<TSpComm>();
    if (!Options.FixedDevice.empty())
        FComm->SetFixedDevice(Options.FixedDevice);
    FModel = std::make_unique<TApparaZQ735>(*FSink, *FGraph, DataFolder().toStdString());
    if (!FModel->HundredLineNotice().empty())
        ShowInfo(this, QString::fromStdString(FModel->HundredLineNotice()));
    // What a scan clears to fill its curve again is kept, so that "撤销" can
    // take the scan back; the entry is made once the scan's curve is there.
    FModel->ScanReplacesCurve = [this](int slot) { FScanReplaced = UndoStack().Snapshot({slot}); };

    TSysSettings settings;
    if (!ReadConfig(QString::fromLatin1(kConfigFileName), settings)) {
        ShowInfo(this, QStringLiteral("无法读取系统参数，按默认值处理。"));
    } else {
        TakeSettings(settings);
    }
    if (FClosing)
        return;
    // Before the worker runs, so that the question is not mixed up with the
    // detection prompt.
    OfferScanRecovery();
    if (FClosing)
        return;

    FTask = std::make_unique<TZQ735Task>(*FModel, *FComm);
    FModel->SetTask(FTask.get());
    if (Options.StartWorker) {
        FThread = std::make_unique<TThrTask>(*FTask);
        FThread->Resume();
    }
    RebuildCurveList();
    const TMeasureParams p = FModel->CurrentParams();
    SetParamLabels(p, lbMMode, lbScanSpeed, lbSlit, lbRTime);
    ShowRangesInEdits();
    FPlot->update();
    RequestConnect();
    if (!FPendingFiles.isEmpty())
        QTimer::singleShot(0, this, [this] { OpenOrImportFiles(std::exchange(FPendingFiles, {})); });
}

void TForm1::RequestConnect()
{
    // Connecting waits until the worker's loop runs; without a worker there
    // is nobody to connect.
    if (FTask && FThread)
        FTask->RequestConnect();
}

void TForm1::closeEvent(QCloseEvent* event)
{
    if ((Options.ConfirmExit && !FFormExit1->Execute()) || !AskAboutUnsavedCurves()) {
        event->ignore();
        return;
    }
    ShutdownEngine();
    event->accept();
}

void TForm1::ShutdownEngine()
{
    if (FClosing)
        return;
    FClosing = true;
    FSink->SetClosing();
    if (FTask) {
        FTask->RequestShutdown();
        // A motor or stream still running ends at once.
        FTask->Stop();
        // The worker may be waiting for this thread (Invoke): keep serving it
        // until its loop has ended, then join.
        if (FThread && FThread->Started()) {
            while (!FTask->IsFinished()) {
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 5);
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
    }
    FThread.reset();
    FTask.reset();
    // An orderly close: any scan has ended (and removed its file). A scan
    // recovered at start that was neither saved nor thrown away by the
    // operator keeps its file, to be offered again at the next start.
    if (FModel && !FRecoveryKept)
        FModel->DiscardRecovery();
    FModel.reset();
    FGraph.reset();
    FPlot->SetPicture(nullptr);
    FSurface.reset();
    FComm.reset();
}

// --- window state ----------------------------------------------------------------------

void TForm1::SetStatusText(const QString& text)
{
    FStatusText = text;
    FPanels[0]->setText(text);
}

void TForm1::ForEachMenuItem(const std::function<void(QAction*)>& fn) const
{
    std::function<void(const QList<QAction*>&)> walk = [&](const QList<QAction*>& actions) {
        for (QAction* a : actions) {
            if (a->isSeparator())
                continue;
            fn(a);
            if (QMenu* sub = a->menu())
                walk(sub->actions());
        }
    };
    walk(menuBar()->actions());
}

void TForm1::EnableCommands()
{
    FBusy = false;
    ForEachMenuItem([this](QAction* a) { SetItemEnabled(a, true); });
    for (QAction* a : {tbFengZhiJS, tbCursorRead, tbRefresh, tbStop, tbNew, tbOpen, tbSave, tbPrint, tbTtoA,
                       tbPingHua})
        SetItemEnabled(a, true);
    cbCurve->setEnabled(true);
    Button2->setEnabled(true);
    muBKEmd->setEnabled(FBaselineValid);
    UpdateUndoItem();
    UpdateInstrumentCommands(FInstrumentState);
    FPanels[0]->setText(QStringLiteral("请选择操作..."));
    FPlot->unsetCursor();
}

void TForm1::DisableCommands()
{
    FBusy = true;
    ForEachMenuItem([](QAction* a) { a->setEnabled(false); });
    for (QAction* a : {tbFengZhiJS, tbCursorRead, tbRefresh, tbNew, tbOpen, tbSave, tbPrint})
        a->setEnabled(false);
    cbCurve->setEnabled(false);
    // The curve being scanned must not be deleted or processed under the
    // worker's hands.
    Button2->setEnabled(false);
    tbTtoA->setEnabled(false);
    tbPingHua->setEnabled(false);
    UpdateInstrumentCommands(4);
}

void TForm1::UpdateInstrumentCommands(int state)
{
    bool commands = false;
    bool labels = false;
    if (state == 5 || FDebugMode) {
        commands = labels = true;
    } else if (state == 4) {
        labels = true;
    }
    for (QAction* a : {tbScan, tbCanShu, tbGotoWn, mnCanShu, mnScan, mnBGScan, mnBuild100, mnGotoWn,
                       mnCalibrate, mnSysReset})
        SetItemEnabled(a, commands);
    for (QLabel* l : {lbCurrWn, lbMMode, lbScanSpeed, lbSlit, lbRTime})
        l->setEnabled(labels);
    if (state != 0)
        SetItemEnabled(mnSysReset, true);
}

QColor TForm1::IndicatorColor(int state)
{
    switch (state) {
        case 0:
            return QColor(128, 128, 128);
        case 2:
            return QColor(255, 0, 0);
        case 3:
        case 4:
            return QColor(0, 0, 255);
        case 5:
            return QColor(0, 255, 0);
        default:
            return QColor(0, 0, 0);
    }
}

void TForm1::DrawIndicator()
{
    FIndicator->SetFill(IndicatorColor(FInstrumentState));
}

void TForm1::SetParamLabels(const TMeasureParams& p, QLabel* mode, QLabel* speed, QLabel* slit,
                            QLabel* response)
{
    mode->setText(QString::fromUtf8(ModeText(p)));
    speed->setText(QString::fromUtf8(SpeedText(p)));
    slit->setText(QString::fromUtf8(SlitText(p)));
    response->setText(QString::fromUtf8(ResponseText(p)));
}

void TForm1::ShowCurrentCurveInfo()
{
    const int slot = FGraph ? FGraph->CurrentIndex() : -1;
    TSpCurveZQ735* curve = FGraph ? FGraph->CurrentCurve() : nullptr;
    const TMeasureParams* p = FModel ? FModel->ParamsOfSlot(slot) : nullptr;
    QWidget* const controls[] = {edCurveName, lbCurveName, lbCurMMode, lbCurScanSpeed, lbCurSlit, lbCurRTime};
    if (curve != nullptr && p != nullptr) {
        for (QWidget* w : controls)
            w->setEnabled(true);
        const TCurveInfo info = curve->GetInfo();
        const QString name = QString::fromStdString(GbkFieldToUtf8(info.Name));
        lbCurveName->setText(name);
        edCurveName->setText(name);
        SetParamLabels(*p, lbCurMMode, lbCurScanSpeed, lbCurSlit, lbCurRTime);
    } else {
        const QString empty = QStringLiteral("(空)");
        edCurveName->setText(empty);
        for (QLabel* l : {lbCurMMode, lbCurScanSpeed, lbCurSlit, lbCurRTime})
            l->setText(empty);
        for (QWidget* w : controls)
            w->setEnabled(false);
    }
}

void TForm1::RebuildCurveList()
{
    const QSignalBlocker quiet(cbCurve);
    cbCurve->clear();
    FItemSlot.fill(-1);
    if (FGraph) {
        int i = 0;
        for (TSpCurveZQ735* c = FGraph->FirstCurve(); c != nullptr && i < SlotCount;
             c = FGraph->NextCurve()) {
            cbCurve->addItem(QString::number(i));
            FItemSlot[i] = FGraph->IndexOfCurve(c);
            ++i;
        }
        int selected = -1;
        if (FGraph->CurrentCurve() != nullptr) {
            for (int e = 0; e < i; ++e) {
                if (FItemSlot[e] == FGraph->CurrentIndex()) {
                    selected = e;
                    break;
                }
            }
        }
        cbCurve->setCurrentIndex(selected);
    }
    cbCurve->update();
    ShowCurrentCurveInfo();
}

std::optional<QColor> TForm1::EntryColor(int entry) const
{
    const int slot = ItemSlot(entry);
    TSpCurveZQ735* c = FGraph && slot >= 0 ? FGraph->CurveAt(slot) : nullptr;
    if (c == nullptr)
        return std::nullopt;
    return SpColor(c->GetColor());
}

void TForm1::ShowRangesInEdits()
{
    if (!FModel || !FGraph)
        return;
    // The range the graph shows, which "应用" applies: conversion, undo and
    // import set the view without the current parameters.
    auto show = [](QLineEdit* e, float v) {
        const QSignalBlocker quiet(e);
        e->setText(QString::asprintf("%1.1f", static_cast<double>(v)));
    };
    show(EditWs, FGraph->XViewFrom);
    show(EditWe, FGraph->XViewTo);
    show(EditYs, FGraph->YViewFrom);
    show(EditYe, FGraph->YViewTo);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
        case QEvent::KeyPress: {
            // The key goes to the window first: to the control that has the
            // focus, or to the window itself when none has (a key propagating
            // up to the parents is seen once).
            QWidget* target = QApplication::focusWidget();
            if (target == nullptr)
                target = QApplication::activeWindow();
            if (FClosing || watched != target || target == nullptr || target->window() != this)
                return false;
            const int key = VirtualKeyOf(static_cast<QKeyEvent*>(event)->key());
            return key != 0 && PlotKeyDown(key);
        }
        case QEvent::MouseButtonPress:
            if (watched == lbCurveName && lbCurveName->isEnabled()) {
                RenameCurve();
                return true;
            }
            return false;
        case QEvent::MouseButtonDblClick:
            if (watched == edCurveName && edCurveName->isEnabled()) {
                RenameCurve();
                return true;
            }
            return false;
        default:
            return false;
    }
}

void TForm1::TakeSettings(const TSysSettings& s)
{
    TSystemBlock block;
    FModel->GetSystemBlock(&block);
    block.MotorType = s.MotorType;
    block.StrayLightCorr = s.StrayLightCorr;
    FModel->SetSystemBlock(&block);
    FDebugMode = s.DebugMode != 0;
}
