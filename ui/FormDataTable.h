#pragma once
// The data table "数据列表": every stored point of the current curve with its
// ordinal, abscissa (or time) and value, in a grid that copies to the
// clipboard from its pop-up menu. Non-modal and always on top. "打印数据"
// and the row interval choose what the report printout lists.
//
// The print option is true only while the table is showing and "打印数据" is
// enabled (the table has rows) and ticked. Filling, a click on the box and
// closing announce it; showing alone does not, so after the first opening it
// stays off until the box is clicked.

#include <QDialog>

#include "spectra/DataTable.h"

class QCheckBox;
class QLineEdit;
class TStringGrid;
class TUpDown;

class TFormDataTable : public QDialog {
    Q_OBJECT
public:
    explicit TFormDataTable(QWidget* parent = nullptr);

    // Takes a copy of the columns.
    void Fill(const TDataTableColumns& columns);

    bool PrintData() const;
    // The printout lists the header row, then rows 1, 1 + (p + 1), 1 + 2(p + 1), …
    int Interval() const;
    bool Showing() const { return FShowing; }
    const TDataTableColumns& Columns() const { return FColumns; }

    TStringGrid* Grid() const { return StringGrid1; }
    // The pop-up commands: the selected rows, or the whole grid.
    void CopySelection();
    void CopyAll();

signals:
    void PrintDataChanged(bool on);
    void IntervalChanged(int interval);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void PrintDataClicked();

    TStringGrid* StringGrid1;
    QCheckBox* cbPrintData;
    QLineEdit* edJG;
    TUpDown* udJG;
    bool FShowing = false;
    TDataTableColumns FColumns;
};
