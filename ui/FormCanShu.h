#pragma once
// The measurement parameter dialog "参数设置". It edits a copy of a
// measurement parameter record: ordinate mode, speed, slit, response, the
// abscissa and ordinate ranges and the scan method with its count or
// duration. Fields it has no control for (batch number, note, ...) pass
// through unchanged. The three read-out check boxes are not part of the
// record; they keep their state between uses.

#include <QDialog>
#include <QPalette>

#include "acquisition/MeasureParams.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class TRadioGroup;
class TUpDown;

class TFormCanShu : public QDialog {
    Q_OBJECT
public:
    explicit TFormCanShu(QWidget* parent = nullptr);

    TMeasureParams Params;  // the record being edited; the result when Accepted
    bool Accepted = false;  // closed with "确定" after the checks passed

    // Which record a showing starts from: the record of graph slot 0 when
    // that one is a time drive (so its duration is offered again), else the
    // instrument's current parameters. `slot0` may be null.
    static const TMeasureParams& SourceParams(const TMeasureParams& current, const TMeasureParams* slot0);

    // Params := p, the controls show it, Accepted := false.
    void LoadParams(const TMeasureParams& p);
    // LoadParams(p), then the dialog modally; returns Accepted.
    bool Execute(const TMeasureParams& p);

    // The combined message for the ranges of `r` (empty when they are
    // acceptable): four lines X range, Y range, Y order, X order, joined by
    // "\n", each empty unless its fault is present. `scanModeText` is what the
    // method list shows.
    static QString RangeMessage(const TMeasureParams& r, const QString& scanModeText);

    // Read by the curve read-out and by the main window after every use.
    bool ShowPosition() const;    // "显示位置"
    bool ShowValue() const;       // "显示测量值"
    bool WavelengthMode() const;  // "是否按波长方式显示"

    // Escape and "取消".
    void reject() override;

protected:
private:
    void LoadControls();
    void ApplyScanModeLayout();
    void OnScanModeChanged(int index);
    void OnScanTimeChanged();
    // Fills the control fields of `r` from the controls; false (after the
    // framework's conversion message) when an edit holds no number.
    bool ReadControls(TMeasureParams& r);
    void OnOK();
    void SetGreyed(QLineEdit* edit, bool greyed);

    TRadioGroup* rgSlit;
    TRadioGroup* rgMMode;
    TRadioGroup* rgSSpeed;
    TRadioGroup* rgRTime;
    QLineEdit* edXs;
    QLineEdit* edXe;
    QLineEdit* edYs;
    QLineEdit* edYe;
    QComboBox* cbScanMode;
    QLineEdit* edScanCount;
    TUpDown* upScanCount;
    QLineEdit* edScanTime;
    QCheckBox* chkShowX;
    QCheckBox* chkShowData;
    QCheckBox* ckbNM;
    QPushButton* btnOK;
    QPushButton* btnCancel;
    QPalette NormalPalette;
};
