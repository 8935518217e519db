#pragma once
// "谱线四则运算": adds, subtracts, multiplies or divides one curve of the
// graph by a second curve or by a constant, point by point; the result
// replaces the first curve's values. A refused operation is explained and
// the dialog stays open.

#include <QDialog>
#include <functional>

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TApparaZQ735;
class TCurvePicker;
class TSpGraph735;

class TDlgSiZe1 : public QDialog {
    Q_OBJECT
public:
    explicit TDlgSiZe1(QWidget* parent = nullptr);

    // Fills both lists from the graph and shows the dialog modally; returns
    // the OK flag (the first curve has then been changed). `beforeChange`
    // runs with the first curve's slot before each attempt to change it (the
    // window takes its undo snapshot there; a refused attempt changes nothing).
    bool Open(TApparaZQ735& model, TSpGraph735& graph, const std::function<void(int slot)>& beforeChange = {});

    bool OK = false;
    TCurvePicker* First() const { return FFirst; }
    TCurvePicker* Second() const { return FSecond; }

    void reject() override;

private:
    void OnOK();
    void OnOperandKind();
    void RefreshLabels();

    TApparaZQ735* FModel = nullptr;
    TSpGraph735* FGraph = nullptr;
    std::function<void(int)> FBeforeChange;

    TCurvePicker* FFirst;
    TCurvePicker* FSecond;
    QRadioButton* rbCurve;
    QRadioButton* rbConst;
    QLineEdit* edConst;
    QComboBox* cbArithmetic;
    QPushButton* btnOK;
    QPushButton* btnCancel;
};
