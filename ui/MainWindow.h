#pragma once
// The main window "ZQ735红外分光光度计": the plot with its range and
// current-curve panels, the measurement panel, the status bar with the
// instrument state lamp, the menus and tool bars. It owns the program's
// object graph (drawing surface, graph, byte channel, instrument model, task
// engine and its worker), builds it when the window is first shown and tears
// it down in a fixed order when the window closes.
//
// The code is spread over three files: MainWindow.cpp (composition, start-up,
// tear-down, enabling rules, curve list), MainWindowCommands.cpp (the menu,
// tool bar and panel commands) and MainWindowMessages.cpp (the acquisition
// side's messages, the plot's mouse and keyboard).

#include <QLabel>
#include <QMainWindow>
#include <QSet>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "acquisition/ApparaZQ735.h"
#include "ui/ProcessingUndo.h"

class QAction;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolBar;
class TCurveSelector;
class TDelCurve1;
class TDlgAbout;
class TDlgInKeDu;
class TDlgSiZe1;
class TFormCurveAttr;
class TSpDlgAdjBKK;
struct TSysSettings;
struct TPeakOutputs;
class TDlgInputOne;
class TDlgInputStr;
class TDlgSysSetting;
class TDlgWaiting;
class TFormCanShu;
class TFormDataTable;
class TFormExit1;
class TFormPassWord;
class TFormPrntSetting;
class TFormSysInitInfo;
class TFormSysReset;
class TPlotWidget;
class TQtMessageSink;
class TSpComm;
class TSpGraph735;
class TSpImage;
class TStateIndicator;
class TThrTask;
class TXiShouFeng;
class TZQ735Task;

struct TForm1Options {
    // The serial device to use instead of looking for the USB adapter
    // (--port, or the simulated instrument's pseudo-terminal). Empty: search.
    std::string FixedDevice;
    // Closing asks "提示：是否要退出系统？" first. Tests close without asking.
    bool ConfirmExit = true;
    // When not empty, the folder for ZQ735.cfg and BK100.dat (tests).
    QString DataFolder;
    // Without it the engine is built but its loop never runs, so that the
    // window's own reactions can be checked without an instrument: requests
    // then just stay pending in the task engine.
    bool StartWorker = true;
    // With the simulated instrument: takes the sample out of the beam (false)
    // for a 100 % or background baseline and puts it back (true) when that
    // scan has ended, as the operator does by hand at a real instrument.
    std::function<void(bool)> SampleInBeam;
};

class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int SlotCount = 20;

    explicit TForm1(TForm1Options options = {}, QWidget* parent = nullptr);
    ~TForm1() override;

    // --- object graph ---------------------------------------------------------
    // The work of the first activation: builds the object graph, reads the
    // configuration, starts the worker and asks it to connect. Later calls do
    // nothing. Runs by itself once the window has been shown.
    void BuildObjectGraph();
    bool Started() const { return !FirstActivation; }
    // Null before the first activation and after tear-down.
    TSpGraph735* Graph() const { return FGraph.get(); }
    TApparaZQ735* Model() const { return FModel.get(); }
    TZQ735Task* Task() const { return FTask.get(); }
    TSpImage* Surface() const { return FSurface.get(); }
    TPlotWidget* Plot() const { return FPlot; }

    // --- state read elsewhere ---------------------------------------------------
    bool WavelengthMode() const { return FWavelengthMode; }
    const TScanDateTime& ScanDateTime() const { return FScanDateTime; }
    int InstrumentState() const { return FInstrumentState; }
    bool DebugMode() const { return FDebugMode; }
    bool BaselineValid() const { return FBaselineValid; }
    int StateMsgCount() const { return FStateMsgCount; }
    const QString& StatusText() const { return FStatusText; }
    float LastGotoWavenumber() const { return FLastGoto; }
    // A task runs: between its start and its end (or failure).
    bool Busy() const { return FBusy; }
    bool ZoomMode() const { return FZoomOn; }
    bool CursorRead() const { return FCursorOn; }
    QRect ZoomRect() const { return QRect(QPoint(ZoomX0, ZoomY0), QPoint(ZoomX1, ZoomY1)); }
    int ItemSlot(int entry) const { return entry >= 0 && entry < SlotCount ? FItemSlot[entry] : -1; }

    // The dialogs, created once with the window.
    TFormCanShu& FormCanShu() const { return *FFormCanShu; }
    TFormSysReset& FormSysReset() const { return *FFormSysReset; }
    TFormSysInitInfo& FormSysInitInfo() const { return *FFormSysInitInfo; }
    TDlgWaiting& DlgWaiting() const { return *FDlgWaiting; }
    TDlgInputOne& DlgInputOne() const { return *FDlgInputOne; }
    TDlgInputStr& DlgInputStr() const { return *FDlgInputStr; }
    TXiShouFeng& XiShouFeng() const { return *FXiShouFeng; }
    TFormDataTable& FormDataTable() const { return *FFormDataTable; }
    TFormPrntSetting& FormPrntSetting() const { return *FFormPrntSetting; }

    // --- window state operations --------------------------------------------------
    void SetStatusText(const QString& text);
    void EnableCommands();
    void DisableCommands();
    void UpdateInstrumentCommands(int state);
    void DrawIndicator();
    // The indicator's colour for an instrument state.
    static QColor IndicatorColor(int state);
    void ShowCurrentCurveInfo();
    void RebuildCurveList();

    // --- messages and the plot ------------------------------------------------------
    // One message of the acquisition side (they arrive as TUmEvent).
    void HandleMessage(unsigned message, intptr_t wParam, intptr_t lParam);
    int ShowResetDialog(int request);
    bool SetCursorRead(bool on);
    bool SetZoomMode(bool on);
    void PlotMouseMove(int x, int y);
    void PlotMouseDown(int button, int x, int y);
    void PlotMouseUp(int button, int x, int y);
    // A key pressed anywhere in the window, before its controls see it.
    // Returns true when the key was used up.
    bool PlotKeyDown(int virtualKey);
    // The platform key code of a Qt key (0 when it has none).
    static int VirtualKeyOf(int qtKey);
    void SelectCurveEntry(int entry);
    void RenameCurve();
    // New picture size for the plot: surface, layout and curves follow.
    void ResizePlot(QSize size);

    // --- commands -------------------------------------------------------------------
    void OnNew();
    void OnOpen();
    void OnSave();
    void OnParams();
    void OnCursorRead();
    void OnAmplify();
    void OnRefresh();
    void OnPeakSearch();
    void OnDataTable();
    // After a change of the view: when the single-value dialog's last use
    // ended with OK, the marks are cleared and the current curve searched
    // again with its value (no table).
    void RemarkPeaks();
    void FillPeakTable(TSpCurveZQ735& curve, const TPeakOutputs& found);
    void OnDrawGrid();
    void OnScan();
    void OnBackgroundScan();
    void OnBaselineCorrection();
    void OnCalibrate();
    void OnGotoWavenumber();
    void OnSysReset();
    void OnBuild100();
    void OnSysSettings();
    void OnAbout();
    void OnStop();
    void OnApplyRanges();
    void OnDeleteCurve();
    // "打印": leaves zoom and cursor reading, shows the print window.
    void OnPrint();
    // The peak table and the data table tell the print window what it may
    // list, whenever their print options change.
    void ConnectPrintLists();

    // --- spectrum processing (MainWindowProcessing.cpp) -------------------------------
    void OnUndo();
    void OnConvertTA();
    void OnAbsorptionExpand();
    void OnScaleExpand();
    void OnSmooth();
    void OnDerivative(int times);
    void OnArithmetic();
    void OnAdjustBaseline();
    void OnDeleteDialog();
    void OnCurveAttributes();
    // The undo stack of the processing commands (null before the object graph).
    TProcessingUndo* Undo() const { return FUndo.get(); }
    // "导入…" and "导出…" (JCAMP-DX, CSV), and files dropped on the window or
    // named on the command line (MainWindowFiles.cpp).
    void OnImport();
    void OnExport();
    // Opens a spectrum file (.ir) or imports a JCAMP-DX or CSV file, each in
    // turn; a file that fails is reported and the rest go on. Before the
    // object graph exists the files wait for it. Returns how many failed.
    int OpenOrImportFiles(const QStringList& paths);
    // Writes the current curve (JCAMP-DX) or every curve (CSV, by the name's
    // extension); false with the reason shown.
    bool ExportToFile(const QString& path);

protected:
    bool event(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The simulated sample out of the beam for a baseline scan, and back.
    // The settings' motor type and stray-light switch into the model's system
    // block, the debug switch into the window.
    void TakeSettings(const TSysSettings& s);
    void TakeSampleOut();
    void PutSampleBack();
    bool FSampleOut = false;

    // Processing: the undo stack and the dialogs, made on first use.
    TProcessingUndo& UndoStack();
    void CommitUndo(TProcessingUndo::TEntry before);
    void ClearUndo();
    void UpdateUndoItem();
    std::unique_ptr<TProcessingUndo> FUndo;
    // The curve a running scan cleared, until the scan's curve is in its slot.
    TProcessingUndo::TEntry FScanReplaced;
    TDlgInKeDu* FDlgInKeDu = nullptr;
    TDlgSiZe1* FDlgSiZe1 = nullptr;
    TDelCurve1* FDelCurve1 = nullptr;
    TFormCurveAttr* FFormCurveAttr = nullptr;
    TSpDlgAdjBKK* FSpDlgAdjBKK = nullptr;

    // Composition.
    void CreateDialogs();
    void CreateMenus();
    void CreateToolBars();
    void CreatePanels();
    void CreateStatusBar();
    QAction* MenuItem(QMenu* menu, const char* name, const QString& caption,
                      void (TForm1::*command)() = nullptr);
    QAction* ToolButton(QToolBar* bar, const char* name, const QString& caption,
                        void (TForm1::*command)() = nullptr);
    // Items whose commands the program does not offer yet: shown, never enabled.
    void Later(QAction* action);
    void SetItemEnabled(QAction* action, bool on);
    void ForEachMenuItem(const std::function<void(QAction*)>& fn) const;

    // Tear-down: ends the worker while serving its window-thread calls, then
    // frees the objects in order.
    void ShutdownEngine();
    // The engine requests of the commands and of the state handling.
    void RequestConnect();
    // At start: offers the points of a scan that did not end back as a curve.
    void OfferScanRecovery();

    // Unsaved curves: a curve is saved when it is, value for value and with
    // its texts and record, one that the last save wrote or the last open
    // read. Before curves are thrown away ("新建", closing) the operator is
    // asked; true when the command may go on (saved, or "否").
    bool HasUnsavedCurves() const;
    void MarkCurvesSaved();
    bool AskAboutUnsavedCurves();
    std::vector<std::pair<uint64_t, uint64_t>> FSavedCurves;  // identity, contents
    // A scan recovered at start and not saved since: its file stays in the
    // data folder (offered again at the next start) unless the operator
    // throws the curves away.
    bool FRecoveryKept = false;
    // "存盘"; true when the file was written.
    bool SaveCurves();
    // "新建" without the question.
    void ClearCurves();

    // Helpers of the commands and messages.
    void ShowRangesInEdits();
    // The open command's work on a chosen path, with its messages.
    bool OpenSpectrumPath(const QString& path);
    bool OpenOrImportFile(const QString& path);
    QStringList FPendingFiles;
    void SetParamLabels(const TMeasureParams& p, QLabel* mode, QLabel* speed, QLabel* slit, QLabel* response);
    void DrawZoomRect();
    void EraseZoomRect();
    void ResetZoomCorners();
    void SetChecked(QAction* menuItem, QAction* toolButton, bool on);
    std::optional<QColor> EntryColor(int entry) const;

    TForm1Options Options;

    // --- state ------------------------------------------------------------------------
    std::array<uint32_t, SlotCount> CurveColors;
    std::array<int32_t, SlotCount> FItemSlot;
    bool FirstActivation = true;
    bool FDebugMode = false;
    bool FBaselineValid = false;
    uint8_t FInstrumentState = 0;
    int FStateMsgCount = 0;
    QString FStatusText;
    int ZoomX0 = -1, ZoomY0 = -1, ZoomX1 = -1, ZoomY1 = -1;
    float SavedView[4] = {4000.0f, 400.0f, 0.0f, 100.0f};
    QRect IndicatorRect{0, -1, 0, 0};
    bool FWavelengthMode = false;
    TScanDateTime FScanDateTime;
    float FLastGoto = 4000.0f;
    bool FZoomOn = false;
    bool FCursorOn = false;
    bool FBandShown = false;
    bool FClosing = false;
    // A task runs (between UM_BUSY 0 and its end): the instrument commands stay off.
    bool FBusy = false;
    bool FBuildQueued = false;

    // --- object graph, in build order --------------------------------------------------
    std::unique_ptr<TQtMessageSink> FSink;
    std::unique_ptr<TSpImage> FSurface;
    std::unique_ptr<TSpGraph735> FGraph;
    std::unique_ptr<TSpComm> FComm;
    std::unique_ptr<TApparaZQ735> FModel;
    std::unique_ptr<TZQ735Task> FTask;
    std::unique_ptr<TThrTask> FThread;

    // --- dialogs, created once in this order --------------------------------------------
    TFormCanShu* FFormCanShu = nullptr;
    TFormSysInitInfo* FFormSysInitInfo = nullptr;
    TDlgInputOne* FDlgInputOne = nullptr;
    // The height of the last peak search ended with "确定": the marks are
    // renewed with it after a view change. Kept apart from the shared input
    // dialog, which other commands fill with wavenumbers, coefficients and
    // measured peak heights.
    std::optional<float> FPeakThreshold;
    TDlgAbout* FDlgAbout = nullptr;
    TDlgInputStr* FDlgInputStr = nullptr;
    TFormSysReset* FFormSysReset = nullptr;
    TFormExit1* FFormExit1 = nullptr;
    TDlgWaiting* FDlgWaiting = nullptr;
    TFormPassWord* FFormPassWord = nullptr;
    TDlgSysSetting* FDlgSysSetting = nullptr;
    TXiShouFeng* FXiShouFeng = nullptr;
    TFormDataTable* FFormDataTable = nullptr;
    TFormPrntSetting* FFormPrntSetting = nullptr;

    // --- controls ------------------------------------------------------------------------
    QSet<QAction*> FLater;
    // Menu "文件(&F)"
    QAction* mnNew = nullptr;
    QAction* mnOpen = nullptr;
    QAction* mnSave = nullptr;
    QAction* mnImport = nullptr;
    QAction* mnExport = nullptr;
    QAction* mnCanShu = nullptr;
    QAction* mnPrint = nullptr;
    QAction* muExit = nullptr;
    // Menu "查看(&J)"
    QAction* mnKeduKZ = nullptr;
    QAction* mnCursorRead = nullptr;
    QAction* mnDataTable = nullptr;
    QAction* mnAmplify = nullptr;
    QAction* mnRefresh = nullptr;
    QAction* mnDrawGrid = nullptr;
    // Menu "测量方式(&M)"
    QAction* mnScan = nullptr;
    QAction* mnBGScan = nullptr;
    QAction* N6 = nullptr;
    // Menu "谱线处理"
    QAction* mnUndo = nullptr;
    QAction* muBKEmd = nullptr;
    QAction* muAdjBK = nullptr;
    QAction* mnXiShouKZ = nullptr;
    QAction* mnTtoA = nullptr;
    QAction* mnFengZhiJS = nullptr;
    QAction* mnDelCurve = nullptr;
    QAction* mnPingHua = nullptr;
    QAction* mnSiZe = nullptr;
    QAction* N4 = nullptr;
    // Menu "仪器控制(&S)"
    QAction* mnCalibrate = nullptr;
    QAction* mnGotoWn = nullptr;
    QAction* mnSysReset = nullptr;
    QAction* mnBuild100 = nullptr;
    QAction* N3 = nullptr;
    // Menu "帮助(&H)"
    QAction* mnAbout = nullptr;
    // Tool bars
    QAction* tbNew = nullptr;
    QAction* tbSave = nullptr;
    QAction* tbOpen = nullptr;
    QAction* tbPrint = nullptr;
    QAction* tbScan = nullptr;
    QAction* tbStop = nullptr;
    QAction* tbSysReset = nullptr;
    QAction* tbGotoWn = nullptr;
    QAction* tbCanShu = nullptr;
    QAction* tbFengZhiJS = nullptr;
    QAction* tbCursorRead = nullptr;
    QAction* tbTtoA = nullptr;
    QAction* tbPingHua = nullptr;
    QAction* tbAmplify = nullptr;
    QAction* tbRefresh = nullptr;

    // Current curve panel
    TCurveSelector* cbCurve = nullptr;
    QLabel* lbCurveName = nullptr;
    QLineEdit* edCurveName = nullptr;
    QLabel* lbCurMMode = nullptr;
    QLabel* lbCurScanSpeed = nullptr;
    QLabel* lbCurSlit = nullptr;
    QLabel* lbCurRTime = nullptr;
    QPushButton* Button2 = nullptr;
    // Range panel
    QLineEdit* EditWs = nullptr;
    QLineEdit* EditWe = nullptr;
    QLineEdit* EditYs = nullptr;
    QLineEdit* EditYe = nullptr;
    QPushButton* Button1 = nullptr;
    // Plot
    TPlotWidget* FPlot = nullptr;
    // Measurement panel
    QLabel* lbCurrWn = nullptr;
    QLabel* lbMVal = nullptr;
    QLabel* lbMMode = nullptr;
    QLabel* lbScanSpeed = nullptr;
    QLabel* lbSlit = nullptr;
    QLabel* lbRTime = nullptr;
    QLabel* lbSSSteps = nullptr;
    QLabel* lbFSteps = nullptr;
    QLabel* lbZSteps = nullptr;
    // Status bar
    std::array<QLabel*, 4> FPanels{};
    TStateIndicator* FIndicator = nullptr;
};
