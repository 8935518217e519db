#pragma once
// "调整基线位置": the single-number input with the baseline position in use
// shown beside the edit ("当前基线位置100.0%"). The position is the factor
// that scales readings into transmittance; the caller takes the entered value
// on OK.

#include "ui/DlgInputOne.h"

class QLabel;

class TSpDlgAdjBKK : public TDlgInputOne {
    Q_OBJECT
public:
    explicit TSpDlgAdjBKK(QWidget* parent = nullptr);

    // The position in use, shown in the label and offered as the value.
    void SetCurrent(float position);
    float Current() const { return FCurrent; }
    QLabel* PositionLabel() const { return lbPosition; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    float FCurrent = 100.0f;
    QLabel* lbPosition;
};
