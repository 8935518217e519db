#include "ui/FormDataTable.h"

#include <QCheckBox>
#include <algorithm>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <QVBoxLayout>

#include "ui/DialogStyle.h"
#include "ui/StringGrid.h"
#include "ui/UpDown.h"

namespace {

QStringList Cells(const std::vector<std::string>& cells)
{
    QStringList out;
    for (const std::string& c : cells)
        out << QString::fromStdString(c);
    return out;
}

}  // namespace

TFormDataTable::TFormDataTable(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormDataTable"));
    setWindowTitle(QStringLiteral("数据列表"));
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setModal(false);

    StringGrid1 = new TStringGrid(QStringLiteral("StringGrid1"), Cells(DataTableRow(TDataTableColumns{}, 0)), this);
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid1->setColumnWidth(0, 30);
    StringGrid1->setColumnWidth(1, 59);
    StringGrid1->setColumnWidth(2, 80);
    StringGrid1->setMinimumSize(30 + 59 + 80 + 6 + StringGrid1->style()->pixelMetric(QStyle::PM_ScrollBarExtent),
                                360);
    StringGrid1->AddMenuCommand(QStringLiteral("mnCopy"), QStringLiteral("复制(&A)"), [this] { CopySelection(); });
    StringGrid1->AddMenuCommand(QStringLiteral("mnCopyAll"), QStringLiteral("复制全部(&A)"), [this] { CopyAll(); });

    cbPrintData = new QCheckBox(QStringLiteral("打印数据"), this);
    cbPrintData->setObjectName(QStringLiteral("cbPrintData"));
    connect(cbPrintData, &QCheckBox::clicked, this, &TFormDataTable::PrintDataClicked);
    edJG = new QLineEdit(this);
    edJG->setObjectName(QStringLiteral("edJG"));
    edJG->setReadOnly(true);
    edJG->setFixedWidth(60);
    udJG = new TUpDown(QStringLiteral("udJG"), edJG, 0, 0, this);
    udJG->SetPosition(0);
    connect(edJG, &QLineEdit::textChanged, this, [this] { emit IntervalChanged(Interval()); });

    auto* ok = MakeButton(this, QStringLiteral("btnOK"), QStringLiteral("确定"), true);
    connect(ok, &QPushButton::clicked, this, &QDialog::close);

    auto* controls = new QHBoxLayout;
    controls->addWidget(cbPrintData);
    controls->addSpacing(8);
    controls->addWidget(new QLabel(QStringLiteral("数据间隔"), this));
    controls->addWidget(edJG);
    controls->addWidget(udJG);
    controls->addStretch();
    controls->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(StringGrid1);
    layout->addLayout(controls);

    Fill(TDataTableColumns{});
}

void TFormDataTable::Fill(const TDataTableColumns& columns)
{
    FColumns = columns;
    const auto n = static_cast<int>(std::min(FColumns.X.size(), FColumns.Y.size()));
    StringGrid1->SetHeader(Cells(DataTableRow(FColumns, 0)));
    std::vector<QStringList> rows;
    rows.reserve(static_cast<size_t>(n));
    for (int r = 1; r <= n; ++r)
        rows.push_back(Cells(DataTableRow(FColumns, r)));
    StringGrid1->SetBody(rows);

    if (n <= 0)
        cbPrintData->setChecked(false);
    cbPrintData->setEnabled(n > 0);
    const int max = n > 0 ? n - 1 : 0;
    udJG->SetRange(0, max);
    udJG->SetPosition(max / 10);
    PrintDataClicked();
}

bool TFormDataTable::PrintData() const
{
    return cbPrintData->isEnabled() && cbPrintData->isChecked() && FShowing;
}

int TFormDataTable::Interval() const
{
    return udJG->Position();
}

void TFormDataTable::PrintDataClicked()
{
    const bool ticked = cbPrintData->isEnabled() && cbPrintData->isChecked();
    udJG->setEnabled(ticked);
    edJG->setEnabled(ticked);
    emit PrintDataChanged(PrintData());
}

void TFormDataTable::CopySelection()
{
    PutOnClipboard(StringGrid1->BlockText(StringGrid1->SelectedBlock()));
}

void TFormDataTable::CopyAll()
{
    StringGrid1->SelectWholeGrid();
    PutOnClipboard(StringGrid1->BlockText(QRect(0, 0, StringGrid1->columnCount(), StringGrid1->rowCount())));
}

void TFormDataTable::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // Centred on the desktop when it opens, where the operator left it after.
    if (!FShowing)
        CentreOnDesktop(this);
    FShowing = true;
}

void TFormDataTable::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    if (event->spontaneous())
        return;
    FShowing = false;
    emit PrintDataChanged(false);
}
