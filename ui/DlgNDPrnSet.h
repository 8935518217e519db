#pragma once
// What the quantitative printout holds: the working curve, the table, or
// both. The two ticks keep their state between uses.

#include <QDialog>

class QCheckBox;
class QPushButton;

class TDlgNDPrnSet : public QDialog {
    Q_OBJECT
public:
    explicit TDlgNDPrnSet(QWidget* parent = nullptr);
    // Shows the dialog; true when "打印" was pressed with a box ticked.
    bool Execute();
    bool PrintCurve() const;
    bool PrintData() const;

private:
    QCheckBox* cbStd;
    QCheckBox* cbData;
    QPushButton* btnPrint;
    QPushButton* btnCancel;
};
