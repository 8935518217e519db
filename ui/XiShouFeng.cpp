#include "ui/XiShouFeng.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/DialogStyle.h"
#include "ui/StringGrid.h"

namespace {

// The three columns of the table and the two band columns beside them.
constexpr int kPartColumns = 3;
constexpr int kColumns = 5;

QString Text(const std::string& s)
{
    return QString::fromStdString(s);
}

std::vector<QStringList> Rows(const std::vector<float>& x, const std::vector<float>& y,
                              const std::vector<TBandMetrics>& bands)
{
    std::vector<QStringList> rows;
    for (size_t i = 0; i < x.size(); ++i) {
        QStringList cells{QString::number(i + 1), Text(PeakAbscissaText(x[i])), Text(PeakValueText(y[i]))};
        if (i < bands.size())
            cells << Text(BandFwhmText(bands[i])) << Text(BandAreaText(bands[i]));
        rows.push_back(cells);
    }
    return rows;
}

QString BandFwhmHeader()
{
    return QStringLiteral("半高宽(%1)").arg(QString::fromUtf8(kBandFwhmUnit));
}

QString BandAreaHeader()
{
    return QStringLiteral("面积(%1)").arg(QString::fromUtf8(kBandAreaUnit));
}

void SizeColumns(TStringGrid* grid)
{
    const QFontMetrics fm = grid->fontMetrics();
    const int pad = 10;
    grid->setColumnWidth(0, fm.horizontalAdvance(QStringLiteral("0000")) + pad);
    grid->setColumnWidth(1, fm.horizontalAdvance(QStringLiteral("00000.000")) + pad);
    grid->setColumnWidth(2, fm.horizontalAdvance(QStringLiteral("峰尖数值")) + pad);
    grid->setColumnWidth(
        3, std::max(fm.horizontalAdvance(QStringLiteral("00000.0")), fm.horizontalAdvance(BandFwhmHeader())) +
               pad);
    grid->setColumnWidth(4, std::max(fm.horizontalAdvance(QStringLiteral("00000.000")),
                                     fm.horizontalAdvance(BandAreaHeader())) +
                                pad);
}

}  // namespace

TXiShouFeng::TXiShouFeng(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("XiShouFeng"));
    setWindowTitle(QStringLiteral("峰值列表"));
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setModal(false);

    StringGrid1 = new TStringGrid(QStringLiteral("StringGrid1"),
                                  {QStringLiteral("序号"), QStringLiteral("波长"), QStringLiteral("峰尖数值"),
                                   BandFwhmHeader(), BandAreaHeader()},
                                  this);
    StringGrid2 = new TStringGrid(QStringLiteral("StringGrid2"),
                                  {QStringLiteral("序号"), QStringLiteral("波长"), QStringLiteral("峰谷数值"),
                                   BandFwhmHeader(), BandAreaHeader()},
                                  this);
    StringGrid1->AddMenuCommand(QStringLiteral("mnCopy1"), QStringLiteral("复制(&C)"),
                                [this] { CopySelection(StringGrid1); });
    StringGrid1->AddMenuCommand(QStringLiteral("mnCopyAll1"), QStringLiteral("复制全部(&A)"),
                                [this] { CopyAll(StringGrid1); });
    StringGrid2->AddMenuCommand(QStringLiteral("mnCopy2"), QStringLiteral("复制(&A)"),
                                [this] { CopySelection(StringGrid2); });
    StringGrid2->AddMenuCommand(QStringLiteral("mnCopyAll2"), QStringLiteral("复制全部(&A)"),
                                [this] { CopyAll(StringGrid2); });
    for (TStringGrid* g : {StringGrid1, StringGrid2}) {
        SizeColumns(g);
        int width = 4;
        for (int c = 0; c < kColumns; ++c)
            width += g->columnWidth(c);
        g->setMinimumSize(width + g->style()->pixelMetric(QStyle::PM_ScrollBarExtent), 260);
    }

    cbPrintFJ = new QCheckBox(QStringLiteral("打印峰尖"), this);
    cbPrintFJ->setObjectName(QStringLiteral("cbPrintFJ"));
    cbPrintFG = new QCheckBox(QStringLiteral("打印峰谷"), this);
    cbPrintFG->setObjectName(QStringLiteral("cbPrintFG"));
    cbBandColumns = new QCheckBox(QStringLiteral("含半高宽和面积"), this);
    cbBandColumns->setObjectName(QStringLiteral("cbBandColumns"));
    connect(cbPrintFJ, &QCheckBox::clicked, this, [this] { emit PrintPeaksChanged(PrintPeaks()); });
    connect(cbPrintFG, &QCheckBox::clicked, this, [this] { emit PrintValleysChanged(PrintValleys()); });
    connect(cbBandColumns, &QCheckBox::toggled, this, &TXiShouFeng::BandColumnsChanged);

    auto* ok = MakeButton(this, QStringLiteral("btnOK"), QStringLiteral("确定"), true);
    connect(ok, &QPushButton::clicked, this, &QDialog::close);

    auto* grids = new QHBoxLayout;
    auto column = [&](const QString& title, TStringGrid* grid, QCheckBox* box) {
        auto* group = new QGroupBox(title, this);
        auto* v = new QVBoxLayout(group);
        v->addWidget(grid);
        v->addWidget(box);
        grids->addWidget(group);
    };
    column(QStringLiteral("峰尖"), StringGrid1, cbPrintFJ);
    column(QStringLiteral("峰谷"), StringGrid2, cbPrintFG);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cbBandColumns);
    buttons->addStretch();
    buttons->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grids);
    layout->addLayout(buttons);

    Fill(nullptr, nullptr, nullptr, nullptr, 0, 0);
}

void TXiShouFeng::Fill(const float* peakX, const float* peakY, const float* valleyX, const float* valleyY,
                       int peakCount, int valleyCount, const TBandMetrics* peakBands, const TBandMetrics* valleyBands)
{
    auto copy = [](const auto* from, int n, auto& to) {
        to.clear();
        if (from != nullptr && n > 0)
            to.assign(from, from + n);
    };
    copy(peakX, peakCount, FPeakX);
    copy(peakY, peakCount, FPeakY);
    copy(valleyX, valleyCount, FValleyX);
    copy(valleyY, valleyCount, FValleyY);
    copy(peakBands, peakCount, FPeakBands);
    copy(valleyBands, valleyCount, FValleyBands);
    FPeakY.resize(FPeakX.size());
    FValleyY.resize(FValleyX.size());
    StringGrid1->SetBody(Rows(FPeakX, FPeakY, FPeakBands));
    StringGrid2->SetBody(Rows(FValleyX, FValleyY, FValleyBands));

    for (auto [box, empty] : {std::pair{cbPrintFJ, FPeakX.empty()}, std::pair{cbPrintFG, FValleyX.empty()}}) {
        if (empty)
            box->setChecked(false);
        box->setEnabled(!empty);
    }
    PassPrintOptions();
}

bool TXiShouFeng::PrintPeaks() const
{
    return cbPrintFJ->isEnabled() && cbPrintFJ->isChecked() && FShowing;
}

bool TXiShouFeng::PrintValleys() const
{
    return cbPrintFG->isEnabled() && cbPrintFG->isChecked() && FShowing;
}

bool TXiShouFeng::BandColumns() const
{
    return cbBandColumns->isChecked();
}

void TXiShouFeng::PassPrintOptions()
{
    emit PrintPeaksChanged(PrintPeaks());
    emit PrintValleysChanged(PrintValleys());
}

void TXiShouFeng::CopySelection(TStringGrid* grid)
{
    PutOnClipboard(grid->BlockText(grid->SelectedBlock(), BandColumns() ? -1 : kPartColumns - 1));
}

void TXiShouFeng::CopyAll(TStringGrid* grid)
{
    grid->SelectWholeGrid();
    PutOnClipboard(grid->BlockText(QRect(0, 0, grid->columnCount(), grid->rowCount()),
                                   BandColumns() ? -1 : kPartColumns - 1));
}

void TXiShouFeng::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // Centred on the desktop when it opens, where the operator left it after.
    if (!FShowing)
        CentreOnDesktop(this);
    FShowing = true;
    PassPrintOptions();
}

void TXiShouFeng::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    if (event->spontaneous())
        return;
    FShowing = false;
    PassPrintOptions();
}
