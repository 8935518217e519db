#include "ui/StringGrid.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <algorithm>
#include <string>
#include <vector>

#include "spectra/DataTable.h"

TStringGrid::TStringGrid(const QString& objectName, const QStringList& header, QWidget* parent)
    : QTableWidget(1, static_cast<int>(header.size()), parent)
{
    setObjectName(objectName);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    SetHeader(header);
}

void TStringGrid::SetHeader(const QStringList& header)
{
    for (int c = 0; c < header.size() && c < columnCount(); ++c) {
        auto* item = new QTableWidgetItem(header[c]);
        // The header row is fixed: it is copied with the whole grid, never
        // selected by the operator.
        item->setFlags(Qt::ItemIsEnabled);
        item->setBackground(palette().button());
        setItem(0, c, item);
    }
}

void TStringGrid::SetBody(const std::vector<QStringList>& rows)
{
    clearSelection();
    setRowCount(static_cast<int>(rows.size()) + 1);
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const QStringList& cells = rows[static_cast<size_t>(r)];
        for (int c = 0; c < columnCount(); ++c) {
            auto* item = new QTableWidgetItem(c < cells.size() ? cells[c] : QString());
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            setItem(r + 1, c, item);
        }
    }
}

QRect TStringGrid::SelectedBlock() const
{
    const QList<QTableWidgetSelectionRange> ranges = selectedRanges();
    if (ranges.isEmpty())
        return QRect();
    // One contiguous block; several ranges only come from a program that
    // selected more, and then their bounding block is meant.
    int top = rowCount(), left = columnCount(), bottom = -1, right = -1;
    for (const QTableWidgetSelectionRange& r : ranges) {
        top = std::min(top, r.topRow());
        left = std::min(left, r.leftColumn());
        bottom = std::max(bottom, r.bottomRow());
        right = std::max(right, r.rightColumn());
    }
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

void TStringGrid::SelectWholeGrid()
{
    clearSelection();
    setRangeSelected(QTableWidgetSelectionRange(0, 0, rowCount() - 1, columnCount() - 1), true);
}

QString TStringGrid::BlockText(const QRect& block, int lastColumn) const
{
    if (block.isEmpty())
        return QString();
    const int right = lastColumn < 0 ? block.right() : std::min(block.right(), lastColumn);
    std::vector<std::vector<std::string>> rows;
    for (int r = block.top(); r <= block.bottom() && r < rowCount(); ++r) {
        std::vector<std::string> cells;
        for (int c = block.left(); c <= right && c < columnCount(); ++c) {
            const QTableWidgetItem* it = item(r, c);
            cells.push_back(it != nullptr ? it->text().toStdString() : std::string());
        }
        rows.push_back(std::move(cells));
    }
    return QString::fromStdString(JoinGridRows(rows));
}

void TStringGrid::AddMenuCommand(const QString& objectName, const QString& caption, const std::function<void()>& run)
{
    auto* a = new QAction(caption, this);
    a->setObjectName(objectName);
    connect(a, &QAction::triggered, this, run);
    addAction(a);
}

void PutOnClipboard(const QString& text)
{
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(text);
}
