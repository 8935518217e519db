#pragma once
// The shared text input (curve names and the like). The edit keeps the text
// of its last use; Text is what the last accepted use entered.

#include <QDialog>

class QLineEdit;
class QPushButton;

class TDlgInputStr : public QDialog {
    Q_OBJECT
public:
    explicit TDlgInputStr(QWidget* parent = nullptr);

    static constexpr int kMaxBytes = 18;  // a curve name's length in GBK bytes

    QString Text;  // UTF-8; at most kMaxBytes when converted to GBK
    bool Accepted = false;

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

inline void SetPrompt(TDlgInputStr& dialog, const QString& prompt)
{
    dialog.SetPrompt(prompt);
}
