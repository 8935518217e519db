#pragma once
// "刻度扩展": the view ranges typed as numbers. The limits follow the current
// measurement record (wavenumbers or seconds of a time drive, %T or Abs);
// every fault is reported at once in one box and the dialog stays open until
// the ranges are good or the operator cancels.

#include <QDialog>

#include "acquisition/MeasureParams.h"

class QLineEdit;
class QPushButton;

class TDlgInKeDu : public QDialog {
    Q_OBJECT
public:
    explicit TDlgInKeDu(QWidget* parent = nullptr);

    // Shows the four values ("%1.1f") and checks them against the limits of
    // `p`; returns the OK flag.
    bool Execute(float xStart, float xEnd, float yStart, float yEnd, const TMeasureParams& p);

    float XStart = 4000.0f;
    float XEnd = 400.0f;
    float YStart = 0.0f;
    float YEnd = 100.0f;
    bool OK = false;

    void reject() override;

private:
    void OnOK();

    TMeasureParams FParams;
    QLineEdit* EditHL;
    QLineEdit* EditHH;
    QLineEdit* EditZL;
    QLineEdit* EditZH;
    QPushButton* btnOK;
    QPushButton* btnCancel;
};
