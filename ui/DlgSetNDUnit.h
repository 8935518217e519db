#pragma once
// The unit dialog of the quantitative window: "mg", "ug" or "ng".

#include <QDialog>

class QComboBox;
class QPushButton;

class TDlgSetNDUnit : public QDialog {
    Q_OBJECT
public:
    explicit TDlgSetNDUnit(QWidget* parent = nullptr);
    // Shows the dialog with the list at `unitIndex`; true after "确定", with
    // the chosen index in `unitIndex`.
    bool Execute(int& unitIndex);
    QComboBox* List() const { return cbUnit; }

private:
    QComboBox* cbUnit;
    QPushButton* btnOK;
    QPushButton* btnCancel;
};
