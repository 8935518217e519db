#pragma once
// The text grids of the peak table and the data table: a table whose row 0
// is its header (it is part of the grid, so "复制全部" copies it), a pop-up
// menu of copy commands, and the copy of a rectangular block of cells in the
// one text form every grid of the program puts on the clipboard (cells
// joined by a tab, rows by CR LF, nothing after the last row).

#include <QString>
#include <QStringList>
#include <QTableWidget>
#include <functional>
#include <vector>

class TStringGrid : public QTableWidget {
    Q_OBJECT
public:
    // `columns` header texts; the grid starts with the header row alone.
    TStringGrid(const QString& objectName, const QStringList& header, QWidget* parent = nullptr);

    // Rows 1 … n after the header; each row holds `columns` cells.
    void SetBody(const std::vector<QStringList>& rows);
    void SetHeader(const QStringList& header);

    // The block of cells the operator selected (rows and columns of the
    // grid, header row 0); an empty rectangle when nothing is selected.
    QRect SelectedBlock() const;
    // Selects every cell, the header row included.
    void SelectWholeGrid();
    // The text of a block, at most up to column `lastColumn`.
    QString BlockText(const QRect& block, int lastColumn = -1) const;

    // Adds an entry to the grid's pop-up menu.
    void AddMenuCommand(const QString& objectName, const QString& caption, const std::function<void()>& run);
};

// The clipboard is emptied first, then given the text.
void PutOnClipboard(const QString& text);
