#pragma once
// "从谱图取值": the wavenumbers of the band and of the two baseline points
// whose absorbance difference fills a row's Abs. The values stay between uses.

#include <QDialog>

#include "quant/NDBandHeight.h"

class QLineEdit;
class QPushButton;

class TDlgNDFromSpectrum : public QDialog {
    Q_OBJECT
public:
    explicit TDlgNDFromSpectrum(QWidget* parent = nullptr);
    // Shows the dialog with `Places`; true after "确定" with three numbers in
    // 400 .. 4000 cm-1 and two different baseline points (then in `Places`).
    bool Execute();
    TNDBandPlaces Places;

    QLineEdit* edBand;
    QLineEdit* edBase1;
    QLineEdit* edBase2;

private:
    void OnOK();
    QPushButton* btnOK;
    QPushButton* btnCancel;
};
