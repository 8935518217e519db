#pragma once
// The shared single-number input. Its value and its last answer outlive each
// use: other commands read Accepted and Value after the dialog has closed
// (the peak re-marking acts only when the last use ended with "确定"), so a
// use that only displays a number changes them too.

#include <QDialog>

class QLineEdit;
class QPushButton;

class TDlgInputOne : public QDialog {
    Q_OBJECT
public:
    explicit TDlgInputOne(QWidget* parent = nullptr);

    float Value = 0.0f;     // shown on every showing, set by "确定"
    int Decimals = 4;       // digits after the point when Value is shown
    bool Accepted = false;  // the last use ended with "确定"

    // The caption, which callers use as the question ("输入波数", "峰高", ...).
    void SetPrompt(const QString& prompt);
    // Shows the dialog modally; returns Accepted.
    bool Execute();

    QLineEdit* Edit() const { return edValue; }

    // Escape and "取消".
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnOK();

    QLineEdit* edValue;
    QPushButton* btnOK;
    QPushButton* btnCancel;
};

// The shared input dialogs' caption.
inline void SetPrompt(TDlgInputOne& dialog, const QString& prompt)
{
    dialog.SetPrompt(prompt);
}
