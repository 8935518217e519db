#pragma once
// The question asked before the main window closes.

#include <QDialog>

class QPushButton;

class TFormExit1 : public QDialog {
    Q_OBJECT
public:
    explicit TFormExit1(QWidget* parent = nullptr);

    bool Confirmed = false;

    // Shows the question modally; returns Confirmed.
    bool Execute();

    // Escape and "取消".
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QPushButton* btnOK;
    QPushButton* btnCancel;
};
