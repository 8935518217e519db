#include "ui/FormPrntSetting.h"

#include <QCheckBox>
#include <QEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "plot/SpGraph735.h"
#include "ui/DialogStyle.h"
#include "ui/NumericText.h"

namespace {

constexpr int kBoxRowGap = 28;  // between the two rows of check boxes
constexpr int kBoxColumn = 96;

QLineEdit* SizeEdit(QWidget* parent, const char* name, const QString& text)
{
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setFixedWidth(56);
    return edit;
}

QCheckBox* Box(QWidget* parent, const char* name, const QString& text, int column, int row, bool checked)
{
    auto* box = new QCheckBox(text, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setChecked(checked);
    box->adjustSize();
    box->move(column * kBoxColumn, row * kBoxRowGap);
    return box;
}

void AddSizeRow(QGridLayout* grid, int row, const QString& label, QLineEdit* edit)
{
    grid->addWidget(new QLabel(label), row, 0);
    grid->addWidget(edit, row, 1);
    grid->addWidget(new QLabel(QStringLiteral("厘米")), row, 2);
}

QRect Rect(const TPreviewRect& r) { return QRect(QPoint(r.Left, r.Top), QPoint(r.Right - 1, r.Bottom - 1)); }

}  // namespace

TFormPrntSetting::TFormPrntSetting(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormPrntSetting"));
    setWindowTitle(QStringLiteral("打印设置"));
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    setModal(false);

    rbPortrait = new QRadioButton(QStringLiteral("纵向打印"), this);
    rbPortrait->setObjectName(QStringLiteral("rbPortrait"));
    rbPortrait->setChecked(true);
    rbLandscape = new QRadioButton(QStringLiteral("横向打印"), this);
    rbLandscape->setObjectName(QStringLiteral("rbLandscape"));
    auto* orientation = new QGroupBox(QStringLiteral("打印方向"), this);
    auto* orientationLayout = new QHBoxLayout(orientation);
    orientationLayout->addWidget(rbPortrait);
    orientationLayout->addWidget(rbLandscape);

    EditLeft = SizeEdit(this, "EditLeft", QStringLiteral("0.0"));
    EditRight = SizeEdit(this, "EditRight", QStringLiteral("0.0"));
    EditTop = SizeEdit(this, "EditTop", QStringLiteral("0.0"));
    EditPutuHeight = SizeEdit(this, "EditPutuHeight", QStringLiteral("12.0"));
    EditPutuWidth = SizeEdit(this, "EditPutuWidth", QStringLiteral("18.0"));
    EditPutuWidth->setReadOnly(true);
    auto* sizes = new QGroupBox(QStringLiteral("尺寸"), this);
    auto* grid = new QGridLayout(sizes);
    AddSizeRow(grid, 0, QStringLiteral("左边距:"), EditLeft);
    AddSizeRow(grid, 1, QStringLiteral("右边距:"), EditRight);
    AddSizeRow(grid, 2, QStringLiteral("上边距:"), EditTop);
    AddSizeRow(grid, 3, QStringLiteral("谱图高度:"), EditPutuHeight);
    AddSizeRow(grid, 4, QStringLiteral("谱图宽度:"), EditPutuWidth);
    for (QLineEdit* e : {EditLeft, EditRight, EditTop, EditPutuHeight}) {
        InstallNumericFilter(e);
        e->installEventFilter(this);
    }

    FBoxes = new QWidget(this);
    CBBegin = Box(FBoxes, "CBBegin", QStringLiteral("标题栏"), 0, 0, true);
    CBPara = Box(FBoxes, "CBPara", QStringLiteral("测量参数"), 1, 0, true);
    CBChangInfo = Box(FBoxes, "CBChangInfo", QStringLiteral("厂商信息"), 2, 0, true);
    CBPrnFJ = Box(FBoxes, "CBPrnFJ", QStringLiteral("打印峰尖"), 0, 1, false);
    CBPrnFG = Box(FBoxes, "CBPrnFG", QStringLiteral("打印峰谷"), 1, 1, false);
    CBPrnData = Box(FBoxes, "CBPrnData", QStringLiteral("打印数据"), 2, 1, false);
    for (QCheckBox* b : {CBPrnFJ, CBPrnFG, CBPrnData})
        b->setEnabled(false);
    FBoxes->setFixedSize(3 * kBoxColumn + 8, 2 * kBoxRowGap);

    CBToPdf = new QCheckBox(QStringLiteral("打印到PDF文件"), this);
    CBToPdf->setObjectName(QStringLiteral("CBToPdf"));

    FPreview = QImage(PreviewWidth, PreviewHeight, QImage::Format_RGB32);
    FPreview.fill(Qt::white);
    IMPre = new QLabel(this);
    IMPre->setObjectName(QStringLiteral("IMPre"));
    IMPre->setFixedSize(PreviewWidth, PreviewHeight);
    auto* preview = new QGroupBox(QStringLiteral("打印预览"), this);
    auto* previewLayout = new QVBoxLayout(preview);
    previewLayout->addWidget(IMPre);

    BTPrint = MakeButton(this, QStringLiteral("BTPrint"), QStringLiteral("打印"), true);
    BTPreview = MakeButton(this, QStringLiteral("BTPreview"), QStringLiteral("打印预览…"));
    BTCancel = MakeButton(this, QStringLiteral("BTCancel"), QStringLiteral("取消"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BTPrint);
    buttons->addWidget(BTPreview);
    buttons->addWidget(BTCancel);

    auto* left = new QVBoxLayout;
    left->addWidget(orientation);
    left->addWidget(sizes);
    left->addWidget(FBoxes);
    left->addWidget(CBToPdf);
    left->addStretch();
    auto* top = new QHBoxLayout;
    top->addLayout(left);
    top->addWidget(preview);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);

    connect(rbPortrait, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            SetOrientation(false);
    });
    connect(rbLandscape, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            SetOrientation(true);
    });
    for (QCheckBox* b : {CBBegin, CBPara, CBChangInfo})
        connect(b, &QCheckBox::toggled, this, [this] {
            DeriveLayout();
            DrawPreview();
        });
    connect(CBPrnFJ, &QCheckBox::clicked, this, [this] { RestoreIndicator(CBPrnFJ, FPeaks); });
    connect(CBPrnFG, &QCheckBox::clicked, this, [this] { RestoreIndicator(CBPrnFG, FValleys); });
    connect(CBPrnData, &QCheckBox::clicked, this, [this] { RestoreIndicator(CBPrnData, FData); });
    connect(BTPrint, &QPushButton::clicked, this, &TFormPrntSetting::OnPrint);
    connect(BTPreview, &QPushButton::clicked, this, &TFormPrntSetting::OnPrintPreview);
    connect(BTCancel, &QPushButton::clicked, this, &QDialog::reject);

    DrawPreview();
}

TFormPrntSetting::~TFormPrntSetting() = default;

void TFormPrntSetting::SetSource(TSpGraph735* graph, TApparaZQ735* model, TScanDateTime* date)
{
    FGraph = graph;
    FModel = model;
    FDate = date;
}

// --- flags and lists -----------------------------------------------------------

void TFormPrntSetting::RestoreIndicator(QCheckBox* box, bool flag)
{
    box->setChecked(flag);
    box->setEnabled(flag);
}

void TFormPrntSetting::SetPrintPeaks(bool on)
{
    FPeaks = on;
    RestoreIndicator(CBPrnFJ, on);
    DrawPreview();
}

void TFormPrntSetting::SetPrintValleys(bool on)
{
    FValleys = on;
    RestoreIndicator(CBPrnFG, on);
    DrawPreview();
}

void TFormPrntSetting::SetPrintData(bool on)
{
    FData = on;
    RestoreIndicator(CBPrnData, on);
    DrawPreview();
}

void TFormPrntSetting::SetPeakRows(std::vector<TReportRow> peaks, std::vector<TReportRow> valleys,
                                   const TSpCurveZQ735* curve)
{
    FLists.PeakCurve = curve;
    FLists.Peaks = std::move(peaks);
    FLists.Valleys = std::move(valleys);
}

void TFormPrntSetting::SetDataRows(std::vector<TReportRow> rows, int interval)
{
    FLists.Data = std::move(rows);
    FLists.DataInterval = interval;
}

TReportBlocks TFormPrntSetting::Blocks() const
{
    TReportBlocks b;
    b.Title = CBBegin->isChecked();
    b.Params = CBPara->isChecked();
    b.Maker = CBChangInfo->isChecked();
    // Lists are printed in portrait only.
    b.Peaks = FPeaks && !FSizes.Landscape;
    b.Valleys = FValleys && !FSizes.Landscape;
    b.Data = FData && !FSizes.Landscape;
    return b;
}

// --- sizes ------------------------------------------------------------------------

TReportSizeTexts TFormPrntSetting::ReadTexts() const
{
    TReportSizeTexts t;
    t.Left = EditLeft->text().toStdString();
    t.Right = EditRight->text().toStdString();
    t.Top = EditTop->text().toStdString();
    t.PlotWidth = EditPutuWidth->text().toStdString();
    t.PlotHeight = EditPutuHeight->text().toStdString();
    return t;
}

void TFormPrntSetting::WriteTexts(const TReportSizeTexts& t)
{
    // Sizes below 10 come as " 9.6"; the blank is left off, or the numeric
    // filter would drop it with a beep for a key nobody pressed.
    auto put = [](QLineEdit* edit, const std::string& text) {
        const QString s = QString::fromStdString(text).trimmed();
        if (edit->text() != s)
            edit->setText(s);
    };
    put(EditLeft, t.Left);
    put(EditRight, t.Right);
    put(EditTop, t.Top);
    put(EditPutuWidth, t.PlotWidth);
    put(EditPutuHeight, t.PlotHeight);
}

void TFormPrntSetting::ValidateLayout()
{
    TReportSizeTexts t = ReadTexts();
    ::ValidateLayout(t, FSizes);
    WriteTexts(t);
}

void TFormPrntSetting::DeriveLayout()
{
    TReportSizeTexts t = ReadTexts();
    ::DeriveLayout(t, FSizes);
    WriteTexts(t);
}

void TFormPrntSetting::SetOrientation(bool landscape)
{
    SetReportOrientation(FSizes, landscape);
    for (QCheckBox* b : {CBPrnFJ, CBPrnFG, CBPrnData})
        b->setVisible(!landscape);
    // Alone, the upper row moves down between the two rows' places.
    const int y = landscape ? kBoxRowGap / 2 : 0;
    CBBegin->move(0, y);
    CBPara->move(kBoxColumn, y);
    CBChangInfo->move(2 * kBoxColumn, y);
    DeriveLayout();
    DrawPreview();
}

void TFormPrntSetting::showEvent(QShowEvent* event)
{
    // Without a printer the report can only go to a file. Asked at every
    // showing: a printer may have been set up meanwhile.
    const bool printer = HasDefaultPrinter();
    if (!printer)
        CBToPdf->setChecked(true);
    CBToPdf->setEnabled(printer);
    DeriveLayout();
    DrawPreview();
    QDialog::showEvent(event);
}

bool TFormPrntSetting::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyRelease) {
        if (watched == EditPutuHeight) {
            ValidateLayout();
            DrawPreview();
            ValidateLayout();
        } else if (watched == EditLeft || watched == EditRight || watched == EditTop) {
            DeriveLayout();
            DrawPreview();
            ValidateLayout();
        }
    }
    return QDialog::eventFilter(watched, event);
}

// --- preview ----------------------------------------------------------------------

void TFormPrntSetting::DrawPreview()
{
    FPreview.fill(palette().color(QPalette::Window));
    const TPreviewPlan plan = PlanPreview(PreviewWidth, PreviewHeight, FSizes, Blocks());
    QPainter p(&FPreview);
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawRect(Rect(plan.Page));
    if (plan.Title) {
        p.fillRect(Rect(plan.TitleBar1), Qt::black);
        p.fillRect(Rect(plan.TitleBar2), Qt::black);
        p.setPen(QPen(Qt::black, 0, Qt::DashLine));
        p.drawLine(plan.RuleX0, plan.RuleY, plan.RuleX1, plan.RuleY);
        p.setPen(Qt::black);
    }
    p.setBrush(QColor(224, 232, 255));
    p.drawRect(Rect(plan.Plot));
    // A hint of a spectrum inside the plot.
    const QRect plot = Rect(plan.Plot);
    if (plot.width() > 8 && plot.height() > 8) {
        p.setPen(Qt::blue);
        QPolygon line;
        for (int i = 0; i <= 8; ++i)
            line << QPoint(plot.left() + 2 + (plot.width() - 4) * i / 8,
                           plot.top() + 2 + (plot.height() - 4) * ((i * 5) % 7 + 1) / 9);
        p.drawPolyline(line);
        p.setPen(Qt::black);
    }
    auto block = [&p](bool shown, const TPreviewRect& r) {
        if (shown)
            p.fillRect(Rect(r), Qt::darkGray);
    };
    block(plan.Params, plan.ParamsBlock);
    block(plan.Peaks, plan.PeaksBlock);
    block(plan.Valleys, plan.ValleysBlock);
    block(plan.Data, plan.DataBlock);
    block(plan.Maker, plan.MakerLine);
    p.end();
    IMPre->setPixmap(QPixmap::fromImage(FPreview));
}

// --- printing ---------------------------------------------------------------------

TReportSource TFormPrntSetting::Source() const
{
    TReportSource s;
    s.Graph = FGraph;
    s.Date = FDate;
    if (FModel != nullptr && FGraph != nullptr)
        s.Params = FModel->ParamsOfSlot(FGraph->CurrentIndex());
    return s;
}

bool TFormPrntSetting::PrintSpectrumReport(QPainter& painter)
{
    TReportSizeTexts t = ReadTexts();
    const bool printed = DrawSpectrumReport(painter, Source(), Blocks(), FLists, FSizes, t);
    WriteTexts(t);
    return printed;
}

bool TFormPrntSetting::PrintToPdf(const QString& path)
{
    TReportSizeTexts t = ReadTexts();
    std::string error;
    const bool printed = PrintSpectrumReportToPdf(path, Source(), Blocks(), FLists, FSizes, t, &error);
    WriteTexts(t);
    if (!printed)
        QMessageBox::warning(this, QStringLiteral("打印"), QString::fromStdString(error) + QStringLiteral(" ") + path);
    return printed;
}

bool TFormPrntSetting::HasDefaultPrinter() const
{
    return !QPrinterInfo::defaultPrinter().isNull();
}

QString TFormPrntSetting::AskPdfPath()
{
    if (FChoosePdf)
        return FChoosePdf();
    QFileDialog dialog(this, QStringLiteral("打印到文件"), QString(), QStringLiteral("PDF文件 (*.pdf)"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().front();
}

void TFormPrntSetting::SetupPrinter(QPrinter& printer) const
{
    printer.setPageOrientation(FSizes.Landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setDocName(QStringLiteral("红外分光光度计ZQ735"));
}

void TFormPrntSetting::OnPrint()
{
    if (!CanPrintReport(FGraph) || Source().Params == nullptr) {
        hide();
        return;
    }
    if ((FPeaks || FValleys) && !FSizes.Landscape && !PeakListsOfPrintedCurve(FGraph, FLists))
        QMessageBox::information(this, QStringLiteral("打印"),
                                 QStringLiteral("峰值列表不是当前谱线的检索结果，不打印峰值列表"));
    if (CBToPdf->isChecked() || !HasDefaultPrinter()) {
        const QString path = AskPdfPath();
        if (path.isEmpty())
            return;
        if (!PrintToPdf(path))
            return;
    } else {
        QPrinter printer(QPrinter::HighResolution);
        SetupPrinter(printer);
        QPainter painter;
        if (!painter.begin(&printer)) {
            QMessageBox::warning(this, QStringLiteral("打印"), QStringLiteral("打印机无法打印"));
            return;
        }
        PrintSpectrumReport(painter);
        painter.end();
    }
    hide();
}

void TFormPrntSetting::OnPrintPreview()
{
    if (!CanPrintReport(FGraph) || Source().Params == nullptr)
        return;
    QPrinter printer(QPrinter::HighResolution);
    if (!HasDefaultPrinter())
        printer.setOutputFormat(QPrinter::PdfFormat);
    SetupPrinter(printer);
    QPrintPreviewDialog dialog(&printer, this);
    dialog.setObjectName(QStringLiteral("PrintPreview"));
    dialog.setWindowTitle(QStringLiteral("打印预览"));
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* target) {
        // The preview shows the page without changing the window's sizes.
        TReportSizes sizes = FSizes;
        TReportSizeTexts t = ReadTexts();
        QPainter painter(target);
        DrawSpectrumReport(painter, Source(), Blocks(), FLists, sizes, t);
    });
    dialog.exec();
}
