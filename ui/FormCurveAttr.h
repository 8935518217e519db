#pragma once
// "谱线参数": the settings of a curve's measurement, with its name, batch
// number and note to edit. The name lives in the curve, the batch number and
// the note in the slot's measurement record, so both are saved with the file.

#include <QDialog>
#include <string>

#include "acquisition/MeasureParams.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class TSpCurveZQ735;

class TFormCurveAttr : public QDialog {
    Q_OBJECT
public:
    static constexpr int kNameBytes = 18;
    static constexpr int kBatchBytes = 150;
    static constexpr int kNoteBytes = 500;

    explicit TFormCurveAttr(QWidget* parent = nullptr);

    // Shows the curve and the record modally. With both given, OK writes the
    // name into the curve and the batch number and the note into `params`
    // (each cut to its field, never inside a double-byte character) and
    // returns true. Without either, everything shows "(空)" and nothing can
    // be changed.
    bool Execute(TSpCurveZQ735* curve, TMeasureParams* params);

    // The memo's text as stored: every line followed by CR LF.
    static std::string NoteFromMemo(const QString& memo);
    // And back: the stored note as the memo shows it.
    static QString MemoFromNote(const std::string& note);

    bool Result = false;

    void reject() override;

private:
    TMeasureParams FParams;
    QLineEdit* edCurveName;
    QLabel* lbCurMMode;
    QLabel* lbCurScanSpeed;
    QLabel* lbCurSlit;
    QLabel* lbCurRTime;
    QLineEdit* edPihao;
    QLabel* lbNote;
    QPlainTextEdit* moNote;
    QPushButton* btnOK;
    QPushButton* btnCancel;
};
