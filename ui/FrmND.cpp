#include "ui/FrmND.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStyledItemDelegate>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "plot/SpGraph735.h"
#include "quant/NDBandHeight.h"
#include "report/PdfFile.h"
#include "surface/SpImage.h"
#include "ui/DlgNDFromSpectrum.h"
#include "ui/DlgNDPrnSet.h"
#include "ui/DlgSetNDUnit.h"
#include "ui/NDPrint.h"
#include "ui/NumericText.h"

namespace {

constexpr int kChartWidth = 296;
constexpr int kChartHeight = 214;

const QColor kOlive(128, 128, 0);
const QColor kPink(247, 227, 239);
const QColor kOrange(255, 186, 117);
const QColor kSelected(0, 0, 255);

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

// A line edit per cell; every change of its text goes to the window at once,
// as the table's rules act on each keystroke.
class TNDCellDelegate : public QStyledItemDelegate {
public:
    TNDCellDelegate(TFrmND* form, QObject* parent) : QStyledItemDelegate(parent), Form(form) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                          const QModelIndex& index) const override
    {
        auto* edit = new QLineEdit(parent);
        edit->setFrame(false);
        edit->setAlignment(Qt::AlignCenter);
        const int row = index.row() + 1;
        const int col = index.column();
        TFrmND* form = Form;
        QObject::connect(edit, &QLineEdit::textChanged, edit,
                         [form, edit, row, col] { form->CellEdited(edit, row, col); });
        return edit;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        auto* edit = static_cast<QLineEdit*>(editor);
        const QString text = index.data(Qt::EditRole).toString();
        if (edit->text() != text)
            edit->setText(text);
    }

private:
    TFrmND* Form;
};

QToolButton* Button(QToolBar* bar, const char* name, const QString& caption)
{
    auto* b = new QToolButton(bar);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(caption);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    bar->addWidget(b);
    return b;
}

QLabel* Label(QWidget* parent, const char* name, const QString& text)
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

}  // namespace

// --- grid ------------------------------------------------------------------------------

TNDGrid::TNDGrid(TFrmND* form) : QTableWidget(form), Form(form)
{
    setObjectName(QStringLiteral("StringGrid1"));
    setColumnCount(NDColumns);
    setItemDelegate(new TNDCellDelegate(form, this));
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

void TNDGrid::PlaceCurrent(int row, int col)
{
    if (currentRow() == row && currentColumn() == col)
        return;
    Placing = true;
    setCurrentCell(row, col);
    Placing = false;
}

QModelIndex TNDGrid::EditedIndex() const
{
    if (state() != EditingState)
        return {};
    for (auto* editor : viewport()->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly))
        if (editor->isVisible()) {
            const QModelIndex index = indexAt(editor->geometry().center());
            if (indexWidget(index) == editor)
                return index;
        }
    return currentIndex();
}

void TNDGrid::DropEditor()
{
    if (state() != EditingState)
        return;
    for (auto* editor : viewport()->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly))
        if (editor->isVisible())
            closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void TNDGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    if (!Placing && current.isValid() && current != previous) {
        if (!Form->RequestCell(current.row() + 1, current.column()))
            return;  // the window has put the current cell back where the table has it
    }
    QTableWidget::currentChanged(current, previous);
}

// --- window ----------------------------------------------------------------------------

TFrmND::TFrmND(std::function<TSpGraph735*()> graph, QWidget* parent)
    : QDialog(parent), FGraph(std::move(graph)), FChartImage(kChartWidth, kChartHeight, QImage::Format_RGB32)
{
    setObjectName(QStringLiteral("FrmND"));
    setWindowTitle(QStringLiteral("浓度测量"));
    setFixedSize(766, 520);
    FChartImage.fill(Qt::white);
    FChartSurface = std::make_unique<TSpImage>(this, &FChartImage, 0, 0, kChartWidth, kChartHeight);
    FTable.Chart = FChartSurface.get();

    FDlgSetNDUnit = new TDlgSetNDUnit(this);
    FDlgNDPrnSet = new TDlgNDPrnSet(this);
    FDlgFromSpectrum = new TDlgNDFromSpectrum(this);

    auto* bar1 = new QToolBar(this);
    bar1->setObjectName(QStringLiteral("ToolBar1"));
    tbNew = Button(bar1, "tbNew", QStringLiteral("新建"));
    tbOpen = Button(bar1, "tbOpen", QStringLiteral("打开"));
    tbSave = Button(bar1, "tbSave", QStringLiteral("存盘"));
    tbPrint = Button(bar1, "tbPrint", QStringLiteral("打印"));
    auto* bar2 = new QToolBar(this);
    bar2->setObjectName(QStringLiteral("ToolBar2"));
    btnAddItem = Button(bar2, "btnAddItem", QStringLiteral("新增"));
    btnDel = Button(bar2, "btnDel", QStringLiteral("删除"));
    btnBuildStd = Button(bar2, "btnBuildStd", QStringLiteral("建立曲线"));
    btnCeLiang = Button(bar2, "btnCeLiang", QStringLiteral("测量"));
    ToolButton1 = Button(bar2, "ToolButton1", QStringLiteral("设置单位"));
    btnFromSpectrum = Button(bar2, "btnFromSpectrum", QStringLiteral("从谱图取值"));
    bar2->addSeparator();
    btnReturn = Button(bar2, "btnReturn", QStringLiteral("退出"));

    connect(tbNew, &QToolButton::clicked, this, &TFrmND::OnNew);
    connect(tbOpen, &QToolButton::clicked, this, &TFrmND::OnOpen);
    connect(tbSave, &QToolButton::clicked, this, &TFrmND::OnSave);
    connect(tbPrint, &QToolButton::clicked, this, &TFrmND::OnPrint);
    connect(btnAddItem, &QToolButton::clicked, this, &TFrmND::OnAddItem);
    connect(btnDel, &QToolButton::clicked, this, &TFrmND::OnDelete);
    connect(btnBuildStd, &QToolButton::clicked, this, &TFrmND::OnBuild);
    connect(btnCeLiang, &QToolButton::clicked, this, &TFrmND::OnMeasure);
    connect(ToolButton1, &QToolButton::clicked, this, &TFrmND::OnSetUnit);
    connect(btnFromSpectrum, &QToolButton::clicked, this, &TFrmND::OnFromSpectrum);
    connect(btnReturn, &QToolButton::clicked, this, &TFrmND::OnReturn);

    Image1 = Label(this, "Image1", QString());
    Image1->setFixedSize(kChartWidth, kChartHeight);
    auto* group = new QGroupBox(QStringLiteral("浓度与吸光度关系"), this);
    group->setObjectName(QStringLiteral("gbND_XGD"));
    auto* lbC = Label(group, "lbC", QStringLiteral("关系函数"));
    labelC_A = Label(group, "labelC_A", QStringLiteral("C="));
    auto* lbR = Label(group, "lbR", QStringLiteral("相关系数"));
    labelR = Label(group, "labelR", QStringLiteral("R="));
    for (QLabel* l : {labelC_A, labelR})
        l->setStyleSheet(QStringLiteral("color: blue"));
    auto* lbSE = Label(group, "lbSE", QStringLiteral("标准误差"));
    labelSE = Label(group, "labelSE", QString());
    auto* lbLOD = Label(group, "lbLOD", QStringLiteral("检出限"));
    labelLOD = Label(group, "labelLOD", QString());
    // What makes a curve doubtful is said here; the curve itself is kept.
    labelNotice = Label(group, "labelNotice", QString());
    labelNotice->setStyleSheet(QStringLiteral("color: red"));
    labelNotice->setWordWrap(true);
    lstResidual = new QListWidget(group);
    lstResidual->setObjectName(QStringLiteral("lstResidual"));
    auto* grid = new QGridLayout(group);
    grid->addWidget(lbC, 0, 0);
    grid->addWidget(labelC_A, 0, 1);
    grid->addWidget(lbR, 1, 0);
    grid->addWidget(labelR, 1, 1);
    grid->addWidget(lbSE, 2, 0);
    grid->addWidget(labelSE, 2, 1);
    grid->addWidget(lbLOD, 3, 0);
    grid->addWidget(labelLOD, 3, 1);
    grid->addWidget(labelNotice, 4, 0, 1, 2);
    grid->addWidget(lstResidual, 5, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    StringGrid1 = new TNDGrid(this);
    StringGrid1->setRowCount(1);
    for (int c = 0; c < NDColumns; ++c)
        StringGrid1->setColumnWidth(c, c == NDColAbs ? 76 : 64);

    auto* upper = new QHBoxLayout;
    upper->addWidget(Image1);
    upper->addWidget(group, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addWidget(bar1);
    layout->addWidget(bar2);
    layout->addLayout(upper);
    layout->addWidget(StringGrid1, 1);

    FTable.ResetTable();
    Refresh();
}

TFrmND::~TFrmND()
{
    FTable.Chart = nullptr;
}

void TFrmND::Execute()
{
    exec();
}

void TFrmND::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Every showing starts with a new table.
    StringGrid1->setColumnWidth(
        NDColDate, StringGrid1->fontMetrics().horizontalAdvance(QStringLiteral("2004-07-19 17:20:23")) + 1);
    ResetTable();
}

void TFrmND::reject()
{
    if (FTable.Modified) {
        const int answer = Question(QStringLiteral("测量内容已经改变，是否保存？"), true);
        if (answer == QMessageBox::Cancel)
            return;
        if (answer == QMessageBox::Yes && SaveWithDialog() != 1)
            return;
    }
    QDialog::reject();
    ResetTable();
}

void TFrmND::ResetTable()
{
    FTable.ResetTable();
    Refresh();
}

int TFrmND::Question(const QString& text, bool withCancel)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("提示"), text,
                    withCancel ? QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel
                               : QMessageBox::Yes | QMessageBox::No,
                    this);
    return box.exec();
}

void TFrmND::Warn(const QString& text)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("提示"), text, QMessageBox::Ok, this);
    box.exec();
}

QString TFrmND::AskFile(bool save)
{
    QFileDialog dialog(
        this, save ? QStringLiteral("存盘") : QStringLiteral("打开"), QStringLiteral("."),
        save ? QStringLiteral("浓度曲线（*.irc）(*.irc)") : QStringLiteral("浓度工作曲线（*.irc）(*.irc)"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(QStringLiteral("irc"));
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        // Any name is taken, so that a missing file gets its own message.
        dialog.setFileMode(QFileDialog::AnyFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().front();
}

bool TFrmND::AskSaveFirst()
{
    if (!FTable.Modified)
        return true;
    if (Question(QStringLiteral("测量内容已经改变，是否保存？"), false) != QMessageBox::Yes)
        return true;
    return SaveWithDialog() == 1;
}

int TFrmND::SaveWithDialog()
{
    int count = 0;
    if (!FTable.CheckSaveable(count)) {
        Warn(QStringLiteral("表中有未完成项，无法存盘!"));
        return -1;
    }
    const QString path = AskFile(true);
    if (path.isEmpty())
        return 0;
    if (FTable.SaveCurveFile(QFile::encodeName(path).toStdString()) != 0) {
        Warn(QStringLiteral("文件存盘错误!"));
        return -1;
    }
    FTable.Modified = false;
    return 1;
}

// --- commands ---------------------------------------------------------------------------

void TFrmND::OnNew()
{
    if (!AskSaveFirst())
        return;
    ResetTable();
}

void TFrmND::OnOpen()
{
    if (!AskSaveFirst())
        return;
    const QString path = AskFile(false);
    if (path.isEmpty())
        return;
    if (!QFileInfo::exists(path)) {
        Warn(QStringLiteral("文件不存在！"));
        return;
    }
    const int r = FTable.LoadCurveFile(QFile::encodeName(path).toStdString());
    if (r != 0) {
        Warn(QString::fromUtf8(NDLoadMessage(r)));
        return;
    }
    FTable.FinishOpen();
    Refresh();
}

void TFrmND::OnSave()
{
    SaveWithDialog();
    Refresh();
}

bool TFrmND::PrintTo(QPrinter& printer)
{
    return PrintCurveReport(printer, FTable, FDlgNDPrnSet->PrintCurve(), FDlgNDPrnSet->PrintData()) > 0;
}

void TFrmND::OnPrint()
{
    if (!FDlgNDPrnSet->Execute())
        return;
    QPrinter printer(QPrinter::HighResolution);
    QString pdf = FPrintFile;
    if (pdf.isEmpty() && QPrinterInfo::defaultPrinter().isNull()) {
        // No system printer: the page goes to a PDF file of the operator's choice.
        QFileDialog dialog(this, QStringLiteral("打印"), QStringLiteral("."), QStringLiteral("PDF (*.pdf)"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("pdf"));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return;
        pdf = dialog.selectedFiles().front();
    }
    if (!pdf.isEmpty()) {
        // The printer's own PDF output overwrites the file as it goes and
        // misses a full disk: the page goes through memory, same layout.
        printer.setOutputFormat(QPrinter::PdfFormat);
        TPdfFile file;
        file.Writer().setPageLayout(printer.pageLayout());
        file.Writer().setResolution(printer.resolution());
        file.Writer().setCreator(printer.creator());
        if (PrintCurveReport(file.Writer(), FTable, FDlgNDPrnSet->PrintCurve(), FDlgNDPrnSet->PrintData()) <=
            0) {
            Warn(QStringLiteral("打印失败！"));
        } else if (const int err = file.Save(pdf); err != 0) {
            Warn(QStringLiteral("打印失败！") + PdfWriteError(err) + QStringLiteral(" ") + pdf);
        }
        return;
    }
    if (!PrintTo(printer))
        Warn(QStringLiteral("打印失败！"));
}

void TFrmND::OnAddItem()
{
    FTable.AddRow();
    FTable.Modified = true;
    if (FTable.CurveBuilt)
        FTable.FocusCell(FTable.RowCount() - 1, NDColLabel);
    FTable.UpdateButtons();
    Refresh();
}

void TFrmND::OnDelete()
{
    if (!FTable.CanDelete())
        return;
    if (Question(QStringLiteral("是否删除选中的数据？"), false) != QMessageBox::Yes)
        return;
    FTable.DeleteSelectedRow();
    Refresh();
}

void TFrmND::OnBuild()
{
    FTable.BuildCurve();
    FTable.UpdateButtons();
    Refresh();
}

void TFrmND::OnMeasure()
{
    if (FTable.MeasureSample() < 0)
        Warn(QStringLiteral("请输入Abs"));
    Refresh();
}

void TFrmND::OnSetUnit()
{
    int unit = FTable.UnitIndex;
    if (!FDlgSetNDUnit->Execute(unit))
        return;
    FTable.ChangeUnit(unit);
    FTable.Modified = true;
    FTable.UpdateButtons();
    Refresh();
}

void TFrmND::OnReturn()
{
    close();
}

void TFrmND::OnFromSpectrum()
{
    if (FTable.AbsTargetRow() < 1) {
        Warn(QStringLiteral("请先选择要填入Abs的样品行"));
        return;
    }
    TSpGraph735* graph = FGraph ? FGraph() : nullptr;
    TSpCurveZQ735* curve = graph != nullptr ? graph->CurrentCurve() : nullptr;
    std::vector<float> x, y;
    bool absorbance = false;
    if (curve == nullptr) {
        Warn(QStringLiteral("没有可用的谱图"));
        return;
    }
    if (!NDCurveSamples(*curve, x, y, absorbance)) {
        Warn(QStringLiteral("当前谱图不是透过率或吸光度谱图"));
        return;
    }
    if (!FDlgFromSpectrum->Execute())
        return;
    float height = 0;
    const int r = NDBandHeight(x, y, absorbance, FDlgFromSpectrum->Places, height);
    if (r == NDBandOutside) {
        Warn(QStringLiteral("谱图不包含所需的波数"));
        return;
    }
    if (r != NDBandOk) {
        Warn(QStringLiteral("透过率为零，无法计算吸光度"));
        return;
    }
    FTable.SetAbsFromSpectrum(height);
    Refresh();
}

// --- grid and display -------------------------------------------------------------------

bool TFrmND::RequestCell(int row, int col)
{
    if (FRefreshing)
        return true;
    const bool taken = FTable.FocusCell(row, col);
    Refresh();
    return taken;
}

void TFrmND::CellEdited(QWidget* editor, int row, int col)
{
    // Filtering and cutting put text back into the editor, which signals
    // again: the outer call finishes the work. While the grid is rebuilt
    // from the table, an editor that Qt opens or refills shows what the grid
    // held, never something typed: nothing of it goes back into the table.
    if (FEditing || FRefreshing)
        return;
    FEditing = true;
    auto* edit = static_cast<QLineEdit*>(editor);
    if (col == NDColAbs || col == NDColQuartz || col == NDColCorr)
        ApplyNumericFilter(edit);
    const QString text = edit->text();
    const std::string kept = FTable.EditCell(row, col, text.toStdString());
    if (Q(kept) != text) {
        const int caret = std::min<int>(edit->cursorPosition(), static_cast<int>(Q(kept).size()));
        edit->setText(Q(kept));
        edit->setCursorPosition(caret);
    }
    FEditing = false;
    Refresh();
}

void TFrmND::Refresh()
{
    // Qt may call back into the window while the grid changes (a moved
    // current cell, an editor's text); a refresh asked for meanwhile runs
    // after this one instead of inside it.
    if (FRefreshing) {
        FRefreshAgain = true;
        return;
    }
    FRefreshing = true;
    for (int pass = 0; pass == 0 || (FRefreshAgain && pass < 3); ++pass) {
        FRefreshAgain = false;
        RefreshCells();
        RefreshButtons();
        RefreshChart();
        RefreshQuality();
    }
    FRefreshing = false;
}

void TFrmND::ApplyColumnWidths()
{
    const QFontMetrics fm = StringGrid1->horizontalHeader()->fontMetrics();
    for (int c : {NDColQuartz, NDColCorr, NDColContent})
        StringGrid1->setColumnWidth(c, fm.horizontalAdvance(Q(FTable.Cell(0, c))) + 2 + 8);
}

void TFrmND::RefreshCells()
{
    TNDGrid* g = StringGrid1;
    const int rows = FTable.DataRows();
    // An editor left on a row that goes away, or on a cell that is no longer
    // the table's current one, is closed first: removing its row would make
    // Qt move the current cell and open a new editor in the middle of the
    // rebuild. Edit triggers stay off while the rows change for the same reason.
    const QModelIndex edited = g->EditedIndex();
    if (edited.isValid() &&
        (g->rowCount() != rows || FTable.RowSelect || edited.row() != FTable.CurRow - 1 ||
         edited.column() != FTable.CurCol || !FTable.CanSelectCell(edited.row() + 1, edited.column())))
        g->DropEditor();
    if (g->rowCount() != rows) {
        g->setEditTriggers(QAbstractItemView::NoEditTriggers);
        g->setRowCount(rows);
    }
    QStringList headers;
    for (int c = 0; c < NDColumns; ++c)
        headers << Q(FTable.Cell(0, c));
    g->setHorizontalHeaderLabels(headers);
    if (FUnitShown != FTable.UnitIndex) {
        FUnitShown = FTable.UnitIndex;
        ApplyColumnWidths();
    }
    const bool built = FTable.CurveBuilt;
    for (int r = 1; r <= rows; ++r) {
        const bool standard = FTable.IsStandardRow(r);
        const bool extrapolated = FTable.Extrapolated(r);
        for (int c = 0; c < NDColumns; ++c) {
            QTableWidgetItem* item = g->item(r - 1, c);
            if (item == nullptr) {
                item = new QTableWidgetItem;
                item->setTextAlignment(Qt::AlignCenter);
                g->setItem(r - 1, c, item);
            }
            const QString text = Q(FTable.Cell(r, c));
            // The cell under an open editor already shows the editor's text,
            // so updating it does not disturb the typing.
            if (item->text() != text)
                item->setText(text);
            Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
            if (c != NDColLabel && FTable.CanSelectCell(r, c))
                flags |= Qt::ItemIsEditable;
            if (item->flags() != flags)
                item->setFlags(flags);
            QColor back = Qt::white;
            if (standard) {
                back = kOrange;
            } else if (c == NDColLabel || c == NDColContent || c == NDColCount || c == NDColDate ||
                       (!built && c == NDColCorr)) {
                back = kOlive;
            } else if (c == NDColAbs || c == NDColQuartz) {
                back = kPink;
            }
            QColor fore = Qt::black;
            if (r == FTable.SelRow && FTable.SelRow > 0) {
                back = kSelected;
                fore = Qt::white;
            } else if (extrapolated && (c == NDColAbs || c == NDColQuartz)) {
                fore = Qt::red;
            }
            if (item->background().color() != back)
                item->setBackground(back);
            if (item->foreground().color() != fore)
                item->setForeground(fore);
            const QString tip = extrapolated ? QStringLiteral("外推") : QString();
            if (item->toolTip() != tip)
                item->setToolTip(tip);
        }
    }
    // Whole rows while a row is chosen through its number, cell by cell with
    // the editor shown otherwise.
    g->setSelectionBehavior(FTable.RowSelect ? QAbstractItemView::SelectRows
                                             : QAbstractItemView::SelectItems);
    g->setEditTriggers(FTable.RowSelect ? QAbstractItemView::NoEditTriggers
                                        : QAbstractItemView::AllEditTriggers);
    g->PlaceCurrent(FTable.CurRow - 1, FTable.CurCol);
    g->clearSelection();
    if (FTable.RowSelect)
        g->selectRow(FTable.CurRow - 1);
    else if (QTableWidgetItem* item = g->item(FTable.CurRow - 1, FTable.CurCol))
        item->setSelected(true);
}

void TFrmND::RefreshButtons()
{
    btnAddItem->setEnabled(FTable.AddEnabled);
    btnBuildStd->setEnabled(FTable.BuildEnabled);
    btnDel->setEnabled(FTable.DeleteEnabled);
    btnCeLiang->setEnabled(FTable.MeasureEnabled);
    btnFromSpectrum->setEnabled(FTable.AbsTargetRow() > 0);
}

void TFrmND::RefreshChart()
{
    Image1->setPixmap(QPixmap::fromImage(FChartImage));
    labelC_A->setText(Q(FTable.LabelCA));
    labelR->setText(Q(FTable.LabelR));
}

void TFrmND::RefreshQuality()
{
    const TNDFitStats s = FTable.FitStats();
    QStringList notices;
    for (const std::string& w : FTable.CurveWarnings())
        notices << Q(w);
    const QString notice = notices.join(QLatin1Char('\n'));
    if (labelNotice->text() != notice)
        labelNotice->setText(notice);
    lstResidual->clear();
    if (!s.Valid) {
        labelSE->clear();
        labelLOD->clear();
        return;
    }
    const QString unit = QString::fromLatin1(NDUnitName(FTable.UnitIndex));
    labelSE->setText(s.HasStdError ? Q(FormatFixed(s.StdError, FTable.MassDecimals)) + QLatin1Char(' ') + unit
                                   : QStringLiteral("—（至少三个标样）"));
    labelLOD->setText(s.HasLod ? Q(FTable.LodText()) : QStringLiteral("—"));
    for (size_t i = 0; i < s.Residuals.size(); ++i) {
        lstResidual->addItem(QStringLiteral("标样%1  残差 %2 %3")
                                 .arg(i + 1)
                                 .arg(Q(FormatFixed(s.Residuals[i], FTable.MassDecimals)))
                                 .arg(unit));
    }
}
