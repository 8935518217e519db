#pragma once
// The password asked before the system settings may be changed. There is no
// lock-out: a wrong password is reported as often as it is tried.

#include <QDialog>

class QLineEdit;
class QPushButton;

// True exactly when `text` is the settings password.
bool CheckPassword(const QString& text);

class TFormPassWord : public QDialog {
    Q_OBJECT
public:
    explicit TFormPassWord(QWidget* parent = nullptr);

    bool Accepted = false;

    // Shows the dialog modally; returns Accepted.
    bool Execute();

    // Escape and "取消".
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnOK();

    QLineEdit* EditPassWord;
    QPushButton* btnOK;
    QPushButton* btnCancel;
};
